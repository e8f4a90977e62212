// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_INKRUNS_H
#define VELLORA_INKRUNS_H

// The window search's view of a field: the runs of ink in each column that
// the trace is followed through, and the costs that the path and the second
// drum turn's lines share. Costs are in rows of unexplained vertical movement.
// Internal to the window search.

#include <algorithm>
#include <vector>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "pixel.h"

namespace inkruns {

const double kSkipCost = 2.0;         // per column the path skips
const double kRestartCost = 40.0;     // dropping the curve and picking it up anywhere
const double kThickTolerance = 2.0;   // rows a run may grow beyond the pen without cost
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
inline Run inkedPart(const Trace &trace, Run r)
{
    if (r.top > r.bot && !isInk(trace.ref, pixelAddress(trace.image, r.x, r.bot)))
        ++r.bot;
    if (r.top > r.bot && !isInk(trace.ref, pixelAddress(trace.image, r.x, r.top)))
        --r.top;
    return r;
}

// The middle value, none for no values.
template <typename T>
T median(std::vector<T> values, T none)
{
    if (values.empty())
        return none;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

}  // namespace inkruns

#endif
