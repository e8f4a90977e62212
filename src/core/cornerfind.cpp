// SPDX-License-Identifier: GPL-3.0-or-later
#include "cornerfind.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "reasons.h"
#include "scanraster.h"

namespace {

const char *const kCornerNames[3] = {"TopLeft", "BottomLeft", "BottomRight"};

// The coarse search works on blocks of about a third of a millimetre: the
// printed lines still stand out and a whole scan costs a few hundred
// thousand blocks.
const double kCoarsePixelsPerMM = 3.0;
// Largest turn searched, as the tangent (a little more than 3.5 degrees).
const double kMaxTurn = 0.062;
// Half the width of the field outlines plus room for a blurred scan, mm.
const double kOutlineHalfMM = 0.2;
// Samples along the fitted lines, mm apart, and kept clear of crossings.
const double kSampleStepMM = 1.0;
const double kCrossingClearMM = 2.0;
// Darkness a line sample must stand above its surroundings (grey levels).
const double kMinLineContrast = 10.0;
// Mean darkness (grey levels) the weakest outline must add to its column or
// row for a grid to be there at all.
const double kMinGridStrength = 3.0;
// Inlier share of the samples a line needs to count as found.
const double kMinInlierShare = 0.3;

// Block means of the darkness (255 - luma), f x f scan pixels per block.
struct CoarseImage {
    int f, w, h;
    std::vector<float> d;
    float at(int x, int y) const { return d[size_t(y) * w + x]; }
};

CoarseImage makeCoarse(const ScanRaster &scan, int f)
{
    CoarseImage c{f, scan.width() / f, scan.height() / f, {}};
    c.d.assign(size_t(c.w) * c.h, 0.0f);
    // Every other row and column of a block is enough where blocks are
    // large: the thinnest line the search needs, an outline, is then
    // several scan pixels wide.
    int step = f >= 4 ? 2 : 1, samples = (f + step - 1) / step;
    std::vector<int> sums(c.w);
    for (int cy = 0; cy < c.h; cy++) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int y = cy * f; y < (cy + 1) * f; y += step)
            for (int cx = 0; cx < c.w; cx++)
                for (int x = cx * f; x < (cx + 1) * f; x += step) sums[cx] += scan.darkness(x, y);
        for (int cx = 0; cx < c.w; cx++) c.d[size_t(cy) * c.w + cx] = float(sums[cx]) / float(samples * samples);
    }
    return c;
}

// Column profile of the image sheared so that lines x = c + (y - yc) t stand
// upright; bin i holds c = i - offset.
struct Profile {
    std::vector<double> v;
    int offset;
};

// Sums to means; bins the image covers only in part take the mean of the
// nearest full bin, so that the image's border makes no line.
void normalise(std::vector<double> &v, const std::vector<double> &counts)
{
    double full = *std::max_element(counts.begin(), counts.end());
    int n = int(v.size()), lastGood = -1;
    for (int i = 0; i < n; i++) {
        bool good = counts[i] >= 0.5 * full && full > 0;
        v[i] = good ? v[i] / counts[i] : lastGood >= 0 ? v[lastGood] : -1.0;
        if (good) lastGood = i;
    }
    for (int i = n - 1, next = -1; i >= 0; i--) {
        if (counts[i] >= 0.5 * full && full > 0) next = i;
        else if (v[i] < 0 && next >= 0) v[i] = v[next];
    }
}

// sum[x] += weight * row[x]: most of the corner search's time. Written in
// blocks of a fixed length, which the compiler turns into vector code.
void addScaled(double *sum, const float *row, int n, double weight)
{
    const int kBlock = 8;
    int x = 0;
    for (; x + kBlock <= n; x += kBlock)
        for (int k = 0; k < kBlock; k++) sum[x + k] += weight * row[x + k];
    for (; x < n; x++) sum[x] += weight * row[x];
}

