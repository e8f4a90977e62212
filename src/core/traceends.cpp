// SPDX-License-Identifier: GPL-3.0-or-later
#include "traceends.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "fieldpair.h"
#include "pixel.h"
#include "reasons.h"

namespace {

// How far the pen may move across the time axis from one ink column to the
// next (mm), and how much more per column of a skip (steep weather), and how
// long a stretch without ink a trace may have (mm).
const double kMaxJumpMM = 1.5;
const double kMaxSlope = 2.0;
const double kMaxSkipMM = 6.0;
// Share of a trace's columns that must show ink for sure ends.
const double kSureCoverage = 0.85;
// Trace length, as a share of the field, below which the ends are doubtful.
const double kShortShare = 0.1;
// Both pens' ends further apart than this (mm) are doubtful.
const double kPenAgreementMM = 1.0;
// Taking the darkest pixel of each column, the half level is reached about
// this far (pixels) outside the pen's edge: of the tip's several pixels in
// a column one is always the most covered.
const double kPeakLead = 0.35;

struct Run {
    int top, bottom;
    double distance(double row) const { return std::max({0.0, top - row, row - bottom}); }
    // Where a stroke through row goes on: a blot or a note crossing the
    // trace makes a long run that must not pull the stroke along.
    double follow(double row, double longRun) const
    {
        return bottom - top > longRun ? std::clamp(row, double(top), double(bottom)) : 0.5 * (top + bottom);
    }
};

struct Chain {
    int first, last, columns;
    double firstRow, row;        // where the chain began and where it is now
    double lowest, highest;      // rows it passed
    std::vector<double> widths;  // of its runs, pixels

    void extend(int x, const Run &run, double longRun, double width)
    {
        last = x, row = run.follow(row, longRun), columns++;
        lowest = std::min(lowest, row), highest = std::max(highest, row);
        widths.push_back(width);
    }
};

// Rows of a column skimmed at a time for any pen-level excess: a fixed length
// the compiler turns into vector code, and most of a column is paper.
const int kSkim = 32;

// The first row from y on, in steps of kSkim, whose stretch may hold pen
// ink; else the first of the rows too few for a stretch (the column's
// height when there are none).
int nextInkStretch(const StrokeMap &map, int x, int y)
{
    const uint8_t *column = map.column(x);
    for (; y + kSkim <= map.height(); y += kSkim) {
        uint8_t most = 0;
        for (int k = 0; k < kSkim; k++) most = std::max(most, column[y + k]);
        if (most >= map.penLevel()) return y;
    }
    return y;
}

std::vector<Run> inkRuns(const StrokeMap &map, const RefColor &ref, int x)
{
    std::vector<Run> runs;
    for (int y = 0; y < map.height(); y++) {
        if (y % kSkim == 0) y = nextInkStretch(map, x, y);
        if (y >= map.height()) break;
        bool ink = map.excess(x, y) >= map.penLevel() && isInk(ref, map.pixel(x, y));
        if (!ink) continue;
        if (!runs.empty() && runs.back().bottom == y - 1)
            runs.back().bottom = y;
        else
            runs.push_back(Run{y, y});
    }
    return runs;
}

double runWidth(const StrokeMap &map, int x, const Run &run)
{
    double sum = 0;
    int peak = 1;
    for (int y = run.top; y <= run.bottom; y++) sum += map.excess(x, y), peak = std::max(peak, map.excess(x, y));
    return sum / peak;
}

// The run of a column that goes on from a chain: the nearest within reach.
int nearestRun(const std::vector<Run> &runs, const Chain &c, double reach)
{
    int best = -1;
    for (size_t i = 0; i < runs.size(); i++)
        if (runs[i].distance(c.row) <= reach && (best < 0 || runs[i].distance(c.row) < runs[best].distance(c.row)))
            best = int(i);
    return best;
}

// Follows every stroke from column to column, each chain taking the run
// nearest to it; returns the chain with the most ink columns.
Chain longestChain(const StrokeMap &map, const RefColor &ref, double maxJump, int maxSkip)
{
    std::vector<Chain> open, done;
    for (int x = 0; x < map.width(); x++) {
        std::vector<Run> runs = inkRuns(map, ref, x);
        std::vector<bool> taken(runs.size(), false);
        for (Chain &c : open) {
            int i = nearestRun(runs, c, maxJump + kMaxSlope * (x - c.last));
            if (i < 0) continue;
            c.extend(x, runs[i], maxJump, runWidth(map, x, runs[i]));
            taken[i] = true;
        }
        // Pieces of a stroke already followed here (split where it crosses
        // print) start nothing new.
        for (size_t i = 0; i < runs.size(); i++) {
            bool beside = taken[i];
            for (const Chain &c : open) beside = beside || (c.last == x && runs[i].distance(c.row) <= maxJump);
            if (!beside) {
                double row = runs[i].follow(runs[i].top, maxJump);
                open.push_back(Chain{x, x, 1, row, row, row, row, {runWidth(map, x, runs[i])}});
            }
        }
        auto closed = std::partition(open.begin(), open.end(), [&](const Chain &c) { return x - c.last <= maxSkip; });
        std::move(closed, open.end(), std::back_inserter(done));
        open.erase(closed, open.end());
    }
    std::move(open.begin(), open.end(), std::back_inserter(done));
    // A chain that keeps to one row is a printed value line in the ink's
    // colour, not a trace.
    Chain best{-1, -1, 0, 0, 0, 0, 0, {}};
    for (Chain &c : done)
        if (c.columns > best.columns && c.highest - c.lowest > maxJump) best = std::move(c);
    return best;
}

// The column of the pen's centre where the stroke ends near column edge
// (the outermost column of the ink's colour), going on toward step (+1 or
// -1). The darkest excess of each column around the stroke rises from the
// paper's level outside to the stroke's inside whatever the trace's slope;
// halfway up it crosses the pen's edge, which lies half the pen's width
// before its centre. A stray mark just beyond the end may have lengthened
// the chain, so the rise must last.
double penCentre(const StrokeMap &map, int edge, double row, int step, double penWidth, double perMM)
{
    int rows = int(std::ceil(kMaxJumpMM * perMM)), w = std::max(1, int(std::lround(penWidth)));
    int top = std::max(0, int(row) - rows), bottom = std::min(map.height() - 1, int(row) + rows);
    auto peak = [&](int k) {
        int x = edge + step * k, best = 0;
        if (x >= 0 && x < map.width())
            for (int y = top; y <= bottom; y++) best = std::max(best, map.excess(x, y));
        return double(best);
    };
    auto medianPeak = [&](int from, int to) {
        std::vector<double> m;
        for (int k = from; k <= to; k++) m.push_back(peak(k));
        std::nth_element(m.begin(), m.begin() + m.size() / 2, m.end());
        return m[m.size() / 2];
    };
    double half = 0.5 * (medianPeak(-w - 6, -w - 2) + medianPeak(w, 4 * w));
    // A printed time line under the pen lowers its column's excess, so one
    // of the following columns may fall short.
    auto lasts = [&](int k) { return (peak(k + 1) >= half) + (peak(k + 2) >= half) + (peak(k + 3) >= half) >= 2; };
    for (int k = -w - 1; k <= 6 * w; k++) {
        double before = peak(k - 1), m = peak(k);
        if (m >= half && m > before && lasts(k)) {
            double crossing = k - 1 + (half - before) / (m - before);
            return edge + step * (crossing + kPeakLead + 0.5 * penWidth);
        }
    }
    return edge + step * 0.5 * penWidth;
}

// The pen's width in pixels: the excess of a column's run over its peak is
// the stroke's width across the time axis, least where the trace runs flat.
double penWidth(std::vector<double> widths)
{
    if (widths.empty()) return 0.0;
    std::nth_element(widths.begin(), widths.begin() + widths.size() / 5, widths.end());
    return widths[widths.size() / 5];
}


}  // namespace

