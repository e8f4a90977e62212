// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_VERDICT_H
#define VELLORA_VERDICT_H

#include <string>
#include <vector>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "evenrowink.h"
#include "spanarray.h"
#include "table.h"

// Whether a scan's tables can be trusted unattended, from what digitising it
// left behind: ok, suspect (worth a look) or failed (no usable tables).

enum class VerdictLevel { Ok, Suspect, Failed };

// Ink of one field column, read on even rows and counted twice.
struct ColumnInk {
    int inWindow;   // ink rows within the column's search window
    int beside;     // ink rows outside it but within 10 mm of it
    int total;      // ink rows anywhere in the column
};

// Everything one field contributes to the verdict.
struct FieldEvidence {
    int field = 0;                     // 0 temperature, 1 hygrometer
    int width = 0, height = 0;         // field image
    int markStart = -1, markEnd = -1;  // columns of the trace's start and end
    double minutesPerColumn = 0.0;     // from the marks and their dates
    double pixelsPerMM = 8.0;
    std::vector<int> knotPos;          // knot columns, ascending
    std::vector<double> knotVal;       // knot rows
    std::vector<ColumnInk> ink;        // per column (measureColumnInk); empty: not read
    double lineRowShare = 0.0;         // share of rows with ink across the field
    int runOnBefore = 0, runOnAfter = 0;   // columns a line runs on beyond the start and end marks
    double scaleLineOffsetMM = 0.0;    // offset of the printed scale lines (measureScaleLines)
    double timeLineColumns = 0.0;      // spacing of the printed time lines (measureTimeLines), 0: none seen
    bool tableMade = false;            // computeTable succeeded
    std::vector<TableRow> rows;        // table rows with their curve positions
    PaperSpeedCheck speed{};           // from computeTable
};

// Rows of one field whose value was bridged over a stretch without ink.
struct FlaggedRow {
    int field;
    int row;               // index into the field's table rows
    double bridgedHours;   // length of the stretch without ink
};

struct FieldFigures {
    double knotShare = 0.0;         // share of the marked columns with a knot
    double longestGapHours = 0.0;   // longest stretch of the marks without a knot
    double besideHours = 0.0;       // longest stretch with other ink running beside the path
    double fastestRate = 0.0;       // fastest knot movement, scale units per hour
};

struct ScanVerdict {
    VerdictLevel level = VerdictLevel::Ok;
    std::vector<std::string> reasons;   // short, for a person, worst first
    std::vector<FlaggedRow> flagged;
    FieldFigures figures[2];
};

// A column stretch, first and last column.
struct ColumnStretch {
    int first, last;
};

// Stretches of a field worth a look, in column order: no ink for half an hour
// or more, other ink beside the trace for an hour or more, and knots moving
// faster than the instrument can.
std::vector<ColumnStretch> suspectStretches(const FieldEvidence &evidence);

// Counts the ink of every column of a field image (its even rows' ink, as
// found for the trace following) into evidence.ink: within its window (none:
// the whole column), beside it, and in all. Rows with ink across a good share
// of the columns are printed lines: they are left out of the counts, and their
// share goes to evidence.lineRowShare. From the windows at the marks (set
// ones only) it follows the ink outward into runOnBefore and runOnAfter. The
// evidence's marks, minutesPerColumn and pixelsPerMM are to be set first.
void measureColumnInk(const EvenRowInk &ink, const SpanArray *windows, FieldEvidence &evidence);

// How far the printed temperature lines of a field image lie from the rows
// the scale puts them on (45 C at the top edge, 80 C over fieldHeightMM), as
// far as a quarter of sixteen stretches along the field reach, into
// evidence.scaleLineOffsetMM; 0 where no printed lines show. Misplaced pass
// points move and tilt them; a blot or note over a few stretches does not.
void measureScaleLines(const GdkPixbuf *image, double fieldHeightMM, FieldEvidence &evidence);

// The spacing in columns of the printed time lines of a field image, as the
// mean over a run of evenly spaced lines, into evidence.timeLineColumns; 0
// where no such run shows. With the marks' dates it gives the time between
// the lines, a round number of minutes unless a date or mark is off.
void measureTimeLines(const GdkPixbuf *image, FieldEvidence &evidence);

ScanVerdict judgeScan(const FieldEvidence fields[2]);

const char *verdictName(VerdictLevel level);   // "ok", "suspect", "failed"
// The reasons joined by "; ", or "" when there are none.
std::string verdictReasons(const ScanVerdict &verdict);

#endif
