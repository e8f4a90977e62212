// SPDX-License-Identifier: GPL-3.0-or-later
#include "turnmeetings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

typedef std::function<double(int)> Line;

// Two lines a pen of 4 rows wide, as a follower sees them: apart where more
// than 4 rows apart, else sharing one run whose upper and lower line rows are
// read to within a row. Line A starts on `one`, B on `two`; they change
// lines at each column of `switches`, and B ends at column `over`.
std::vector<LinesColumn> followed(const Line &one, const Line &two, const std::vector<int> &switches, int over)
{
    std::vector<LinesColumn> cols;
    bool swapped = false;
    for (int x = 0; x < over + 10; ++x) {
        for (int s : switches)
            swapped = swapped != (x == s);
        const double wobble = 0.3 * ((x * 7) % 3 - 1);
        const double a = (swapped ? two(x) : one(x)) + wobble, b = (swapped ? one(x) : two(x)) - wobble;
        LinesColumn c{LinesColumn::Apart, a, b};
        if (x >= over) {
            c.kind = LinesColumn::Over;
        } else if (std::fabs(a - b) < 4.0) {
            c.kind = LinesColumn::Shared;
            c.upper = std::round(std::min(a, b));
            c.lower = std::round(std::max(a, b));
        }
        cols.push_back(c);
    }
    return cols;
}

// Near column 30 the lines come together, run 3 rows apart for 8 columns and
// turn back; near column 90 they cross at a steady angle. (Far from both
// meetings the rows jump; no fit reaches there.)
double touching(int x) { return std::max(0.0, std::abs(x - 30) - 4.0); }
double first(int x) { return x < 60 ? 101.5 + 0.8 * touching(x) : 100.0 + 0.8 * (x - 90); }
double second(int x) { return x < 60 ? 98.5 - 0.8 * touching(x) : 100.0 - 0.8 * (x - 90); }

}  // namespace

TEST(TurnMeetings, LinesFollowedRightAreLeftAlone)
{
    const std::vector<char> swapped = swappedAtMeetings(followed(first, second, {}, 140));
    EXPECT_EQ(std::count(swapped.begin(), swapped.end(), 1), 0);
}

TEST(TurnMeetings, TouchFollowedAsCrossingAndCrossingAsTouchAreMended)
{
    // Followed straight through the touch, and back at the crossing: A runs
    // on the second line between them.
    const std::vector<LinesColumn> cols = followed(first, second, {30, 90}, 140);
    // Each meeting ends at the first apart column after it.
    auto endOfMeeting = [&](int x) {
        while (cols[x].kind != LinesColumn::Apart)
            ++x;
        return x;
    };
    const int from = endOfMeeting(30), to = endOfMeeting(90);
    ASSERT_LT(from, 40);
    const std::vector<char> swapped = swappedAtMeetings(cols);
    for (int x = 0; x < (int)cols.size(); ++x)
        EXPECT_EQ(swapped[x], x >= from && x < to) << "column " << x;
}
