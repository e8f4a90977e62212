// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_CORNERFIND_H
#define VELLORA_CORNERFIND_H

// Finding the three pass points from the printed grid: the outer edges of
// the two fields along the time axis and the field ends across it, fitted to
// sub-pixel lines whose intersections are the corners.

#include <string>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "params.h"
#include "records.h"

// A found corner below this confidence is not set.
const double kMinCornerConfidence = 0.5;

struct CornerSearch {
    // TopLeft, BottomLeft, BottomRight. A corner that could not be vouched
    // for has set = 0; its x and y then hold the best estimate when there is
    // one (for a person to correct), else 0.
    PassPoint points[3];
    double confidence[3];  // 0..1
    double angleDeg;       // turn of the grid on the scan, > 0 clockwise
    double pixelsPerMM;    // scan pixels per paper mm found from the grid
    std::string reason;    // why a corner is missing or doubtful; empty when all are sure
};

// Searches a three-channel scan on which the chart lies as the pass points
// describe it (time axis running up the scan), turned by at most about 3
// degrees, at any resolution from about 100 to 700 dpi.
CornerSearch findFieldCorners(const Params &params, const GdkPixbuf *scan);

#endif