Profile columnProfile(const CoarseImage &c, double t, int rowStep)
{
    Profile p;
    double yc = 0.5 * c.h;
    p.offset = int(std::ceil(std::fabs(t) * yc)) + 2;
    p.v.assign(c.w + 2 * p.offset + 2, 0.0);
    std::vector<double> starts(p.v.size() + 1, 0.0);
    for (int y = 0; y < c.h; y += rowStep) {
        // The whole row moves by one shift: split between two bins.
        double shift = p.offset - (y - yc) * t;
        int i = int(std::floor(shift));
        double fr = shift - i, keep = 1.0 - fr;
        const float *row = &c.d[size_t(y) * c.w];
        addScaled(&p.v[i], row, c.w, keep);
        addScaled(&p.v[i + 1], row, c.w, fr);
        int first = int(std::ceil(shift)), last = int(std::floor(shift + c.w - 1));
        starts[first] += 1, starts[last + 1] -= 1;
    }
    std::vector<double> counts(p.v.size());
    double running = 0;
    for (size_t i = 0; i < counts.size(); i++) counts[i] = running += starts[i];
    normalise(p.v, counts);
    return p;
}

double sharpness(const Profile &p)
{
    double s = 0;
    for (size_t i = 1; i < p.v.size(); i++) s += (p.v[i] - p.v[i - 1]) * (p.v[i] - p.v[i - 1]);
    return s;
}

// The shear that makes the near-vertical lines sharpest: a coarse sweep,
// then a fine one around its best, then a parabola through the top three.
double findShear(const CoarseImage &c)
{
    double best = 0, bestScore = -1;
    double coarseStep = 2.0 / c.h;
    for (double t = -kMaxTurn; t <= kMaxTurn; t += coarseStep) {
        double s = sharpness(columnProfile(c, t, 8));
        if (s > bestScore) bestScore = s, best = t;
    }
    double fine = 0.25 / c.h;
    std::vector<double> scores;
    double from = best - 8 * fine;
    for (int k = 0; k <= 16; k++) scores.push_back(sharpness(columnProfile(c, from + k * fine, 4)));
    int k = int(std::max_element(scores.begin(), scores.end()) - scores.begin());
    double t = from + k * fine;
    if (k > 0 && k < 16) {
        double a = scores[k - 1], b = scores[k], d = scores[k + 1];
        double den = a - 2 * b + d;
        if (den < 0) t += 0.5 * fine * (a - d) / den;
    }
    return t;
}

// Lines narrower than about 2 radius bins: the value less the mean of the
// lowest values on either side.
std::vector<double> topHat(const std::vector<double> &v, int radius)
{
    int n = int(v.size());
    std::vector<double> out(n, 0.0);
    for (int i = radius; i + radius < n; i++) {
        double left = *std::min_element(v.begin() + (i - radius), v.begin() + i);
        double right = *std::min_element(v.begin() + i + 1, v.begin() + i + radius + 1);
        out[i] = std::max(0.0, v[i] - 0.5 * (left + right));
    }
    return out;
}

double peakNear(const std::vector<double> &v, double pos)
{
    int i = int(std::floor(pos));
    if (i < 0 || i + 1 >= int(v.size())) return 0.0;
    return std::max(v[i], v[i + 1]);
}

struct Across {
    double left, scale, score;  // profile position of the left outline, bins per mm
};

// The two fields across the sheared columns: column c (not bin) of each
// outline.
struct FieldColumns {
    double outline[4];  // field 0 left and right, field 1 left and right
    double scale;       // bins per mm

    FieldColumns(const Across &a, const Profile &cols, double H, double D) : scale(a.scale)
    {
        double left = a.left - cols.offset;
        const double mm[4] = {0, H, H + D, 2 * H + D};
        for (int k = 0; k < 4; k++) outline[k] = left + a.scale * mm[k];
    }
};

