// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_TURNMEETINGS_H
#define VELLORA_TURNMEETINGS_H

// Where two pen lines (two turns of the drum) meet in one run of ink, the
// line followed in may leave on either side. Following them column by column
// decides by their courses alone, and two lines that come together and turn
// back look to it like two lines crossing. The ink of the meeting tells them
// apart: crossing lines fill one line's width where they cross, lines that
// turn back keep the run as wide as both. Each line is taken as one quadratic
// over the columns either side of the meeting, under both ways the lines may
// leave, and the way that fits their rows and the run's ink better is kept.

#include <vector>

// The two lines, A and B as followed, in one column.
struct LinesColumn {
    enum Kind {
        Apart,    // on runs of their own, at rowA and rowB
        Shared,   // in one run: the upper line at row upper, the lower at row lower
        Unseen,   // either without ink here
        Over      // B has ended
    };
    Kind kind;
    double rowA = 0.0, rowB = 0.0;
    double upper = 0.0, lower = 0.0;
};

// Per column, whether A and B as followed are each other's lines there. A
// meeting is a stretch of columns where they are not apart, with a shared
// column in it; only meetings of at most 20 columns with at least 4 apart
// columns either side (6 are fitted) are judged, as longer ones are not one
// bend of each line. The lines swap an even number of times, because B is
// known to be the line that ends: when they are odd, the least sure swap is
// dropped.
std::vector<char> swappedAtMeetings(const std::vector<LinesColumn> &cols);

#endif
