// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_TRACEENDS_H
#define VELLORA_TRACEENDS_H

// Where the pen went down and where it was lifted: the ends of the longest
// continuous stroke in the ink colour, as field image columns of the pen's
// centre, which is what the start and end marks stand for.

#include <string>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "params.h"
#include "records.h"
#include "strokemap.h"

struct TraceEnds {
    int column[2];       // start and end, field image columns; -1 when not found
    double confidence;   // 0..1
    std::string reason;  // why the ends are doubtful; empty when sure
};

// Of one field image; rgb is the ink colour to follow.
TraceEnds findFieldTraceEnds(const Params &params, const StrokeMap &field, const int rgb[3]);

// Both fields' traces agreeing; the columns are those of the field images
// cut out with the three pass points. Not found when the fields cannot be
// cut out.
TraceEnds findTraceEnds(const Params &params, const GdkPixbuf *scan, const PassPoint pass[3], const int rgb[3]);

// Two fields' ends made one: their mean when they agree, else the
// temperature field's with the disagreement given as the reason.
TraceEnds combineTraceEnds(const Params &params, const TraceEnds fields[2]);

#endif