// The four outline edges of the two fields across the time axis: each is a
// line, no line lies inside the gap between the fields.
Across matchOutlines(const std::vector<double> &lines, double H, double D, double sLo, double sHi)
{
    Across best{0, 0, -1e9};
    int n = int(lines.size());
    double step = 0.25 / (2 * H + D);
    for (double s = sLo; s <= sHi; s += step) {
        double span = s * (2 * H + D);
        for (int x0 = 1; x0 + span + 1 < n; x0++) {
            double e = std::min({peakNear(lines, x0), peakNear(lines, x0 + s * H), peakNear(lines, x0 + s * (H + D)),
                                 peakNear(lines, x0 + span)});
            if (e <= best.score) continue;
            int g0 = int(x0 + s * (H + 0.2 * D)), g1 = int(x0 + s * (H + 0.8 * D));
            double gap = g1 > g0 ? *std::max_element(lines.begin() + g0, lines.begin() + g1) : 0.0;
            double score = e - 0.5 * gap;
            if (score > best.score) best = Across{double(x0), s, score};
        }
    }
    return best;
}

// Profile of the rows across the time axis, perpendicular to the sheared
// columns, over the field columns only; bin i holds r = i - offset.
Profile rowProfile(const CoarseImage &c, double t, const FieldColumns &fc)
{
    Profile p;
    double xc = 0.5 * c.w, yc = 0.5 * c.h;
    p.offset = int(std::ceil(std::fabs(t) * xc)) + 2;
    p.v.assign(c.h + 2 * p.offset + 2, 0.0);
    std::vector<double> counts(p.v.size(), 0.0);
    // Nearest bins: the fit at full resolution refines the ends.
    for (int y = 0; y < c.h; y++) {
        double shear = (y - yc) * t;
        for (int field = 0; field < 2; field++) {
            const double *edges = fc.outline + 2 * field;
            int x0 = std::max(0, int(std::ceil(edges[0] + fc.scale + shear)));
            int x1 = std::min(c.w - 1, int(std::floor(edges[1] - fc.scale + shear)));
            for (int x = x0; x <= x1; x++) {
                int r = int(std::lround(p.offset + y + (x - xc) * t));
                p.v[r] += c.at(x, y);
                counts[r] += 1.0;
            }
        }
    }
    normalise(p.v, counts);
    return p;
}

struct Along {
    double bottom, top, score;  // profile positions of the field ends
    bool haveBottom, haveTop;   // false for an end cut off the scan
};

// The two straight ends of the fields, one field length apart (the paper may
// have shrunk or stretched a little).
Along matchEnds(const std::vector<double> &lines, double lengthBins)
{
    Along best{0, 0, -1e9, true, true};
    int n = int(lines.size());
    int lo = int(lengthBins * 0.985), hi = int(std::ceil(lengthBins * 1.015));
    for (int b = lo; b < n; b++) {
        if (lines[b] <= best.score) continue;
        int top = -1;
        for (int t = std::max(0, b - hi); t <= b - lo; t++)
            if (top < 0 || lines[t] > lines[top]) top = t;
        if (top < 0) continue;
        double score = std::min(lines[b], lines[top]);
        if (score > best.score) best = Along{double(b), double(top), score, true, true};
    }
    return best;
}

// How much darker the two outer outlines are than the paper just outside
// them over the profile rows [from, to): high where the field is.
double outlineContrast(const CoarseImage &c, double t, const FieldColumns &fc, int from, int to)
{
    double xc = 0.5 * c.w, yc = 0.5 * c.h;
    std::vector<double> contrast;
    double left = fc.outline[0], right = fc.outline[3], away = 1.5 * fc.scale;
    for (int r = std::max(0, from); r < std::min(c.h, to); r++)
        for (double col : {left, right}) {
            double y = r - (col - xc) * t;
            auto at = [&](double cc) {
                int x = int(std::lround(cc + (y - yc) * t)), yi = int(std::lround(y));
                return x >= 0 && yi >= 0 && x < c.w && yi < c.h ? c.at(x, yi) : -1.0f;
            };
            // The coarse match places an outline to within a bin or so.
            float line = std::max({at(col - 1), at(col), at(col + 1)});
            float outside = at(col < right ? col - away : col + away);
            if (line >= 0 && outside >= 0) contrast.push_back(line - outside);
        }
    // The median, as notes written beside the field darken some rows.
    if (contrast.empty()) return 0.0;
    std::nth_element(contrast.begin(), contrast.begin() + contrast.size() / 2, contrast.end());
    return contrast[contrast.size() / 2];
}

