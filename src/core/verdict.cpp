// SPDX-License-Identifier: GPL-3.0-or-later
#include "verdict.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "bytehistogram.h"
#include "inksearch.h"
#include "pixel.h"

// The rule: a scan fails when a field has no usable table or no trace line to
// speak of; it is suspect when any evidence shows that its tables may be off
// by more than a degree or a few percent; otherwise it is ok.
namespace {

const double kBesideMM = 10.0;          // how far beside the window other ink competes
const double kLineRowShare = 0.25;      // share of columns with ink that marks a printed line row
const double kFilledMM = 6.0;           // window ink beyond this is no pen line
const double kFilledShare = 0.3;        // of the columns: no trace line at all
const double kFilledLineRows = 0.5;     // share of rows that are all ink: no chart at all
const double kFailedKnotShare = 0.5;
const double kSuspectKnotShare = 0.9;
const double kSuspectGapHours = 3.0;
const double kFailedGapHours = 24.0;
const double kBesideHours = 12.0;       // a second line, not a note
const int kBesideGapColumns = 4;        // breaks a competing line may have
const double kFlagGapMinutes = 30.0;    // rows bridged over a longer stretch are flagged
const double kBesideStretchMinutes = 60.0;  // other ink beside the path so long is shown
const double kMarkSlackHours = 1.0;     // marks this far off the ink are wrong
const double kBeyondMarkHours = 2.0;    // ink running on so long past a mark
const double kBeyondMarkShare = 0.9;
const double kScaleLineSlackMM = 0.5;   // printed lines further off mean misplaced pass points
const double kScaleSearchMM = 4.0;      // offsets of the printed lines tried either way
const int kScaleBands = 16;             // stretches along the field measured apart: a tilted grid stays sharp in each
const int kScaleSampleColumns = 48;     // columns of a band whose darkness is read
const int kScaleSampleStep = 4;         // columns between the samples of a row's darkness
const double kMinLineContrast = 25.0;   // darkness a printed line shows over the paper beside it
const double kLineIntervals[] = {10, 15, 20, 30, 60, 120, 180, 240, 360, 480, 720, 1440};   // minutes
const double kLineIntervalSlack = 0.07;   // time lines further off a round interval mean a wrong date
const int kMinTimeLines = 8;            // evenly spaced lines that make a grid
const double kEvenSpacing = 0.15;       // lines of a grid lie so evenly
const double kEvenShare = 0.7;          // of the spacings
const int kTimeSampleStep = 8;          // rows between the samples of a column's darkness
const double kFollowMM = 0.5;           // a line beyond a mark is followed this far from row to row
const double kKnotJitterRows = 2.0;     // knots of a clean line move so much from column to column
const double kMaxRate[2] = {15.0, 50.0};     // fastest the instruments move, per hour
const double kScale[2][2] = {{-35.0, 45.0}, {0.0, 100.0}};
const char *const kFieldName[2] = {"temperature", "humidity"};

struct Judgement {
    std::vector<std::string> failed, suspect;

