// SPDX-License-Identifier: GPL-3.0-or-later
#include "autowindows.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "inkruns.h"
#include "inksearch.h"
#include "secondturn.h"

using namespace inkruns;

// The trace is followed as the cheapest chain of ink runs through the columns.
// Costs are in rows of unexplained vertical movement. The path may skip a
// column at a fixed price, which is how it passes blots, crossing strokes and
// pen gaps; dropping the curve and picking it up elsewhere costs a restart.
namespace {

const double kTouchRows = 1.0;        // rows between consecutive runs that still count as touching
const double kDriftPerColumn = 1.0;   // rows the pen may move per skipped column for free
const double kShiftCost = 0.05;       // per row of centre movement: prefers the straighter way
const double kThickCost = 1.0;        // per row of thickness that neither slope nor pen explains
const double kColourCost = 6.0;       // per ink limit of colour distance beyond the trace's
const double kLineRowCost = 1.0;      // for a run wholly on printed line rows
const double kLineRowShare = 0.25;    // share of columns with ink that marks a printed line row
const int kLineRowColumns = 300;      // and at least so many: a trace may run level for a while
const double kPrintedColour = 300.0;  // colour distance beyond the trace's that marks print
const int kMaxSkip = 64;              // longest skip tried before only a restart remains
const int kMaxCarried = 32;           // runs the path may skip from at once
const int kRunMargin = 4;             // rows a window reaches beyond a chosen run
const int kBridgeMargin = 1;          // rows a bridged window reaches beyond the expected line
const int kSlopeBase = 4;             // columns over which an end slope of a bridge is taken
const int kColourSamples = 8;         // pixels of a run whose colour is read: more are no pen line
const double kBendCost = 1.0;         // per row the path leaves the line its recent course makes
const double kBendTolerance = 1.5;    // rows of wobble and run noise that bend nothing
const int kCourseColumns = 16;        // columns over which the path's course is taken

struct Window {
    int bot, top;
};

void reportProgress(ProgressFn progress, void *user, double fraction)
{
    if (progress)
        progress(user, fraction);
}

// ---- Ink runs ----

// Finding the ink is the first 70 % of the work.
struct InkProgress {
    ProgressFn fn;
    void *user;
    static void report(void *self, double fraction)
    {
        const InkProgress *p = static_cast<const InkProgress *>(self);
        reportProgress(p->fn, p->user, 0.7 * fraction);
    }
};

// Rows searched per column index; lo > hi for a column not searched.
struct SearchRows {
    std::vector<int> lo, hi;
    bool holds(int i, int y) const { return y >= lo[i] && y <= hi[i]; }
};

// Ink is read on even rows only, which meets every run of two rows or more (a
// pen line always is) at half the cost. A run found there reaches one row
// beyond its first and last ink row, unseen, and goes on over an unseen row
// between two ink rows as over any one-row break.
struct OpenRun {
    int bot = -1;    // first ink row seen, -1 while none is open
    int last = -1;   // last ink row seen so far
    int seen = 0;    // ink pixels seen
    double best = kInkDistance;   // smallest colour distance among the first kColourSamples
};

void closeRun(int i, OpenRun &open, const Trace &trace, const SearchRows &rows,
              std::vector<Run> &runs)
{
    if (open.bot >= 0)
        runs.push_back({trace.s + i, std::max(open.bot - 1, rows.lo[i]),
                        std::min(open.last + 1, rows.hi[i]), open.best, 0.0, 0.0, -1, NAN, false});
    open = OpenRun();
}

// Hands every ink pixel of an even row within its column's search rows to
// sink(column index, row, pixel), row by row.
template <typename Sink>
void forEachInk(const Trace &trace, const EvenRowInk &ink, const SearchRows &rows, Sink sink)
{
    const int s = trace.s, n = (int)rows.lo.size();
    const guchar *pixels = gdk_pixbuf_read_pixels(trace.image);
    const int stride = gdk_pixbuf_get_rowstride(trace.image), channels = gdk_pixbuf_get_n_channels(trace.image);
    ink.forEachIn(s, s + n - 1, [&](int x, int y) {
        if (rows.holds(x - s, y))
            sink(x - s, y, pixels + (size_t)y * stride + (size_t)x * channels);
    });
}

// Ink runs of every column within its search window, in column and row order;
// a drawn row is its column's only run.
void collectRuns(const EvenRowInk &ink, const SpanArray &limitSpan, const int *drawPos, int e, Trace &trace)
{
    const int s = trace.s, h = trace.h, n = e - s + 1;
    trace.rowInk.assign(h, 0);
    trace.cols.assign(n, Column{0, 0, false, false, false});
    SearchRows rows{std::vector<int>(n, 0), std::vector<int>(n, -1)};
    std::vector<Run> found;   // in the order the runs end
    found.reserve(8 * (size_t)n);
    for (int i = 0; i < n; ++i) {
        const int x = s + i;
        if (drawPos && drawPos[x] >= 0) {
            const int row = std::min(drawPos[x], h - 1);
            found.push_back({x, row, row, 0.0, 0.0, 0.0, -1, NAN, false});
            trace.cols[i].drawn = trace.cols[i].fixed = true;
        } else {
            trace.cols[i].fixed = limitSpan.getBot(x) != -1 || limitSpan.getTop(x) != -1;
            searchWindow(&limitSpan, x, h, &rows.lo[i], &rows.hi[i]);
            ++trace.searched;
        }
    }
    std::vector<OpenRun> open(n);
    forEachInk(trace, ink, rows, [&](int i, int y, const guchar *p) {
        OpenRun &o = open[i];
        if (o.bot >= 0 && y - o.last > 2)
            closeRun(i, o, trace, rows, found);
        if (o.bot < 0)
            o.bot = y;
        o.last = y;
        if (o.seen++ < kColourSamples)
            o.best = std::min(o.best, colorDistance(trace.ref, p));
        ++trace.rowInk[y];
    });
    for (int i = 0; i < n; ++i)
        closeRun(i, open[i], trace, rows, found);

    // Group by column; within a column the runs ended in row order.
    for (const Run &r : found)
        ++trace.cols[r.x - s].count;
    for (int i = 1; i < n; ++i)
        trace.cols[i].first = trace.cols[i - 1].first + trace.cols[i - 1].count;
    std::vector<int> next(n);
    for (int i = 0; i < n; ++i)
        next[i] = trace.cols[i].first;
    trace.runs.resize(found.size());
    for (const Run &r : found)
        trace.runs[next[r.x - s]++] = r;
}

// Most runs that may be on the path are the pen line crossing a column at a
// gentle slope; the median length is its thickness.
double typicalRunLength(const std::vector<Run> &runs)
{
    std::vector<int> lengths;
    for (const Run &r : runs)
        if (!r.printed)
            lengths.push_back(runLength(r));
    return std::max(1, median(lengths, 1));
}

// In most columns the trace is the run closest to the ink colour. How close it
// typically comes is where the colour cost starts, so that a reference colour
// picked a little off the ink does not price the trace out.
double typicalTraceColour(const Trace &trace)
{
    std::vector<double> closest;
    for (const Column &col : trace.cols) {
        if (col.drawn || col.count == 0)
            continue;
        double c = kInkDistance;
        for (int k = col.first; k < col.first + col.count; ++k)
            c = std::min(c, trace.runs[k].colour);
        closest.push_back(c);
    }
    return median(closest, 0.0);
}

// Share of each run's rows that are printed line rows: rows with ink across a
// good part of the columns, as a grid printed in a colour close to the ink
// has. Only even rows are read; an odd row counts as a line row beside one.
std::vector<double> lineShares(const Trace &trace)
{
    const double lineLimit = std::max<double>(kLineRowColumns, kLineRowShare * trace.searched);
    auto isLine = [&](int y) { return y >= 0 && y < trace.h && trace.rowInk[y] >= lineLimit; };
    std::vector<int> lineRows(trace.h + 1, 0);   // prefix count of line rows
    for (int y = 0; y < trace.h; ++y)
        lineRows[y + 1] =
            lineRows[y] + (isLine(y) || (y % 2 && (isLine(y - 1) || isLine(y + 1))));
    std::vector<double> shares;
    shares.reserve(trace.runs.size());
    for (const Run &r : trace.runs)
        shares.push_back(double(lineRows[r.top + 1] - lineRows[r.bot]) / runLength(r));
    return shares;
}

// A run wholly on printed line rows and of a colour clearly off the trace's is
// print and stays off the path (where the trace runs along a line, their run
// has the trace's colour). Runs partly on line rows, and runs of a colour
// farther from the ink than the trace's, cost more. A drawn row costs nothing.
void priceRuns(Trace &trace)
{
    const std::vector<double> shares = lineShares(trace);
    const double traceColour = typicalTraceColour(trace);
    for (Column &col : trace.cols) {
        for (int k = col.first; k < col.first + col.count; ++k) {
            Run &r = trace.runs[k];
            const double offColour = std::max(0.0, r.colour - traceColour);
            r.printed = !col.drawn && shares[k] >= 1.0 && offColour >= kPrintedColour;
            r.ownCost = col.drawn ? 0.0
                                  : kColourCost * offColour / kInkDistance +
                                        kLineRowCost * shares[k];
            col.mustPass = col.mustPass || (col.fixed && !r.printed);
        }
    }
}

// ---- Cheapest path ----

// Thickness of b that the pen does not explain: growth over the run before it
// (a stroke or blot merging with the line), and length beyond pen and slope
// (a blot the path runs through).
double thicknessCost(const Run &a, const Run &b, int d, double pen)
{
    const double shift = std::fabs(runCentre(b) - runCentre(a));
    const double grown = runLength(b) - std::max<double>(runLength(a), pen) - kThickTolerance;
    const double unsloped = runLength(b) - pen - kThickTolerance - shift / d;
    return kThickCost * std::max({0.0, grown, unsloped});
}

int rowsBetween(const Run &a, const Run &b)
{
    return std::max({b.bot - a.top - 1, a.bot - b.top - 1, 0});
}

// Rows between runs d columns apart that the pen may cover without cost.
double freeRows(int d) { return kTouchRows + kDriftPerColumn * (d - 1); }

// A pen line bends slowly: where two lines cross, the path that leaves on the
// other line turns away from the course it came on.
double bendCost(const Run &a, const Run &b, int d)
{
    if (std::isnan(a.course))
        return 0.0;
    const double off = std::fabs(runCentre(b) - runCentre(a) - a.course * d);
    return kBendCost * std::max(0.0, off - kBendTolerance - 0.5 * (d - 1));
}

// Going from run a to run b, d columns further on: the skipped columns, rows
// between the runs that the skip does not explain, centre movement, thickness
// and bending.
double stepCost(const Run &a, const Run &b, int d, double pen)
{
    const double jump = std::max(0.0, rowsBetween(a, b) - freeRows(d));
    const double shift = std::fabs(runCentre(b) - runCentre(a));
    return kSkipCost * (d - 1) + jump + kShiftCost * shift + thicknessCost(a, b, d, pen) +
           bendCost(a, b, d);
}

// Course of the path ending in run r, from the run of it at least
// kCourseColumns before.
double pathCourse(const Trace &trace, const Run &r)
{
    const Run *o = &r;
    while (o->pred >= 0 && r.x - o->x < kCourseColumns)
        o = &trace.runs[o->pred];
    const int d = r.x - o->x;
    return d >= kMinCourseColumns ? (runCentre(r) - runCentre(*o)) / d : NAN;
}

// Starting the path costs nothing; starting it again after it ended does.
double startCost(const Run &b, bool again, double pen)
{
    return (again ? kRestartCost : 0.0) +
           kThickCost * std::max(0.0, runLength(b) - pen - kThickTolerance);
}

// Runs that the next column's runs may follow: those of the column just done,
// and those of earlier columns that the path may still skip from.
struct Frontier {
    std::vector<int> carried;
    std::vector<int> spare;     // the next carried list while it is built
    int first = 0, count = 0;   // runs of the column just done
};

// The cheapest path that has ended before the current column, each later
// column costing a skip, and its last run.
struct Ended {
    double cost = 0.0;
    int run = -1;
};

void tryPredecessor(const Trace &trace, int j, Run &r)
{
    const Run &a = trace.runs[j];
    const int d = r.x - a.x;
    // Skips and jump alone rule out most candidates before the whole cost.
    if (a.cost + kSkipCost * (d - 1) + (rowsBetween(a, r) - freeRows(d)) >= r.cost)
        return;
    const double c = a.cost + stepCost(a, r, d, trace.pen);
    if (c < r.cost) {
        r.cost = c;
        r.pred = j;
    }
}

// Best predecessor of run r: a restart after the best path so far, or a run of
// the frontier, the nearest first. A run farther away than a restart's worth of
// rows is not worth trying. The runs of a column come in row order, so the
// first run of the previous column within reach, lowest, only moves on.
void linkRun(const Trace &trace, const Frontier &f, const Ended &ended, Run &r, int &lowest)
{
    r.pred = ended.run;
    r.cost = ended.cost + startCost(r, ended.run >= 0, trace.pen);
    if (r.printed) {
        r.cost = HUGE_VAL;
        return;
    }
    const int reach = (int)(kRestartCost + freeRows(1));
    const int end = f.first + f.count;
    while (lowest < end && trace.runs[lowest].top < r.bot - reach)
        ++lowest;
    for (int j = lowest; j < end && trace.runs[j].bot <= r.top + reach; ++j)
        tryPredecessor(trace, j, r);
    for (int j : f.carried)
        tryPredecessor(trace, j, r);
    r.cost += r.ownCost;
    r.course = pathCourse(trace, r);
}

// Cost of run j's path when it skips every column up to x.
double heldCost(const Run &a, int x) { return a.cost + kSkipCost * (x - a.x); }

// Whether the path may still skip from run a past column index i: not too
// far, not dearer than a restart, and not shadowed by a run of that column near
// it that is reached at least as cheaply.
bool staysSkippable(const Trace &trace, const Run &a, int i, const Ended &ended)
{
    const int x = trace.s + i;
    if (x + 1 - a.x > kMaxSkip)
        return false;
    const double held = heldCost(a, x);
    if (held >= ended.cost + kRestartCost)
        return false;
    // The column's runs lie in row order and apart: only those from the first
    // that reaches down to a can be near it.
    const Column &col = trace.cols[i];
    const int free = (int)freeRows(x - a.x);
    const Run *r = std::partition_point(
        &trace.runs[0] + col.first, &trace.runs[0] + col.first + col.count,
        [&](const Run &c) { return c.top < a.bot - 1 - free; });
    for (; r != &trace.runs[0] + col.first + col.count && r->bot <= a.top + 1 + free; ++r)
        if (r->cost <= held)
            return false;
    return true;
}

// The frontier after column index i; nothing is carried past a column the path
// must pass.
void advance(const Trace &trace, int i, const Ended &ended, Frontier &f)
{
    const Column &col = trace.cols[i];
    std::vector<int> &kept = f.spare;
    kept.clear();
    if (!col.mustPass) {
        for (int j : f.carried)
            if (staysSkippable(trace, trace.runs[j], i, ended))
                kept.push_back(j);
        for (int j = f.first; j < f.first + f.count; ++j)
            if (staysSkippable(trace, trace.runs[j], i, ended))
                kept.push_back(j);
    }
    if ((int)kept.size() > kMaxCarried) {
        const int x = trace.s + i;
        std::stable_sort(kept.begin(), kept.end(), [&](int a, int b) {
            return heldCost(trace.runs[a], x) < heldCost(trace.runs[b], x);
        });
        kept.resize(kMaxCarried);
    }
    f.carried.swap(kept);
    f.first = col.first;
    f.count = col.count;
}

// The last run of the cheapest path through all columns, -1 when it has none.
int findCheapestPath(Trace &trace, ProgressFn progress, void *user)
{
    const int n = (int)trace.cols.size();
    Frontier frontier;
    Ended ended;
    for (int i = 0; i < n; ++i) {
        const Column &col = trace.cols[i];
        Ended next{col.mustPass ? HUGE_VAL : ended.cost + kSkipCost,
                   col.mustPass ? -1 : ended.run};
        int lowest = frontier.first;
        for (int k = col.first; k < col.first + col.count; ++k) {
            Run &r = trace.runs[k];
            linkRun(trace, frontier, ended, r, lowest);
            if (r.cost < next.cost)
                next = {r.cost, k};
        }
        ended = next;
        advance(trace, i, ended, frontier);
        if ((i & 63) == 0)
            reportProgress(progress, user, 0.7 + 0.3 * i / n);
    }
    return ended.run;
}

// ---- Windows ----

int roundRow(double v) { return (int)std::floor(v + 0.5); }

// Keeps the window of column x clear of its runs that lie wholly above or below
// the rows [coreBot, coreTop] where the line is expected, and of printed lines
// across those rows: the window keeps the side of such a line that holds the
// middle of the rows, unless nothing would be left.
Window clearOfOtherRuns(const Trace &trace, int x, const Window &w, double coreBot,
                        double coreTop)
{
    const double middle = 0.5 * (coreBot + coreTop);
    const Column &col = trace.cols[x - trace.s];
    Window clear = w;
    for (int k = col.first; k < col.first + col.count; ++k) {
        const Run &r = trace.runs[k];
        if (r.top < coreBot || (r.printed && runCentre(r) < middle))
            clear.bot = std::max(clear.bot, r.top + 1);
        else if (r.bot > coreTop || r.printed)
            clear.top = std::min(clear.top, r.bot - 1);
    }
    return clear.bot <= clear.top ? clear : w;
}

Window clampRows(const Trace &trace, Window w)
{
    return {std::max(0, w.bot), std::min(trace.h - 1, w.top)};
}

// Around a chosen run: a few rows beyond it, never into the column's other ink.
Window windowAround(const Trace &trace, const Run &r)
{
    const int margin = std::max(kRunMargin, runLength(r) / 2);
    Window w = clampRows(trace, {r.bot - margin, r.top + margin});
    return clearOfOtherRuns(trace, r.x, w, r.bot, r.top);
}

// Where the line is expected in a column the path skipped: centre row and half
// its run length.
struct Expected {
    double centre, half;
};

Window windowAt(const Trace &trace, int x, const Expected &line)
{
    const double coreBot = line.centre - line.half, coreTop = line.centre + line.half;
    const Window w =
        clampRows(trace, {roundRow(coreBot) - kBridgeMargin, roundRow(coreTop) + kBridgeMargin});
    return clearOfOtherRuns(trace, x, w, coreBot, coreTop);
}

// Slope of the path at its run k, towards the chosen run at least kSlopeBase
// columns before it (dir -1) or after it (dir 1); the fallback without one.
double endSlope(const Trace &trace, const std::vector<int> &path, long k, int dir, double fallback)
{
    const Run &r = trace.runs[path[k]];
    for (long j = k + dir; j >= 0 && j < (long)path.size(); j += dir) {
        const Run &o = trace.runs[path[j]];
        if (std::abs(o.x - r.x) >= kSlopeBase)
            return (runCentre(o) - runCentre(r)) / (o.x - r.x);
    }
    return fallback;
}

// A slope limited so that the bridge stays between its ends and does not swing.
double limitSlope(double m, double secant)
{
    if (m * secant <= 0.0)
        return 0.0;
    return std::fabs(m) > 3.0 * std::fabs(secant) ? 3.0 * secant : m;
}

// Windows of the columns skipped between chosen runs k and k + 1 of the path,
// following a cubic through both ends with the path's slopes there.
template <typename Put>
void bridge(const Trace &trace, const std::vector<int> &path, size_t k, Put put)
{
    const Run &a = trace.runs[path[k]], &b = trace.runs[path[k + 1]];
    const double span = b.x - a.x, ca = runCentre(a), cb = runCentre(b);
    const double secant = (cb - ca) / span;
    const double ma = limitSlope(endSlope(trace, path, (long)k, -1, secant), secant);
    const double mb = limitSlope(endSlope(trace, path, (long)k + 1, 1, secant), secant);
    for (int x = a.x + 1; x < b.x; ++x) {
        const double t = (x - a.x) / span, t2 = t * t, t3 = t2 * t;
        const double centre = (2 * t3 - 3 * t2 + 1) * ca + (t3 - 2 * t2 + t) * span * ma +
                              (-2 * t3 + 3 * t2) * cb + (t3 - t2) * span * mb;
        const double slope = ((6 * t2 - 6 * t) * ca + (3 * t2 - 4 * t + 1) * span * ma +
                              (-6 * t2 + 6 * t) * cb + (3 * t2 - 2 * t) * span * mb) / span;
        const double half = 0.5 * ((1 - t) * (runLength(a) - 1) + t * (runLength(b) - 1)) +
                            0.5 * std::fabs(slope);
        put(x, windowAt(trace, x, {centre, half}));
    }
}

// Writes the windows of the columns that are not fixed: around the chosen run
// where the path has one, along a bridge where it skipped, and level with the
// nearest chosen run before the first and after the last.
int writeWindows(const Trace &trace, int lastRun, SpanArray &limitSpan)
{
    std::vector<int> path;   // chosen runs, left to right
    for (int k = lastRun; k >= 0; k = trace.runs[k].pred)
        path.push_back(k);
    std::reverse(path.begin(), path.end());

    int written = 0;
    auto put = [&](int x, const Window &w) {
        if (trace.cols[x - trace.s].fixed)
            return;
        limitSpan.setBot(x, w.bot);
        limitSpan.setTop(x, w.top);
        ++written;
    };
    const int end = trace.s + (int)trace.cols.size();
    const Run &first = trace.runs[path.front()], &last = trace.runs[path.back()];
    for (int x = trace.s; x < first.x; ++x)
        put(x, windowAt(trace, x, {runCentre(first), 0.5 * (runLength(first) - 1)}));
    for (size_t k = 0; k < path.size(); ++k) {
        const Run &r = trace.runs[path[k]];
        put(r.x, windowAround(trace, r));
        if (k + 1 < path.size())
            bridge(trace, path, k, put);
    }
    for (int x = last.x + 1; x < end; ++x)
        put(x, windowAt(trace, x, {runCentre(last), 0.5 * (runLength(last) - 1)}));
    return written;
}

// The path's runs on their ink, which puts the windows' ends and bridges on it.
void trimPath(Trace &trace, int lastRun)
{
    for (int k = lastRun; k >= 0; k = trace.runs[k].pred)
        trace.runs[k] = inkedPart(trace, trace.runs[k]);
}

} // namespace

