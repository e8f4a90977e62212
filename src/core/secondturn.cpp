// SPDX-License-Identifier: GPL-3.0-or-later
#include "secondturn.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "turnmeetings.h"

namespace inkruns {
namespace {

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

// Buffers reused from column to column, and what is read of the image once.
struct StrandScratch {
    std::vector<StrandMove> moves;
    std::vector<PairStep> steps;
    std::vector<int> kept;
    std::vector<int> inkRows;   // per run, -1 until read
    int lastRun = -1;           // of the path

    // Typical ink rows of the path's runs, read when first asked for.
    int penInkRows(const Trace &trace)
    {
        if (penRows < 0)
            penRows = pathInkRows(trace, lastRun);
        return penRows;
    }

private:
    int penRows = -1;
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
    int &rows = scratch.inkRows[k];
    if (rows < 0)
        rows = inkRows(trace, r);
    return rows - scratch.penInkRows(trace) - steepest >= kSidesApart;
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
    return runsApartOnTurn(trace, followedPairs(columns), scratch.penInkRows(trace));
}

}  // namespace

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

}  // namespace inkruns