    void fail(const std::string &why) { failed.push_back(why); }
    void doubt(const std::string &why) { suspect.push_back(why); }
};

std::string format(const char *fmt, const char *name, double a, double b = 0.0)
{
    char text[160];
    std::snprintf(text, sizeof text, fmt, name, a, b);
    return text;
}

double hoursOf(const FieldEvidence &f, double columns) { return columns * f.minutesPerColumn / 60.0; }

// Knots within the marks, in order.
std::vector<size_t> markedKnots(const FieldEvidence &f)
{
    std::vector<size_t> k;
    for (size_t i = 0; i < f.knotPos.size() && i < f.knotVal.size(); ++i)
        if (f.knotPos[i] >= f.markStart && f.knotPos[i] <= f.markEnd)
            k.push_back(i);
    return k;
}

// Longest run of columns without a knot within the marks, ends included.
double longestGapColumns(const FieldEvidence &f, const std::vector<size_t> &knots)
{
    if (knots.empty())
        return f.markEnd - f.markStart + 1;
    int longest = std::max(f.knotPos[knots.front()] - f.markStart, f.markEnd - f.knotPos[knots.back()]);
    for (size_t i = 1; i < knots.size(); ++i)
        longest = std::max(longest, f.knotPos[knots[i]] - f.knotPos[knots[i - 1]] - 1);
    return longest;
}

// Rows of the field image per scale unit, from the table's curve positions.
double rowsPerUnit(const FieldEvidence &f)
{
    std::vector<double> ratios;
    for (size_t i = 1; i < f.rows.size(); ++i) {
        const double dv = f.rows[i].value - f.rows[i - 1].value;
        if (std::fabs(dv) > 0.2)
            ratios.push_back(std::fabs((f.rows[i].y - f.rows[i - 1].y) / dv));
    }
    if (ratios.empty())
        return 0.0;
    std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
    return ratios[ratios.size() / 2];
}

// How fast the knots i and j (neighbours, a few columns apart at most) move
// beyond their jitter, in scale units per hour; 0 when not known.
double knotRate(const FieldEvidence &f, size_t i, size_t j, double perUnit)
{
    const int dx = f.knotPos[j] - f.knotPos[i];
    if (perUnit <= 0.0 || f.minutesPerColumn <= 0.0 || dx > kBesideGapColumns)
        return 0.0;
    const double moved = std::max(0.0, std::fabs(f.knotVal[j] - f.knotVal[i]) - kKnotJitterRows);
    return moved / perUnit / hoursOf(f, dx);
}

double fastestRate(const FieldEvidence &f, const std::vector<size_t> &knots)
{
    const double perUnit = rowsPerUnit(f);
    double fastest = 0.0;
    for (size_t i = 1; i < knots.size(); ++i)
        fastest = std::max(fastest, knotRate(f, knots[i - 1], knots[i], perUnit));
    return fastest;
}

// Stretches of marked columns with other ink beside the window, over breaks
// of a few columns.
std::vector<ColumnStretch> besideStretches(const FieldEvidence &f)
{
    std::vector<ColumnStretch> out;
    for (int x = f.markStart; x <= f.markEnd && x < (int)f.ink.size(); ++x) {
        if (f.ink[x].beside <= 0)
            continue;
        if (out.empty() || x - out.back().last > kBesideGapColumns + 1)
            out.push_back({x, x});
        out.back().last = x;
    }
    return out;
}

int longestColumns(const std::vector<ColumnStretch> &stretches)
{
    int longest = 0;
    for (const ColumnStretch &s : stretches)
        longest = std::max(longest, s.last - s.first + 1);
    return longest;
}

double shareOfColumns(const FieldEvidence &f, int x0, int x1, bool (*holds)(const FieldEvidence &, const ColumnInk &))
{
    x0 = std::max(x0, 0);
    x1 = std::min(x1, (int)f.ink.size() - 1);
    if (x0 > x1)
        return 0.0;
    int n = 0;
    for (int x = x0; x <= x1; ++x)
        n += holds(f, f.ink[x]);
    return double(n) / (x1 - x0 + 1);
}

bool filled(const FieldEvidence &f, const ColumnInk &c) { return c.inWindow > kFilledMM * f.pixelsPerMM; }
bool windowInk(const FieldEvidence &, const ColumnInk &c) { return c.inWindow > 0; }

// The marks against the ink: the trace should start and end at them.
void judgeMarks(const FieldEvidence &f, const char *name, Judgement &j)
{
    const int slack = (int)std::ceil(kMarkSlackHours * 60.0 / f.minutesPerColumn);
    const int beyond = (int)std::ceil(kBeyondMarkHours * 60.0 / f.minutesPerColumn);
    if (shareOfColumns(f, f.markStart, f.markStart + slack, windowInk) == 0.0)
        j.doubt(format("%s: no ink within %.0f h after the start mark", name, kMarkSlackHours));
    if (shareOfColumns(f, f.markEnd - slack, f.markEnd, windowInk) == 0.0)
        j.doubt(format("%s: no ink within %.0f h before the end mark", name, kMarkSlackHours));
    if (f.runOnBefore >= kBeyondMarkShare * beyond)
        j.doubt(format("%s: the trace runs on %.0f h before the start mark", name, kBeyondMarkHours));
    if (f.runOnAfter >= kBeyondMarkShare * beyond)
        j.doubt(format("%s: the trace runs on %.0f h past the end mark", name, kBeyondMarkHours));
}

// Whether printed time lines this many minutes apart lie as a chart prints them.
bool roundInterval(double minutes)
{
    for (double m : kLineIntervals)
        if (std::fabs(minutes / m - 1.0) <= kLineIntervalSlack)
            return true;
    return false;
}

void judgeValues(const FieldEvidence &f, const char *name, Judgement &j)
{
    if (std::fabs(f.scaleLineOffsetMM) > kScaleLineSlackMM)
        j.doubt(format("%s: printed scale lines lie %.1f mm off their places; pass points?", name,
                       std::fabs(f.scaleLineOffsetMM)));
    int beyond = 0;
    for (const TableRow &r : f.rows)
        beyond += r.value < kScale[f.field][0] || r.value > kScale[f.field][1];
    if (beyond > 0)
        j.doubt(format("%s: %.0f rows beyond the scale", name, beyond));
    if (f.speed.warn)
        j.doubt(format("%s: paper speed %.2f mm/h, expected %.2f", name, f.speed.mmPerHour,
                       f.speed.srcMMPerHour));
    const double lineMinutes = f.timeLineColumns * f.minutesPerColumn;
    if (f.speed.srcMMPerHour <= 0.0 && lineMinutes > 0.0 && !roundInterval(lineMinutes))
        j.doubt(format("%s: printed time lines every %.0f min by the marks' dates; a date or mark off?",
                       name, lineMinutes));
}

void flagBridgedRows(const FieldEvidence &f, const std::vector<size_t> &knots,
                     std::vector<FlaggedRow> &flagged)
{
    size_t k = 0;
    for (size_t i = 0; i < f.rows.size(); ++i) {
        const int x = f.rows[i].x;
        while (k < knots.size() && f.knotPos[knots[k]] < x)
            ++k;
        const int before = k > 0 ? f.knotPos[knots[k - 1]] : f.markStart - 1;
        const int after = k < knots.size() ? f.knotPos[knots[k]] : f.markEnd + 1;
        if (k < knots.size() && f.knotPos[knots[k]] == x)
            continue;
        const double minutes = (after - before - 1) * f.minutesPerColumn;
        if (minutes >= kFlagGapMinutes)
            flagged.push_back({f.field, (int)i, minutes / 60.0});
    }
}

void judgeField(const FieldEvidence &f, ScanVerdict &v, Judgement &j)
{
    if (f.field != 0 && f.field != 1) {
        j.fail("a field that is neither temperature nor humidity");
        return;
    }
    const char *name = kFieldName[f.field];
    FieldFigures &fig = v.figures[f.field];
    if (!f.tableMade || f.markStart < 0 || f.markEnd <= f.markStart || f.minutesPerColumn <= 0.0) {
        j.fail(format("%s: no table", name, 0));
        return;
    }
    const std::vector<size_t> knots = markedKnots(f);
    const int columns = f.markEnd - f.markStart + 1;
    fig.knotShare = double(knots.size()) / columns;
    fig.longestGapHours = hoursOf(f, longestGapColumns(f, knots));
    fig.besideHours = hoursOf(f, longestColumns(besideStretches(f)));
    fig.fastestRate = fastestRate(f, knots);
    flagBridgedRows(f, knots, v.flagged);

    if (fig.knotShare < kFailedKnotShare)
        j.fail(format("%s: trace found in only %.0f %% of the time", name, 100.0 * fig.knotShare));
    else if (fig.knotShare < kSuspectKnotShare)
        j.doubt(format("%s: trace found in only %.0f %% of the time", name, 100.0 * fig.knotShare));
    if (shareOfColumns(f, f.markStart, f.markEnd, filled) > kFilledShare ||
        f.lineRowShare > kFilledLineRows)
        j.fail(format("%s: ink fills the field, no trace line", name, 0));
    if (fig.longestGapHours > kFailedGapHours)
        j.fail(format("%s: no ink for %.1f h", name, fig.longestGapHours));
    else if (fig.longestGapHours > kSuspectGapHours)
        j.doubt(format("%s: no ink for %.1f h", name, fig.longestGapHours));
    if (fig.fastestRate > kMaxRate[f.field])
        j.doubt(format("%s: jumps of %.0f per hour, faster than the instrument moves", name,
                       fig.fastestRate));
    if (fig.besideHours >= kBesideHours)
        j.doubt(format("%s: other ink runs beside the trace for %.0f h", name, fig.besideHours));
    judgeMarks(f, name, j);
    judgeValues(f, name, j);
}

// In column order, those that overlap or touch made one.
std::vector<ColumnStretch> mergedStretches(std::vector<ColumnStretch> stretches)
{
    std::sort(stretches.begin(), stretches.end(),
              [](const ColumnStretch &a, const ColumnStretch &b) { return a.first < b.first; });
    std::vector<ColumnStretch> out;
    for (const ColumnStretch &s : stretches)
        if (!out.empty() && s.first <= out.back().last + 1)
            out.back().last = std::max(out.back().last, s.last);
        else
            out.push_back(s);
    return out;
}

}  // namespace

