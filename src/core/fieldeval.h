// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_FIELDEVAL_H
#define VELLORA_FIELDEVAL_H

#include <memory>
#include <vector>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "evenrowink.h"
#include "params.h"
#include "progress.h"
#include "scansettings.h"
#include "spanarray.h"
#include "splinecurve.h"
#include "table.h"

// The evaluation of one chart field, shared by the GUI and the batch: from
// the field image and the scan's settings to the ink extent, the knots, the
// fitted curve and the table.

// What a field yields; owns its image.
struct FieldResult {
    FieldResult();
    ~FieldResult();
    FieldResult(const FieldResult &) = delete;
    FieldResult &operator=(const FieldResult &) = delete;

    // Back to "not cut out", releasing the image.
    void reset();

    GdkPixbuf *pixbuf;                  // the cut-out field image
    SpanArray contrastSpan;             // first and last ink row per column
    std::vector<int> knotPos;
    std::vector<double> knotVal;
    int knotCount;
    int coverage;                       // knots in percent of the columns between the marks
    std::unique_ptr<SplineCurve> curve;
    int fitStatus;                      // 0 when the curve is usable
    int tableResult;                    // computeTable's result
    PaperSpeedCheck speed;
    std::vector<TableRow> rows;
    TableStats stats;
    // The image's even-row ink in the colour it was found for; see fieldEvenRowInk.
    mutable EvenRowInk evenRowInk;
    mutable RefColor evenRowInkColor;
};

// The field image's even-row ink in colour ref, found on first use and kept
// with the result: the proposed windows and the verdict read the same ink.
const EvenRowInk &fieldEvenRowInk(const FieldResult &result, const RefColor &ref);

// Cuts field f out of the scan at the settings' pass points into result
// (released first). False when the cut-out fails.
bool cutOutFieldImage(const Params &params, const GdkPixbuf *scan, const ScanSettings &settings,
                      int field, FieldResult &result, const ProgressSink &progress);

// Makes image (the caller's reference handed over) the result's field image,
// as a cut-out would.
void takeFieldImage(GdkPixbuf *image, FieldResult &result);

enum EvalStages {
    EvalInkExtent = 1,  // also the first and last ink row of every column (views draw it)
};

// Ink extent (with EvalInkExtent), knots, fit and table of a cut-out field
// from the settings; the marks must lie on the field (fitMarksToField).
void evaluateField(const Params &params, const ScanSettings &settings, int field, int stages,
                   FieldResult &result, const ProgressSink &progress);

#endif