int proposeSearchWindows(const GdkPixbuf *image, const RefColor &ref, SpanArray &limitSpan,
                         const int *drawPos, int s, int e, ProgressFn progress,
                         void *progressUser, const EvenRowInk *ink)
{
    if (!image)
        return 0;
    Trace trace;
    trace.image = image;
    trace.ref = ref;
    trace.s = std::max(s, 0);
    trace.h = gdk_pixbuf_get_height(image);
    e = std::min({e, gdk_pixbuf_get_width(image) - 1, limitSpan.size() - 1});
    if (trace.s > e || trace.h <= 0)
        return 0;

    EvenRowInk found;
    if (!ink || ink->width != gdk_pixbuf_get_width(image) || ink->height != trace.h) {
        InkProgress share{progress, progressUser};
        findEvenRowInk(image, ref, found, InkProgress::report, &share);
        ink = &found;
    }
    collectRuns(*ink, limitSpan, drawPos, e, trace);
    priceRuns(trace);
    trace.pen = typicalRunLength(trace.runs);
    int lastRun = findCheapestPath(trace, progress, progressUser);
    if (lastRun >= 0 && keepOffSecondTurn(trace, lastRun))
        lastRun = findCheapestPath(trace, nullptr, nullptr);
    trimPath(trace, lastRun);
    const int written = lastRun >= 0 ? writeWindows(trace, lastRun, limitSpan) : 0;
    reportProgress(progress, progressUser, 1.0);
    return written;
}