std::vector<ColumnStretch> suspectStretches(const FieldEvidence &e)
{
    std::vector<ColumnStretch> out;
    if (e.minutesPerColumn <= 0.0 || e.markEnd <= e.markStart)
        return out;
    const int gapColumns = (int)std::ceil(kFlagGapMinutes / e.minutesPerColumn);
    const int besideColumns = (int)std::ceil(kBesideStretchMinutes / e.minutesPerColumn);
    const std::vector<size_t> knots = markedKnots(e);
    const double perUnit = rowsPerUnit(e);
    int previous = e.markStart - 1;
    auto gapTo = [&](int next) {
        if (next - previous - 1 >= gapColumns)
            out.push_back({previous + 1, next - 1});
        previous = next;
    };
    for (size_t k : knots)
        gapTo(e.knotPos[k]);
    gapTo(e.markEnd + 1);
    for (size_t i = 1; i < knots.size(); ++i)
        if (knotRate(e, knots[i - 1], knots[i], perUnit) > kMaxRate[e.field])
            out.push_back({e.knotPos[knots[i - 1]], e.knotPos[knots[i]]});
    for (const ColumnStretch &b : besideStretches(e))
        if (b.last - b.first + 1 >= besideColumns)
            out.push_back(b);
    return mergedStretches(out);
}

