#ifndef VELLORA_DIGITISE_H
#define VELLORA_DIGITISE_H

#include <string>
#include <vector>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "datetime.h"
#include "filectx.h"
#include "params.h"
#include "progress.h"
#include "records.h"
#include "spanarray.h"
#include "splinecurve.h"
#include "table.h"

// The whole chart-to-table road for one scan without any user interface:
// what the GUI does from its file context records, for the batch and tests.

// Per-scan settings as the GUI holds them after opening a scan.
struct ScanSettings {
    PassPoint passPoints[3];
    int datePos[2];
    DateTime dateVal[2];
    int curveColor[3];
    int timeStep;
    double addValue[2];
};

// The GUI's start values (marks unset, 2000-01-01 12:00 .. 2000-01-02 13:00,
// ink colour srcInkColor, step 60, offsets 0).
void defaultScanSettings(const Params &params, ScanSettings &settings);
// Applies the scan's records over the settings as opening the scan does.
void applyScanRecords(const FileCtx &ctx, ScanSettings &settings);

struct DigitiseOptions {
    double smoothness;   // knot weight; the GUI starts with dstCurveFilter
    int timeStep;        // 10 or 60; 0 takes the scan's setting
    bool autoWindows;    // propose search windows for columns without one
};

// One field's results; owns its image, arrays and curve.
struct FieldResult {
    FieldResult();
    ~FieldResult();
    FieldResult(const FieldResult &) = delete;
    FieldResult &operator=(const FieldResult &) = delete;

    GdkPixbuf *pixbuf;
    SpanArray *limitSpan;
    std::vector<int> drawPos;
    std::vector<int> knotPos;
    std::vector<double> knotVal;
    int knotCount;
    int coverage;
    SplineCurve *curve;
    int fitStatus;
    int tableResult;          // computeTable's result
    PaperSpeedCheck speed;
    std::vector<TableRow> rows;
    TableStats stats;
};

enum DigitiseResult {
    DigitiseOk = 0,
    DigitiseBadPassPoints = -1,  // spans too short, collinear or too large a field
};

// Cuts out both fields, loads the stored windows and drawn rows, searches the
// ink, extracts knots, fits and computes both tables. The marks default as in
// the GUI (start 0, end the last column). Field failures are in the results.
int digitiseScan(const Params &params, const GdkPixbuf *scan, const FileCtx &ctx,
                 const DigitiseOptions &options, FieldResult fields[2],
                 ProgressFn progress = nullptr, void *progressUser = nullptr);

#endif
