// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_SCANSETTINGS_H
#define VELLORA_SCANSETTINGS_H

#include <vector>

#include "datetime.h"
#include "filectx.h"
#include "params.h"
#include "pixel.h"
#include "records.h"
#include "spanarray.h"

// Everything a person sets for one scan, as its file context keeps it. The
// GUI edits one of these; the batch reads one from the records; both hand it
// to the same evaluation, so they cannot digitise a scan differently.

// The hand-made settings of one field, per column of its image.
struct FieldSettings {
    SpanArray windows;          // search windows, -1 = image border
    std::vector<int> drawPos;   // hand-drawn rows, -1 = none
};

struct ScanSettings {
    PassPoint passPoints[3];
    int datePos[2];             // mark columns, -1 = not set
    DateTime dateVal[2];
    int curveColor[3];          // ink of the temperature pen
    // The hygrometer pen's ink is curveColorHygro when the profile or the
    // record gives one, else it is curveColor, as on a chart of one ink.
    bool ownHygroInk;
    int curveColorHygro[3];
    int timeStep;               // 10 or 60
    double addValue[2];         // temperature offset (chart unit), hygrometer offset (mm)
    bool hasSmoothness;         // else dstCurveFilter is the knot weight
    double smoothness;          // the smoothness control's value
    FieldSettings fields[2];
};

// The start values of a scan without records: marks unset, 2000-01-01 12:00
// .. 2000-01-02 13:00, ink srcInkColor (and hygroInkColor when the profile
// sets it), step 60, no offsets, no smoothness
// record, no windows or drawn rows.
void defaultScanSettings(const Params &params, ScanSettings &settings);
// The start values with the scan's records over them (per-column records wait
// for the field images: loadFieldSettings).
void loadScanSettings(const FileCtx &ctx, const Params &params, ScanSettings &settings);
// Sizes a field's windows and drawn rows to its image and reads their records;
// drawn rows beyond the image are brought onto its edge.
void loadFieldSettings(const FileCtx &ctx, int field, int width, int height,
                       FieldSettings &settings);
// Marks not set span the field; marks beyond it are brought onto its edge.
void fitMarksToField(ScanSettings &settings, int width);

// The weight of the knots.
double knotWeight(const ScanSettings &settings, const Params &params);
// The smoothness control's value: the record's, else the one whose weight is
// dstCurveFilter's (rounded to a power of two).
double smoothnessControlValue(const ScanSettings &settings, const Params &params);
// The ink colour of a field's pen.
RefColor inkColorOf(const ScanSettings &settings, int field);

// Clamping what is stored, so the records always describe the field image.
int clampColumn(int x, int width);
int clampRow(int y, int height);

#endif