namespace {

// Columns over which a line goes on from column x0 in direction dir (-1, 1),
// starting at row `row` and following the nearest ink within `reach` rows,
// a break of kBesideGapColumns at most; up to `limit` columns.
int lineRunsOn(const EvenRowInk &found, int x0, int dir, double row, int reach, int limit)
{
    const int lo = std::max(0, std::min(x0 + dir, x0 + dir * limit));
    const int hi = std::min(found.width - 1, std::max(x0 + dir, x0 + dir * limit));
    if (lo > hi)
        return 0;
    std::vector<std::vector<int>> rows(hi - lo + 1);   // ink rows per column of the stretch
    found.forEachIn(lo, hi, [&](int x, int y) { rows[x - lo].push_back(y); });
    int followed = 0, missed = 0;
    for (int k = 1; k <= limit && missed <= kBesideGapColumns; ++k) {
        const int x = x0 + dir * k;
        if (x < lo || x > hi)
            break;
        double sum = 0.0;
        int n = 0;
        for (int y : rows[x - lo])
            if (std::fabs(y - row) <= reach)
                sum += y, ++n;
        if (n == 0) {
            ++missed;
            continue;
        }
        row = sum / n;
        missed = 0;
        followed = k;
    }
    return followed;
}

double windowCentre(const SpanArray *windows, int x)
{
    return 0.5 * (windows->getBot(x) + windows->getTop(x));
}

bool windowSet(const SpanArray *windows, int x)
{
    return windows && windows->getBot(x) >= 0 && windows->getTop(x) >= 0;
}

}  // namespace