// Which side of the profile row line the field lies on, by its outlines:
// +1 above (the line is its bottom end), -1 below (its top end), 0 both or
// neither (a line inside the field or off it).
int fieldSide(const CoarseImage &c, double t, const FieldColumns &fc, const Profile &rows, int line, double lengthBins)
{
    int r = line - rows.offset, band = int(0.05 * lengthBins) + 2;
    double above = outlineContrast(c, t, fc, r - band, r - 2);
    double below = outlineContrast(c, t, fc, r + 2, r + band);
    if (above > kMinGridStrength && above > 2 * std::max(below, 0.0)) return 1;
    if (below > kMinGridStrength && below > 2 * std::max(above, 0.0)) return -1;
    return 0;
}

// The field's ends: the best pair one field length apart when the field
// lies between them; else the strongest line that ends the field on one
// side only, the other end being off the scan.
Along fieldEnds(const CoarseImage &c, double t, const FieldColumns &fc, const Profile &rows, double lengthBins,
                int radius)
{
    std::vector<double> lines = topHat(rows.v, radius);
    Along pair = matchEnds(lines, lengthBins);
    auto side = [&](double line) { return fieldSide(c, t, fc, rows, int(std::lround(line)), lengthBins); };
    if (side(pair.bottom) == 1 && side(pair.top) == -1) return pair;
    std::vector<int> peaks;
    for (int i = 1; i + 1 < int(lines.size()); i++)
        if (lines[i] > 0 && lines[i] >= lines[i - 1] && lines[i] > lines[i + 1]) peaks.push_back(i);
    std::sort(peaks.begin(), peaks.end(), [&](int x, int y) { return lines[x] > lines[y]; });
    for (size_t k = 0; k < peaks.size() && k < 8; k++) {
        int line = peaks[k], s = side(line);
        if (s == 1) return Along{double(line), line - lengthBins, lines[line], true, false};
        if (s == -1) return Along{line + lengthBins, double(line), lines[line], false, true};
    }
    return pair;
}

// A line p = a + b q in scan pixels, q running along it.
struct Line {
    double a, b;
    double at(double q) const { return a + b * q; }
};

struct LineFit {
    Line line;
    double rms;       // of the inliers, pixels
    double share;     // inliers / samples the line should have given
    bool found;
};

struct Sample {
    double q, p;
};

Line leastSquares(const std::vector<Sample> &s, const std::vector<bool> &use)
{
    double n = 0, sq = 0, sp = 0, sqq = 0, sqp = 0;
    for (size_t i = 0; i < s.size(); i++)
        if (use[i]) n++, sq += s[i].q, sp += s[i].p, sqq += s[i].q * s[i].q, sqp += s[i].q * s[i].p;
    double den = n * sqq - sq * sq;
    if (n < 2 || den == 0) return Line{n > 0 ? sp / n : 0.0, 0.0};
    double b = (n * sqp - sq * sp) / den;
    return Line{(sp - b * sq) / n, b};
}

