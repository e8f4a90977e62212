// SPDX-License-Identifier: GPL-3.0-or-later
#include "inkclassifier.h"

#include <cmath>

// Within a cell every colour lies at most this far from the cell centre
// (7.5 * sqrt(3)), plus a margin that swallows rounding.
static const double kCellReach = 12.9904 + 0.01;

// dist and off are both 1-Lipschitz in the colour (off is the length of a
// linear map of norm at most 1), so over a cell each stays within kCellReach
// of its value at the centre.
static guchar classifyCell(const RefColor &ref, const double centre[3], guchar ink,
                           guchar noInk, guchar mixed)
{
    double distSq = 0.0, s = 0.0;
    for (int k = 0; k < 3; ++k) {
        double d = centre[k] - ref.rgb[k];
        distSq += d * d;
        s += centre[k] * ref.unit[k];
    }
    double offSq = 0.0;
    for (int k = 0; k < 3; ++k) {
        double e = centre[k] - s * ref.unit[k];
        offSq += e * e;
    }
    double dist = std::sqrt(distSq), off = std::sqrt(offSq);
    double upper = (dist + kCellReach) * (off + kCellReach);
    double lower = std::fmax(0.0, dist - kCellReach) * std::fmax(0.0, off - kCellReach);
    if (upper < kInkDistance)
        return ink;
    if (lower > kInkDistance)
        return noInk;
    return mixed;
}

InkClassifier::InkClassifier(const RefColor &r) : ref(r)
{
    for (int c = 0; c < 4096; ++c) {
        const guchar corner[3] = {(guchar)(c >> 8 << 4), (guchar)((c >> 4 & 15) << 4),
                                  (guchar)((c & 15) << 4)};
        const double centre[3] = {corner[0] + 7.5, corner[1] + 7.5, corner[2] + 7.5};
        cells[cellOf(corner)] = classifyCell(ref, centre, Ink, NoInk, Mixed);
    }
}