void measureColumnInk(const EvenRowInk &found, const SpanArray *windows, FieldEvidence &evidence)
{
    std::vector<ColumnInk> &ink = evidence.ink;
    const int w = found.width, h = found.height;
    ink.assign(w, ColumnInk{0, 0, 0});
    evidence.lineRowShare = 0.0;
    if (found.rows() <= 0)
        return;
    const int beside = (int)std::lround(kBesideMM * evidence.pixelsPerMM);
    std::vector<int> lo(w), hi(w);
    for (int x = 0; x < w; ++x)
        searchWindow(windows, x, h, &lo[x], &hi[x]);
    const int lineLimit = (int)std::ceil(kLineRowShare * w);
    int lineRows = 0;
    for (int r = 0; r < found.rows(); ++r) {
        const int y = 2 * r, first = found.rowStart[r], end = found.rowStart[r + 1];
        if (end - first >= lineLimit) {
            ++lineRows;
            continue;
        }
        for (int k = first; k < end; ++k) {
            const int x = found.columns[k];
            ColumnInk &c = ink[x];
            c.total += 2;
            if (y >= lo[x] && y <= hi[x])
                c.inWindow += 2;
            else if (y >= lo[x] - beside && y <= hi[x] + beside)
                c.beside += 2;
        }
    }
    evidence.lineRowShare = double(lineRows) / found.rows();
    evidence.runOnBefore = evidence.runOnAfter = 0;
    if (evidence.minutesPerColumn <= 0.0)
        return;
    const int limit = (int)std::ceil(kBeyondMarkHours * 60.0 / evidence.minutesPerColumn);
    const int reach = (int)std::lround(kFollowMM * evidence.pixelsPerMM);
    if (windowSet(windows, evidence.markStart))
        evidence.runOnBefore = lineRunsOn(found, evidence.markStart, -1, windowCentre(windows, evidence.markStart),
                                          reach, limit);
    if (windowSet(windows, evidence.markEnd))
        evidence.runOnAfter = lineRunsOn(found, evidence.markEnd, 1, windowCentre(windows, evidence.markEnd),
                                         reach, limit);
}