// Least squares that drops samples far off the line: crossings, ink,
// handwriting.
LineFit robustFit(const std::vector<Sample> &s, int expected)
{
    LineFit fit{{0, 0}, 0, 0, false};
    std::vector<bool> use(s.size(), true);
    std::vector<double> res(s.size());
    for (int pass = 0; pass < 4 && s.size() >= 2; pass++) {
        fit.line = leastSquares(s, use);
        for (size_t i = 0; i < s.size(); i++) res[i] = std::fabs(s[i].p - fit.line.at(s[i].q));
        std::vector<double> sorted(res);
        std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
        double limit = std::max(3.0 * 1.4826 * sorted[sorted.size() / 2], 0.3);
        for (size_t i = 0; i < s.size(); i++) use[i] = res[i] <= limit;
    }
    double sum = 0;
    int n = 0;
    for (size_t i = 0; i < s.size(); i++)
        if (use[i]) sum += res[i] * res[i], n++;
    fit.rms = n ? std::sqrt(sum / n) : 0.0;
    fit.share = expected > 0 ? double(n) / expected : 0.0;
    fit.found = fit.share >= kMinInlierShare && n >= 8;
    return fit;
}

// Sub-pixel centre of a line crossing a profile of darkness values: the
// centroid above the local floor around the darkest point, taken twice so
// that the window ends up centred on the line.
bool lineCentre(const std::vector<double> &d, int half, double &centre)
{
    int n = int(d.size());
    int peak = 1;
    for (int i = 1; i + 1 < n; i++)
        if (d[i - 1] + d[i] + d[i + 1] > d[peak - 1] + d[peak] + d[peak + 1]) peak = i;
    double c = peak;
    for (int pass = 0; pass < 2; pass++) {
        int m = int(std::lround(c));
        int lo = m - half - 2, hi = m + half + 2;
        if (lo < 0 || hi >= n) return false;
        double floor = std::min({d[lo], d[lo + 1], d[hi - 1], d[hi]});
        if (d[m] - floor < kMinLineContrast) return false;
        double sw = 0, swx = 0;
        for (int i = m - half; i <= m + half; i++) {
            double w = std::max(0.0, d[i] - floor);
            sw += w, swx += w * i;
        }
        if (sw <= 0) return false;
        c = swx / sw;
    }
    centre = c;
    return true;
}

struct Geometry {
    const ScanRaster &scan;
    double ppmm;  // scan pixels per mm
};

// Samples a line whose prediction is p = line.at(q) for q in the given
// stretches. upright: p is x and q is y; else p is y and q is x.
LineFit refineLine(const Geometry &g, Line guess, bool upright, const std::vector<std::pair<double, double>> &stretches)
{
    int half = int(std::ceil(kOutlineHalfMM * g.ppmm + 0.5));
    int window = half + 3 + int(std::ceil(0.5 * g.ppmm));
    double step = std::max(1.0, kSampleStepMM * g.ppmm);
    std::vector<Sample> samples;
    std::vector<double> d(2 * window + 1);
    int expected = 0;
    for (const auto &st : stretches)
        for (double q = st.first; q <= st.second; q += step) {
            int qi = int(std::lround(q));
            int p0 = int(std::lround(guess.at(qi))) - window;
            bool inside = true;
            for (int k = 0; k <= 2 * window && inside; k++) {
                int x = upright ? p0 + k : qi, y = upright ? qi : p0 + k;
                inside = g.scan.contains(x, y);
                if (inside) d[k] = g.scan.darkness(x, y);
            }
            // Only what the scan shows counts: a line running off it is
            // judged by its part on it.
            if (!inside) continue;
            expected++;
            double c;
            if (lineCentre(d, half, c)) samples.push_back(Sample{double(qi), p0 + c});
        }
    return robustFit(samples, expected);
}

Vec2 intersect(const Line &upright, const Line &across)
{
    double x = (upright.a + upright.b * across.a) / (1 - upright.b * across.b);
    return Vec2{x, across.at(x)};
}

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

double lineQuality(const LineFit &f, double ppmm)
{
    double tolerance = std::max(0.5, 0.05 * ppmm);
    return clamp01(f.share / 0.7) * clamp01(2.0 - f.rms / tolerance);
}