TraceEnds findFieldTraceEnds(const Params &params, const StrokeMap &map, const int rgb[3])
{
    TraceEnds out{{-1, -1}, 0.0, ""};
    RefColor ref;
    const guchar colour[3] = {guchar(rgb[0]), guchar(rgb[1]), guchar(rgb[2])};
    makeRefColor(ref, colour);
    double perMM = params.dstPixelsPerMM;
    Chain c = longestChain(map, ref, kMaxJumpMM * perMM, int(kMaxSkipMM * perMM));
    if (c.columns == 0) {
        out.reason = "no trace in the ink colour";
        return out;
    }
    // The marks stand for the pen's centre.
    double width = penWidth(c.widths);
    out.column[0] = int(std::lround(penCentre(map, c.first, c.firstRow, 1, width, perMM)));
    out.column[1] = int(std::lround(penCentre(map, c.last, c.row, -1, width, perMM)));
    double coverage = double(c.columns) / (c.last - c.first + 1);
    out.confidence = std::min(1.0, coverage / kSureCoverage);
    if (coverage < kSureCoverage) appendReason(out.reason, "the trace has long stretches without ink");
    if (c.last - c.first < kShortShare * map.width()) {
        out.confidence *= 0.5;
        appendReason(out.reason, "the trace is short");
    }
    return out;
}

TraceEnds combineTraceEnds(const Params &params, const TraceEnds fields[2])
{
    const TraceEnds &t = fields[0], &h = fields[1];
    if (t.column[0] < 0 || h.column[0] < 0) return t.column[0] < 0 ? h : t;
    TraceEnds out = t;
    out.confidence = std::min(t.confidence, h.confidence);
    if (!h.reason.empty()) appendReason(out.reason, "hygrometer: " + h.reason);
    double apart = std::max(std::abs(t.column[0] - h.column[0]), std::abs(t.column[1] - h.column[1]));
    if (apart <= kPenAgreementMM * params.dstPixelsPerMM) {
        for (int i = 0; i < 2; i++) out.column[i] = int(std::lround(0.5 * (t.column[i] + h.column[i])));
    } else {
        out.confidence *= 0.5;
        appendReason(out.reason, "the two traces' ends differ by " + std::to_string(int(std::lround(apart / params.dstPixelsPerMM))) + " mm");
    }
    return out;
}

TraceEnds findTraceEnds(const Params &params, const GdkPixbuf *scan, const PassPoint pass[3], const int rgb[3])
{
    FieldPair fields(params, scan, pass);
    if (!fields.ok()) return TraceEnds{{-1, -1}, 0.0, "the fields cannot be cut out"};
    TraceEnds ends[2];
    for (int f = 0; f < 2; f++) ends[f] = findFieldTraceEnds(params, StrokeMap(fields.image(f)), rgb);
    return combineTraceEnds(params, ends);
}