namespace {

// Rows of the bold lines (every 20 C from 30 C) the scale gives.
std::vector<int> boldLineRows(double rowsPerDegree)
{
    std::vector<int> rows;
    for (int t = 30; t >= -30; t -= 20)
        rows.push_back((int)std::lround((45 - t) * rowsPerDegree));
    return rows;
}

// The middle one (index n / 2 in order) of n > 0 byte values, counted from the
// smallest: samples of one row or column lie close together, so the count
// is walked only a short way. counts is all zero before and after.
int middleByte(const guchar *values, int n, int counts[256])
{
    int lowest = 255;
    for (int k = 0; k < n; ++k) {
        ++counts[values[k]];
        lowest = std::min<int>(lowest, values[k]);
    }
    const int middle = kthCountedValue(counts, n / 2, lowest);
    for (int k = 0; k < n; ++k)
        counts[values[k]] = 0;
    return middle;
}

// The median over every kScaleSampleStep-th column of x0..x1 of 255 - green,
// per row within reach of the bold lines: the printed grid shows most in the
// green channel (also of a grid printed in the ink's colour), and the median
// looks past the trace.
std::vector<double> darknessProfile(const GdkPixbuf *image, int x0, int x1, const std::vector<int> &lines,
                                    int reach)
{
    const int h = gdk_pixbuf_get_height(image), stride = gdk_pixbuf_get_rowstride(image);
    const int channels = gdk_pixbuf_get_n_channels(image);
    const guchar *pixels = gdk_pixbuf_read_pixels(image);
    std::vector<double> profile(h, 0.0);
    const int m = (x1 - x0) / kScaleSampleStep + 1;   // samples per row
    std::vector<guchar> d;
    int counts[256] = {0};
    for (int line : lines) {
        // All rows' samples first: reads of many rows then wait on memory at once.
        const int y0 = std::max(0, line - reach), y1 = std::min(h - 1, line + reach);
        d.clear();
        for (int y = y0; y <= y1; ++y) {
            const guchar *row = pixels + (size_t)y * stride;
            for (int x = x0; x <= x1; x += kScaleSampleStep)
                d.push_back(255 - row[x * channels + 1]);
        }
        for (int y = y0; y <= y1; ++y)
            profile[y] = middleByte(d.data() + (size_t)(y - y0) * m, m, counts);
    }
    return profile;
}

// The median over the bold lines of the shift in rows within +-search that
// lays each on its darkest row; lines that do not stand out from the paper
// beside them are left out, and without any the shift is 0. Each line is
// taken alone, as misplaced pass points also stretch the scale.
int boldLineShift(const std::vector<double> &profile, const std::vector<int> &lines, int search)
{
    const int h = (int)profile.size();
    std::vector<int> shifts;
    for (int line : lines) {
        double best = kMinLineContrast;
        int shift = 0;
        bool found = false;
        for (int d = -search; d <= search; ++d) {
            const int y = line + d;
            if (y - 3 < 0 || y + 3 >= h)
                continue;
            const double contrast = profile[y] - 0.5 * (profile[y - 3] + profile[y + 3]);
            if (contrast > best) {
                best = contrast;
                shift = d;
                found = true;
            }
        }
        if (found)
            shifts.push_back(shift);
    }
    if (shifts.empty())
        return 0;
    std::nth_element(shifts.begin(), shifts.begin() + shifts.size() / 2, shifts.end());
    return shifts[shifts.size() / 2];
}

}  // namespace

void measureScaleLines(const GdkPixbuf *image, double fieldHeightMM, FieldEvidence &evidence)
{
    evidence.scaleLineOffsetMM = 0.0;
    if (!image || fieldHeightMM <= 0.0 || evidence.pixelsPerMM <= 0.0)
        return;
    const int w = gdk_pixbuf_get_width(image);
    const std::vector<int> lines = boldLineRows(evidence.pixelsPerMM * fieldHeightMM / 80.0);
    const int search = (int)std::lround(kScaleSearchMM * evidence.pixelsPerMM);
    std::vector<int> shifts;
    for (int b = 0; b < kScaleBands; ++b) {
        // A narrow stretch in the middle of each band: enough columns for the
        // median, little of the image to read.
        const int middle = (2 * b + 1) * w / (2 * kScaleBands);
        const int x0 = std::max(0, middle - kScaleSampleColumns / 2), x1 = std::min(w - 1, middle + kScaleSampleColumns / 2);
        shifts.push_back(boldLineShift(darknessProfile(image, x0, x1, lines, search + 3), lines, search));
    }
    // The offset that a quarter of the stretches reach: a tilted scale is off
    // most at one end, a few stretches under a blot or note count for nothing.
    std::sort(shifts.begin(), shifts.end(), [](int a, int b) { return std::abs(a) > std::abs(b); });
    evidence.scaleLineOffsetMM = shifts[kScaleBands / 4] / evidence.pixelsPerMM;
}

