// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_DIGITISE_H
#define VELLORA_DIGITISE_H

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "fieldeval.h"
#include "fieldpair.h"
#include "filectx.h"
#include "params.h"
#include "progress.h"
#include "scansettings.h"

// The whole chart-to-table road for one scan without any user interface: the
// settings read from the scan's file context, then the evaluation the GUI runs.

struct DigitiseOptions {
    DigitiseOptions();
    bool hasSmoothness;  // overrides the scan's Smoothness record
    double smoothness;   // the smoothness control's value
    int timeStep;        // 10 or 60; 0 takes the scan's setting
    bool autoWindows;    // propose search windows for columns without one
    // Both fields cut already with the same parameters (by the auto set-up):
    // taken instead of cutting again when cut at the scan's pass points.
    const FieldPair *cutFields;
};

enum DigitiseResult {
    DigitiseOk = 0,
    DigitiseBadPassPoints = -1,  // spans too short, collinear or too large a field
};

// Cuts out both fields, loads the stored windows and drawn rows, searches the
// ink, extracts knots, fits and computes both tables. Marks not set span the
// field. Field failures are in the results. settings, when given, receives
// what was used.
int digitiseScan(const Params &params, const GdkPixbuf *scan, const FileCtx &ctx,
                 const DigitiseOptions &options, FieldResult fields[2],
                 ProgressFn progress = nullptr, void *progressUser = nullptr,
                 ScanSettings *used = nullptr);

#endif
