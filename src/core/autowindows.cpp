// SPDX-License-Identifier: GPL-3.0-or-later
#include "autowindows.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "inksearch.h"
#include "turnmeetings.h"

// The trace is followed as the cheapest chain of ink runs through the columns.
// Costs are in rows of unexplained vertical movement. The path may skip a
// column at a fixed price, which is how it passes blots, crossing strokes and
// pen gaps; dropping the curve and picking it up elsewhere costs a restart.
namespace {

const double kSkipCost = 2.0;         // per column the path skips
const double kRestartCost = 40.0;     // dropping the curve and picking it up anywhere
const double kTouchRows = 1.0;        // rows between consecutive runs that still count as touching
const double kDriftPerColumn = 1.0;   // rows the pen may move per skipped column for free
const double kShiftCost = 0.05;       // per row of centre movement: prefers the straighter way
const double kThickCost = 1.0;        // per row of thickness that neither slope nor pen explains
const double kThickTolerance = 2.0;   // rows a run may grow beyond the pen without cost
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
const int kMinCourseColumns = 4;      // fewer give no course
const int kWrapColumns = 14;          // columns a path may end short of the chart; fewest a second turn lies apart

struct Run {
    int x;
    int bot, top;
    double colour;   // colour distance of its pixel closest to the ink
    double ownCost;  // colour and line-row costs, independent of the path
    double cost;     // cheapest path ending in this run
    int pred;        // previous run of that path, -1 for none
    double course;   // rows per column of that path over its last columns, NaN when too short
    bool printed;    // a printed line in a colour off the trace's: never on the path
};

struct Column {
    int first;      // index of its first run
    int count;      // number of runs
    bool drawn;     // its row drawn by hand: the column's only run
    bool fixed;     // window set or row drawn: left alone
    bool mustPass;  // fixed and with a run the path may take: never skipped
};

struct Window {
    int bot, top;
};

struct Trace {
    int s = 0, h = 0;
    std::vector<Run> runs;      // ordered by column, then row
    std::vector<Column> cols;   // index x - s
    std::vector<int> rowInk;    // per row, the number of searched columns with ink there
    int searched = 0;           // columns searched for ink
    double pen = 1.0;           // typical run length: the pen line where it runs level
    const GdkPixbuf *image = nullptr;   // the field image searched
    RefColor ref{};                     // the ink colour
};

inline int runLength(const Run &r) { return r.top - r.bot + 1; }
inline double runCentre(const Run &r) { return 0.5 * (r.bot + r.top); }

// The run less its end rows without ink: a run found on even rows reaches
// one unseen row beyond the ink seen.
Run inkedPart(const Trace &trace, Run r)
{
    if (r.top > r.bot && !isInk(trace.ref, pixelAddress(trace.image, r.x, r.bot)))
        ++r.bot;
    if (r.top > r.bot && !isInk(trace.ref, pixelAddress(trace.image, r.x, r.top)))
        --r.top;
    return r;
}

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

template <typename T>
T median(std::vector<T> values, T none)
{
    if (values.empty())
        return none;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
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

// ---- A second drum turn ----

// A drum that runs on draws a second turn over the start of the chart: a
// second smooth line that comes in where the first turn ended, at its row and
// course, and stops some time later. The two may cross, touch or run together
// for a while. Which line is which is decided over the whole overlap by
// following both at once: each keeps its own course through the places where
// they meet, all ink is explained, and the second line ends where its ink
// does. Swapping the lines at a meeting bends both, and unlike the path alone
// neither is favoured for running flatter.

const double kStrandTolerance = 0.5;   // rows off its course a line moves freely
const double kStrandCourse = 0.4;      // weight of each new step in a line's course
const double kUnexplainedCost = 1.0;   // per run of a column that neither line takes
const double kCoincideCost = 0.5;      // per column both lines take one thin run
const int kStrandStates = 24;          // pairs kept per column
const int kHeld = -1, kEnded = -2;     // a line on no run of the column; the second turn over
const double kSidesApart = 1.0;        // rows between two lines in one run that keep them apart
const size_t kPenSamples = 128;        // runs whose ink rows give the pen line's

// Rows of the run with ink, its unseen end rows read: two lines side by side
// and one line can leave runs of the same length on even rows.
int inkRows(const Trace &trace, const Run &r) { return runLength(inkedPart(trace, r)); }

// Typical rows with ink of the path's runs, the pen line's: of some
// kPenSamples runs spread along it.
int pathInkRows(const Trace &trace, int lastRun)
{
    std::vector<int> path, rows;
    for (int k = lastRun; k >= 0; k = trace.runs[k].pred)
        path.push_back(k);
    const size_t stride = path.size() / kPenSamples + 1;
    for (size_t i = 0; i < path.size(); i += stride)
        rows.push_back(inkRows(trace, trace.runs[path[i]]));
    return std::max(1, median(rows, 1));
}

struct Strand {
    double row = 0.0, course = 0.0;
    int steps = 0;   // columns followed since its first run; no course before kMinCourseColumns
};

struct StrandPair {
    int a, b;          // runs of the first and second turn, or kHeld, kEnded (b only)
    Strand first, second;
    double cost;
    int prev;          // index into the previous column's pairs
};

double expectedRow(const Strand &s) { return s.row + (s.steps > 0 ? s.course : 0.0); }

bool thinRun(const Trace &trace, const Run &r, double course)
{
    return runLength(r) <= trace.pen + kThickTolerance + std::fabs(course);
}

// The row a strand takes on run r.
double rowOnRun(const Trace &trace, const Strand &s, const Run &r)
{
    const double half = 0.5 * trace.pen;
    // Where the lines meet in one thick run, each keeps its course.
    return s.steps == 0 || thinRun(trace, r, s.course)
               ? runCentre(r)
               : std::min(std::max(expectedRow(s), r.bot + half), std::max(r.bot + half, r.top - half));
}

// The strand moved on to row, on a run or held there, and the cost of the move.
double settleStrand(Strand &s, double row, bool onRun)
{
    double cost = kSkipCost;
    if (onRun)
        cost = s.steps >= kMinCourseColumns ? std::max(0.0, std::fabs(row - expectedRow(s)) - kStrandTolerance) : 0.0;
    if (s.steps > 0) {
        const double weight = std::max(kStrandCourse, 1.0 / s.steps);
        s.course += weight * (row - s.row - s.course);
    }
    s.row = row;
    ++s.steps;
    return cost;
}

// The strand moved on to run k (or held), and the cost of the move.
double moveStrand(const Trace &trace, Strand &s, int k)
{
    if (k < 0 && s.steps == 0)
        return kSkipCost;   // not yet started
    return settleStrand(s, k >= 0 ? rowOnRun(trace, s, trace.runs[k]) : expectedRow(s), k >= 0);
}

// Where one strand of a pair goes in the next column: the run it moves on
// to (or kHeld) and itself after the move, with the move's cost.
struct StrandMove {
    int run;
    Strand strand;
    double cost;
};

// A pair of the next column before it is kept: its runs, cost, the pair it
// comes from and the moves of its two strands (second -1: the second turn
// over, its strand as it was).
struct PairStep {
    int a, b;
    double cost;
    int from;
    int first, second;
};

// Buffers reused from column to column.
struct StrandScratch {
    std::vector<StrandMove> moves;
    std::vector<PairStep> steps;
    std::vector<int> kept;
    std::vector<int> inkRows;   // per run, -1 until read
    int lastRun = -1;           // of the path
    int penInkRows = -1;        // typical ink rows of the path's runs, -1 until read
};

// The pairs kept in every column followed, one column after the other.
struct PairColumns {
    std::vector<StrandPair> pairs;
    std::vector<int> start{0};   // column c's pairs are pairs[start[c]] up to pairs[start[c + 1]]

    int count() const { return (int)start.size() - 1; }
    const StrandPair *begin(int c) const { return pairs.data() + start[c]; }
    const StrandPair *end(int c) const { return pairs.data() + start[c + 1]; }
    void close() { start.push_back((int)pairs.size()); }
};

// Appends the moves of strand s to the runs of column index i within reach
// of its expected row, and holding, to moves.
void strandMoves(const Trace &trace, int i, const Strand &s, std::vector<StrandMove> &moves)
{
    auto add = [&](int k) {
        StrandMove m{k, s, 0.0};
        m.cost = moveStrand(trace, m.strand, k);
        moves.push_back(m);
    };
    add(kHeld);
    const Column &col = trace.cols[i];
    const double expected = expectedRow(s);
    const double reach = 2.0 * trace.pen + 4.0 + std::fabs(s.course);
    for (int k = col.first; k < col.first + col.count; ++k) {
        const Run &r = trace.runs[k];
        if (!r.printed && (s.steps == 0 || std::max({r.bot - expected, expected - r.top, 0.0}) <= reach))
            add(k);
    }
}

// Two lines that share a run thick enough to hold them apart have not
// crossed in it, however their courses point: a touch and a crossing leave the
// same ink, but only a crossing brings the lines onto one line's width. True
// when the lines, apart before, share run k so.
bool keepsSides(const Trace &trace, int k, const StrandPair &from, StrandScratch &scratch)
{
    const Run &r = trace.runs[k];
    const Strand &a = from.first, &b = from.second;
    const double steepest = std::max(std::fabs(a.course), std::fabs(b.course));
    // A run hardly longer than the pen line's runs holds one line: most runs
    // are judged without reading their end rows.
    if (a.steps == 0 || b.steps == 0 || std::fabs(a.row - b.row) < kSidesApart ||
        runLength(r) - (trace.pen - 2) - steepest < kSidesApart)
        return false;
    if (scratch.penInkRows < 0)
        scratch.penInkRows = pathInkRows(trace, scratch.lastRun);
    int &rows = scratch.inkRows[k];
    if (rows < 0)
        rows = inkRows(trace, r);
    return rows - scratch.penInkRows - steepest >= kSidesApart;
}

// Where the lines keep their sides of run k, the line that was above keeps
// the run's upper side, the other its lower side. Unless their own moves onto
// the run (moves[first], moves[second]) place them so already, moves placed
// so are appended and first and second point to them.
void placeOnSides(const Trace &trace, int k, const StrandPair &from, StrandScratch &scratch, int &first, int &second)
{
    if (!keepsSides(trace, k, from, scratch))
        return;
    std::vector<StrandMove> &moves = scratch.moves;
    // Rows above the middle less half the gap, or below it plus half.
    const double middle = runCentre(trace.runs[k]), half = 0.5 * kSidesApart;
    const bool firstAbove = from.first.row < from.second.row;
    auto onSide = [&](double row, bool above) {
        return above ? std::min(row, middle - half) : std::max(row, middle + half);
    };
    if (moves[first].strand.row == onSide(moves[first].strand.row, firstAbove) &&
        moves[second].strand.row == onSide(moves[second].strand.row, !firstAbove))
        return;
    auto place = [&](const Strand &s, bool above) {
        StrandMove placed{k, s, 0.0};
        placed.cost = settleStrand(placed.strand, onSide(rowOnRun(trace, s, trace.runs[k]), above), true);
        moves.push_back(placed);
        return (int)moves.size() - 1;
    };
    first = place(from.first, firstAbove);
    second = place(from.second, !firstAbove);
}

// The column's runs off the print that neither line takes (of the column's
// unprinted runs, given as count), and one thin run taken by both.
double unexplainedCost(const Trace &trace, int unprinted, int a, int b)
{
    const int taken = (a >= 0) + (b >= 0 && b != a);
    double cost = kUnexplainedCost * (unprinted - taken);
    if (a >= 0 && a == b && thinRun(trace, trace.runs[a], 0.0))
        cost += kCoincideCost;
    return cost;
}

int unprintedRuns(const Trace &trace, int i)
{
    const Column &col = trace.cols[i];
    return (int)std::count_if(trace.runs.begin() + col.first, trace.runs.begin() + col.first + col.count,
                              [](const Run &r) { return !r.printed; });
}

// Indices of the cheapest step per (a, b) and of the kStrandStates cheapest
// of those, cheapest first.
void keepCheapest(const std::vector<PairStep> &steps, std::vector<int> &kept)
{
    kept.resize(steps.size());
    for (size_t k = 0; k < steps.size(); ++k)
        kept[k] = (int)k;
    std::sort(kept.begin(), kept.end(), [&](int i, int j) {
        const PairStep &p = steps[i], &q = steps[j];
        return p.a != q.a ? p.a < q.a : p.b != q.b ? p.b < q.b : p.cost < q.cost;
    });
    kept.erase(std::unique(kept.begin(), kept.end(),
                           [&](int i, int j) { return steps[i].a == steps[j].a && steps[i].b == steps[j].b; }),
               kept.end());
    std::sort(kept.begin(), kept.end(), [&](int i, int j) { return steps[i].cost < steps[j].cost; });
    if ((int)kept.size() > kStrandStates)
        kept.resize(kStrandStates);
}

// Appends the pairs of column index i that follow from those of the last
// column in columns. Each strand's moves are found once per pair they come
// from.
void nextPairs(const Trace &trace, int i, PairColumns &columns, StrandScratch &scratch)
{
    const int last = columns.count() - 1;
    const StrandPair *before = columns.begin(last);
    const size_t pairsBefore = columns.end(last) - before;
    std::vector<StrandMove> &moves = scratch.moves;
    std::vector<PairStep> &steps = scratch.steps;
    moves.clear();
    steps.clear();
    const int unprinted = unprintedRuns(trace, i);
    for (size_t p = 0; p < pairsBefore; ++p) {
        const StrandPair &from = before[p];
        const int firstMoves = (int)moves.size();
        strandMoves(trace, i, from.first, moves);
        const int secondMoves = (int)moves.size();
        // The second turn ends where its line has stopped.
        if (from.b != kEnded)
            strandMoves(trace, i, from.second, moves);
        const int movesEnd = (int)moves.size();
        const bool mayEnd = from.b == kHeld || from.b == kEnded;
        for (int ma = firstMoves; ma < secondMoves; ++ma) {
            auto add = [&](int b, int first, int mb) {
                double cost = from.cost + moves[first].cost;
                if (mb >= 0)
                    cost += moves[mb].cost;
                cost += unexplainedCost(trace, unprinted, moves[ma].run, b);
                steps.push_back(PairStep{moves[ma].run, b, cost, (int)p, first, mb});
            };
            for (int mb = secondMoves; mb < movesEnd; ++mb) {
                const int b = moves[mb].run;
                int first = ma, second = mb;
                if (b >= 0 && b == moves[ma].run)
                    placeOnSides(trace, b, from, scratch, first, second);
                add(b, first, second);
            }
            if (mayEnd)
                add(kEnded, ma, -1);
        }
    }
    keepCheapest(steps, scratch.kept);
    // Room first: growing the store would move the pairs the new ones come from.
    const size_t needed = columns.pairs.size() + scratch.kept.size();
    if (columns.pairs.capacity() < needed)
        columns.pairs.reserve(2 * needed);
    before = columns.begin(last);
    for (int k : scratch.kept) {
        const PairStep &step = steps[k];
        const StrandPair &from = before[step.from];
        columns.pairs.push_back({step.a, step.b, moves[step.first].strand,
                                 step.second >= 0 ? moves[step.second].strand : from.second, step.cost, step.from});
    }
    columns.close();
}

// The two lines of a pair in its column. Where they share a run, the upper
// line's ink starts at the run's first inked row and the lower's ends at its
// last; a run no wider than one line holds both on its middle.
LinesColumn linesColumn(const Trace &trace, const StrandPair &pair, int penInkRows)
{
    LinesColumn col{LinesColumn::Unseen};
    if (pair.b == kEnded) {
        col.kind = LinesColumn::Over;
    } else if (pair.a >= 0 && pair.b >= 0 && pair.a != pair.b) {
        col.kind = LinesColumn::Apart;
        col.rowA = pair.first.row;
        col.rowB = pair.second.row;
    } else if (pair.a >= 0 && pair.a == pair.b) {
        col.kind = LinesColumn::Shared;
        const Run r = inkedPart(trace, trace.runs[pair.a]);
        const double half = 0.5 * (penInkRows - 1);
        col.upper = r.bot + half;
        col.lower = r.top - half;
        if (col.upper > col.lower)
            col.upper = col.lower = runCentre(r);
    }
    return col;
}

// The pairs as followed, column by column from the chart's start: the
// cheapest of the last column and those it comes from.
std::vector<const StrandPair *> followedPairs(const PairColumns &columns)
{
    std::vector<const StrandPair *> chain(columns.count() - 1);
    for (int c = columns.count() - 1, p = 0; c > 0; p = columns.begin(c--)[p].prev)
        chain[c - 1] = &columns.begin(c)[p];
    return chain;
}

// Per run, whether it is the second turn's where the lines lie apart, each
// meeting left the way its ink fits best; none when they lie apart in fewer
// than kWrapColumns columns.
std::vector<char> runsApartOnTurn(const Trace &trace, const std::vector<const StrandPair *> &chain, int penInkRows)
{
    std::vector<LinesColumn> lines;
    for (const StrandPair *pair : chain)
        lines.push_back(linesColumn(trace, *pair, penInkRows));
    const std::vector<char> swapped = swappedAtMeetings(lines);
    std::vector<char> onTurn(trace.runs.size(), 0);
    int apart = 0;
    for (size_t c = 0; c < chain.size(); ++c) {
        const StrandPair &pair = *chain[c];
        const int second = swapped[c] ? pair.a : pair.b;
        const double course = swapped[c] ? pair.first.course : pair.second.course;
        if (lines[c].kind == LinesColumn::Apart && thinRun(trace, trace.runs[second], course)) {
            onTurn[second] = 1;
            ++apart;
        }
    }
    if (apart < kWrapColumns)
        std::fill(onTurn.begin(), onTurn.end(), 0);
    return onTurn;
}

// Per run, whether it is the second turn's where that lies apart from the
// first turn, both lines followed from the chart's start, the second coming
// in where the path's end (lastRun) goes on across the wrap. A second line
// still running at half the chart is no second turn: none then.
std::vector<char> secondTurnRuns(const Trace &trace, int lastRun)
{
    const int n = (int)trace.cols.size();
    const Run &last = trace.runs[lastRun];
    Strand wrapped;   // one drum turn back: in the column before the start
    wrapped.course = std::isnan(last.course) ? 0.0 : last.course;
    wrapped.row = runCentre(last) + wrapped.course * (trace.s + n - 1 - last.x);
    wrapped.steps = kMinCourseColumns;
    PairColumns columns;
    columns.pairs.reserve(8 * (size_t)n);
    columns.pairs.push_back(StrandPair{kHeld, kHeld, Strand(), wrapped, 0.0, -1});
    columns.close();
    auto ended = [](const StrandPair &p) { return p.b == kEnded; };
    auto allEnded = [&] { return std::all_of(columns.begin(columns.count() - 1), columns.end(columns.count() - 1), ended); };
    StrandScratch scratch;
    scratch.inkRows.assign(trace.runs.size(), -1);
    scratch.lastRun = lastRun;
    for (int i = 0; i < n / 2 && !allEnded(); ++i)
        nextPairs(trace, i, columns, scratch);
    if (!ended(*columns.begin(columns.count() - 1)))
        return std::vector<char>(trace.runs.size(), 0);
    if (scratch.penInkRows < 0)
        scratch.penInkRows = pathInkRows(trace, lastRun);
    return runsApartOnTurn(trace, followedPairs(columns), scratch.penInkRows);
}

// Prices the second turn's runs where it lies apart from the first out of
// the path, when the path ends at the chart's end. True when the path took
// any of them and must be found again. Windows or rows the user set guide the
// path instead.
bool keepOffSecondTurn(Trace &trace, int lastRun)
{
    const int n = (int)trace.cols.size();
    const bool guided = std::any_of(trace.cols.begin(), trace.cols.end(), [](const Column &c) { return c.fixed; });
    if (guided || trace.runs[lastRun].x - trace.s < n - kWrapColumns)
        return false;
    const std::vector<char> onTurn = secondTurnRuns(trace, lastRun);
    bool taken = false;
    for (int k = lastRun; k >= 0; k = trace.runs[k].pred)
        taken = taken || onTurn[k];
    for (size_t k = 0; k < onTurn.size(); ++k)
        if (onTurn[k])
            trace.runs[k].ownCost += kRestartCost;
    return taken;
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