struct CoarseFind {
    double t;       // shear of the upright lines
    Line left, right, bottom, top;  // full-resolution guesses
    bool haveBottom, haveTop;       // ends on the scan
    double ppmm;
    double score;   // weakest outline's line strength, grey levels
};

// Converts coarse profile positions to scan-pixel lines.
Line uprightLine(const CoarseImage &c, double t, double col)
{
    double h = 0.5 * (c.f - 1), yc = 0.5 * c.h;
    return Line{c.f * col + h - (h + c.f * yc) * t, t};
}

Line acrossLine(const CoarseImage &c, double t, double row)
{
    double h = 0.5 * (c.f - 1), xc = 0.5 * c.w;
    return Line{c.f * row + h + (h + c.f * xc) * t, -t};
}

bool coarseFind(const Params &params, const ScanRaster &scan, CoarseFind &out)
{
    const double W = params.srcFieldWidthMM, H = params.srcFieldHeightMM, D = params.srcFieldDistMM;
    if (!(W > 0 && H > 0 && D >= 0)) return false;
    // The fields span the scan's width; their length may run off it.
    double sMax = scan.width() / (2 * H + D);
    int f = std::max(1, int(sMax / kCoarsePixelsPerMM));
    CoarseImage c = makeCoarse(scan, f);
    if (c.w < 32 || c.h < 32) return false;
    double t = findShear(c);
    Profile cols = columnProfile(c, t, 1);
    double sc = sMax / f;
    int radius = std::max(2, int(std::lround(sc)));
    Across across = matchOutlines(topHat(cols.v, radius), H, D, 0.45 * sc, 1.02 * sc);
    if (across.scale <= 0) return false;
    FieldColumns fc(across, cols, H, D);
    Profile rows = rowProfile(c, t, fc);
    Along along = fieldEnds(c, t, fc, rows, across.scale * W, radius);
    out.t = t;
    out.left = uprightLine(c, t, fc.outline[0]);
    out.right = uprightLine(c, t, fc.outline[3]);
    out.bottom = acrossLine(c, t, along.bottom - rows.offset);
    out.top = acrossLine(c, t, along.top - rows.offset);
    out.haveBottom = along.haveBottom;
    out.haveTop = along.haveTop;
    out.ppmm = across.scale * f;
    out.score = std::min(across.score, along.score);
    return true;
}

typedef std::vector<std::pair<double, double>> Stretches;

// The field's outer edges fitted at full resolution, each sampled clear of
// the lines it crosses.
struct Edges {
    LineFit left, right, bottom, top;
};

Edges refineEdges(const Params &params, const Geometry &g, const CoarseFind &cf)
{
    const double H = params.srcFieldHeightMM, D = params.srcFieldDistMM;
    double clear = kCrossingClearMM * g.ppmm;
    Vec2 bl = intersect(cf.left, cf.bottom), tl = intersect(cf.left, cf.top);
    Vec2 br = intersect(cf.right, cf.bottom), tr = intersect(cf.right, cf.top);
    Edges e;
    e.left = refineLine(g, cf.left, true, Stretches{{tl.y + clear, bl.y - clear}});
    e.right = refineLine(g, cf.right, true, Stretches{{tr.y + clear, br.y - clear}});
    // Across the time axis the ends cross the inner outlines of both fields.
    double fieldPx = (br.x - bl.x) * H / (2 * H + D), gapPx = (br.x - bl.x) * D / (2 * H + D);
    auto across = [&](double x0) {
        return Stretches{{x0 + clear, x0 + fieldPx - clear}, {x0 + fieldPx + gapPx + clear, x0 + 2 * fieldPx + gapPx - clear}};
    };
    e.bottom = refineLine(g, cf.bottom, false, cf.haveBottom ? across(bl.x) : Stretches());
    e.top = refineLine(g, cf.top, false, cf.haveTop ? across(tl.x) : Stretches());
    return e;
}


