// SPDX-License-Identifier: GPL-3.0-or-later
#include "turnmeetings.h"

#include <algorithm>
#include <cmath>

#include "geometry.h"

namespace {

const int kMeetingSide = 6;         // apart columns either side a line is fitted over
const int kFewestSide = 4;          // fewer leave the meeting as followed
const int kLongestMeeting = 20;     // columns; a longer meeting is more than one bend
const double kInkMisfitCap = 9.0;   // squared rows: one column of ink (a blot in the run) decides nothing alone

// Rows over columns as c0 + c1 t + c2 t², t taken from the meeting's middle.
struct Quadratic {
    double c[3] = {0.0, 0.0, 0.0};
    double middle = 0.0;

    double at(double x) const
    {
        const double t = x - middle;
        return c[0] + t * (c[1] + t * c[2]);
    }
};

struct Point {
    double x, row;
};

// Least squares on the normal equations; all zero when the points leave it
// open.
Quadratic fitQuadratic(const std::vector<Point> &points, double middle)
{
    double power[5] = {}, moment[3] = {};
    for (const Point &p : points) {
        const double t = p.x - middle;
        double tk = 1.0;
        for (int k = 0; k < 5; ++k, tk *= t) {
            power[k] += tk;
            if (k < 3)
                moment[k] += tk * p.row;
        }
    }
    const double normal[9] = {power[0], power[1], power[2], power[1], power[2], power[3], power[2], power[3], power[4]};
    double inverse[9];
    Quadratic q;
    q.middle = middle;
    if (invert3x3(normal, inverse) != 0)
        return q;
    for (int i = 0; i < 3; ++i)
        q.c[i] = inverse[3 * i] * moment[0] + inverse[3 * i + 1] * moment[1] + inverse[3 * i + 2] * moment[2];
    return q;
}

double squaredMisfit(const Quadratic &q, const std::vector<Point> &points)
{
    double sum = 0.0;
    for (const Point &p : points)
        sum += (q.at(p.x) - p.row) * (q.at(p.x) - p.row);
    return sum;
}

struct Meeting {
    int begin, end;   // its columns
    int before, after;   // the apart columns fitted: [before, begin) and [end, after)
    double gain;      // misfit as followed less misfit swapped: above 0 swaps
};

// How badly the lines fit when the line that came in as A leaves as A, or
// as B (swapped): each line one quadratic over both sides, the upper and the
// lower of them on the shared runs' rows.
double misfit(const std::vector<LinesColumn> &cols, const Meeting &m, bool swapped)
{
    std::vector<Point> one, two;
    auto add = [&](int c, bool swap) {
        one.push_back({(double)c, swap ? cols[c].rowB : cols[c].rowA});
        two.push_back({(double)c, swap ? cols[c].rowA : cols[c].rowB});
    };
    for (int c = m.before; c < m.begin; ++c)
        add(c, false);
    for (int c = m.end; c < m.after; ++c)
        add(c, swapped);
    const double middle = 0.5 * (m.begin + m.end);
    const Quadratic p = fitQuadratic(one, middle), q = fitQuadratic(two, middle);
    double sum = squaredMisfit(p, one) + squaredMisfit(q, two);
    for (int c = m.begin; c < m.end; ++c) {
        if (cols[c].kind != LinesColumn::Shared)
            continue;
        const double upper = std::min(p.at(c), q.at(c)), lower = std::max(p.at(c), q.at(c));
        sum += std::min(kInkMisfitCap, std::pow(upper - cols[c].upper, 2)) +
               std::min(kInkMisfitCap, std::pow(lower - cols[c].lower, 2));
    }
    return sum;
}

bool apart(const LinesColumn &c) { return c.kind == LinesColumn::Apart; }

// The meetings fit to be judged, each with its gain.
std::vector<Meeting> judgedMeetings(const std::vector<LinesColumn> &cols)
{
    std::vector<Meeting> meetings;
    const int n = (int)cols.size();
    int c = 0;
    while (c < n && !apart(cols[c]))
        ++c;
    while (c < n) {
        while (c < n && apart(cols[c]))
            ++c;
        Meeting m{c, c, c, c, 0.0};
        bool shared = false;
        for (; c < n && !apart(cols[c]) && cols[c].kind != LinesColumn::Over; ++c)
            shared = shared || cols[c].kind == LinesColumn::Shared;
        if (c >= n || cols[c].kind == LinesColumn::Over)
            break;
        m.end = m.after = c;
        while (m.before > 0 && m.begin - m.before < kMeetingSide && apart(cols[m.before - 1]))
            --m.before;
        while (m.after < n && m.after - m.end < kMeetingSide && apart(cols[m.after]))
            ++m.after;
        if (!shared || m.end - m.begin > kLongestMeeting || m.begin - m.before < kFewestSide ||
            m.after - m.end < kFewestSide)
            continue;
        m.gain = misfit(cols, m, false) - misfit(cols, m, true);
        meetings.push_back(m);
    }
    return meetings;
}

}  // namespace

std::vector<char> swappedAtMeetings(const std::vector<LinesColumn> &cols)
{
    std::vector<Meeting> meetings = judgedMeetings(cols);
    const long swaps = std::count_if(meetings.begin(), meetings.end(), [](const Meeting &m) { return m.gain > 0; });
    if (swaps % 2) {
        auto leastSure = std::min_element(meetings.begin(), meetings.end(), [](const Meeting &a, const Meeting &b) {
            return std::fabs(a.gain) < std::fabs(b.gain);
        });
        leastSure->gain = -leastSure->gain;
    }
    std::vector<char> swapped(cols.size(), 0);
    bool on = false;
    for (const Meeting &m : meetings) {
        if (m.gain > 0)
            on = !on;
        // From the meeting's end up to the next one's.
        std::fill(swapped.begin() + m.end, swapped.end(), on);
    }
    return swapped;
}