namespace {

// Per column, the median over every kTimeSampleStep-th row of 255 - green: the
// printed grid shows most in the green channel, and the median looks past
// the trace and notes. The samples are read row by row.
std::vector<double> columnDarkness(const GdkPixbuf *image)
{
    const int w = gdk_pixbuf_get_width(image), h = gdk_pixbuf_get_height(image);
    const int stride = gdk_pixbuf_get_rowstride(image), channels = gdk_pixbuf_get_n_channels(image);
    const guchar *pixels = gdk_pixbuf_read_pixels(image);
    const int n = (h + kTimeSampleStep - 1) / kTimeSampleStep;
    const int block = 64;   // columns whose samples are gathered at once: they stay in the cache
    std::vector<guchar> samples((size_t)block * n);   // column-major
    std::vector<double> profile(w, 0.0);
    int counts[256] = {0};
    for (int x0 = 0; x0 < w; x0 += block) {
        const int x1 = std::min(w, x0 + block);
        for (int k = 0; k < n; ++k) {
            const guchar *row = pixels + (size_t)k * kTimeSampleStep * stride + 1;
            for (int x = x0; x < x1; ++x)
                samples[(size_t)(x - x0) * n + k] = 255 - row[x * channels];
        }
        for (int x = x0; x < x1; ++x)
            profile[x] = middleByte(samples.data() + (size_t)(x - x0) * n, n, counts);
    }
    return profile;
}

// Columns darker than the paper a few columns either side, and darkest there.
std::vector<int> lineColumns(const std::vector<double> &profile)
{
    std::vector<int> lines;
    for (int x = 3; x + 3 < (int)profile.size(); ++x)
        if (profile[x] - 0.5 * (profile[x - 3] + profile[x + 3]) > kMinLineContrast &&
            profile[x] > profile[x - 1] && profile[x] >= profile[x + 1])
            lines.push_back(x);
    return lines;
}

}  // namespace

void measureTimeLines(const GdkPixbuf *image, FieldEvidence &evidence)
{
    evidence.timeLineColumns = 0.0;
    if (!image)
        return;
    const std::vector<int> lines = lineColumns(columnDarkness(image));
    if ((int)lines.size() < kMinTimeLines)
        return;
    std::vector<int> gaps;
    for (size_t i = 1; i < lines.size(); ++i)
        gaps.push_back(lines[i] - lines[i - 1]);
    std::vector<int> sorted = gaps;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double typical = sorted[sorted.size() / 2];
    const long even = std::count_if(gaps.begin(), gaps.end(),
                                    [&](int g) { return std::fabs(g / typical - 1.0) <= kEvenSpacing; });
    if (even < kEvenShare * gaps.size())
        return;
    // Over the whole run of lines, a line missed or one extra counts for little.
    const double span = lines.back() - lines.front();
    evidence.timeLineColumns = span / std::max(1.0, std::round(span / typical));
}

ScanVerdict judgeScan(const FieldEvidence fields[2])
{
    ScanVerdict v;
    Judgement j;
    for (int f = 0; f < 2; ++f)
        judgeField(fields[f], v, j);
    v.level = !j.failed.empty()    ? VerdictLevel::Failed
              : !j.suspect.empty() ? VerdictLevel::Suspect
                                   : VerdictLevel::Ok;
    v.reasons = j.failed;
    v.reasons.insert(v.reasons.end(), j.suspect.begin(), j.suspect.end());
    return v;
}

const char *verdictName(VerdictLevel level)
{
    switch (level) {
    case VerdictLevel::Ok:
        return "ok";
    case VerdictLevel::Suspect:
        return "suspect";
    case VerdictLevel::Failed:
        break;
    }
    return "failed";
}

std::string verdictReasons(const ScanVerdict &verdict)
{
    std::string text;
    for (const std::string &r : verdict.reasons)
        text += (text.empty() ? "" : "; ") + r;
    return text;
}