// Square pixels and a right angle at BottomLeft: a found grid keeps the
// printed proportions.
double shapeAgreement(const Params &params, const Vec2 p[3])
{
    Vec2 across{p[2].x - p[1].x, p[2].y - p[1].y};
    double acrossLen = std::hypot(across.x, across.y);
    double scaleAcross = acrossLen / (2 * params.srcFieldHeightMM + params.srcFieldDistMM);
    Vec2 along{p[0].x - p[1].x, p[0].y - p[1].y};
    double alongLen = std::hypot(along.x, along.y);
    double ratio = alongLen / params.srcFieldWidthMM / scaleAcross;
    double skewDeg = std::fabs(std::asin((along.x * across.x + along.y * across.y) / (alongLen * acrossLen))) * 180 / M_PI;
    return clamp01(1.0 - (std::fabs(ratio - 1.0) - 0.015) / 0.03) * clamp01(1.0 - (skewDeg - 0.3) / 0.7);
}

void judgeCorners(const Params &params, const ScanRaster &scan, const Edges &e, double ppmm, CornerSearch &out)
{
    const LineFit *lines[3][2] = {{&e.left, &e.top}, {&e.left, &e.bottom}, {&e.right, &e.bottom}};
    Vec2 p[3];
    for (int i = 0; i < 3; i++) {
        const LineFit &up = *lines[i][0], &ac = *lines[i][1];
        p[i] = intersect(up.line, ac.line);
        out.points[i] = PassPoint{0, p[i].x, p[i].y};
        out.confidence[i] = std::min(lineQuality(up, ppmm), lineQuality(ac, ppmm));
        if (!up.found || !ac.found) {
            out.points[i] = PassPoint{0, 0, 0};
            out.confidence[i] = 0;
            appendReason(out.reason, std::string(kCornerNames[i]) + ": a field edge was not found");
        } else if (!scan.containsPoint(p[i])) {
            out.confidence[i] = 0;
            appendReason(out.reason, std::string(kCornerNames[i]) + " lies outside the scan");
        }
    }
    // The proportions can be checked only with all three corners.
    bool all = out.confidence[0] > 0 && out.confidence[1] > 0 && out.confidence[2] > 0;
    double shape = all ? shapeAgreement(params, p) : 1.0;
    for (int i = 0; i < 3; i++) {
        out.confidence[i] *= shape;
        if (out.confidence[i] > 0 && out.confidence[i] < kMinCornerConfidence)
            appendReason(out.reason, std::string(kCornerNames[i]) + " is uncertain");
        out.points[i].set = out.confidence[i] >= kMinCornerConfidence;
    }
    if (shape < 1.0) appendReason(out.reason, "the found grid does not keep the printed proportions");
}

}  // namespace

CornerSearch findFieldCorners(const Params &params, const GdkPixbuf *scan)
{
    CornerSearch out{{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {0, 0, 0}, 0, 0, ""};
    ScanRaster raster(scan);
    CoarseFind cf{};
    if (!raster.usable() || !coarseFind(params, raster, cf) || cf.score < kMinGridStrength) {
        out.reason = "no printed field grid found";
        return out;
    }
    out.angleDeg = -std::atan(cf.t) * 180.0 / M_PI;
    out.pixelsPerMM = cf.ppmm;
    Geometry g{raster, cf.ppmm};
    judgeCorners(params, raster, refineEdges(params, g, cf), cf.ppmm, out);
    const PassPoint *p = out.points;
    if (out.confidence[1] > 0 && out.confidence[2] > 0)
        out.pixelsPerMM = std::hypot(p[2].x - p[1].x, p[2].y - p[1].y) /
                          (2 * params.srcFieldHeightMM + params.srcFieldDistMM);
    return out;
}
