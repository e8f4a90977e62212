// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_TABLE_H
#define VELLORA_TABLE_H

#include <string>

#include "datetime.h"
#include "params.h"
#include "splinecurve.h"
#include "valuescale.h"

const int kMaxTableRows = 2016;

struct TableRow {
    int x, y;
    int year, month, day, hour, minute;
    double value;
};

struct TableStats {
    double min, max, mean;
    int count;
};

// Everything the table of one field depends on.
struct TableInput {
    int field;                    // 0 temperature, 1 hygrometer
    const SplineCurve *curve;
    int fitStatus;
    int datePos[2];
    DateTime dateVal[2];
    int timeStep;                 // 10 or 60
    const Params *params;
    const ValueScales *scales;    // with the scan's offsets
};

enum TableResult {
    TableOk = 0,
    TableMissingCurve = -1,
    TableInvalidStart = -2,
    TableInvalidEnd = -3,
    TableStartNotBeforeEnd = -4,
    TableDatesTooSimilar = -5,
    TableTooLong = -6,
};

// Paper speed check: set when srcMMPerHour > 0 and the mark distance per hour
// lies outside 0.9 .. 1/0.9 of the nominal feed.
struct PaperSpeedCheck {
    bool warn;
    double mmPerHour;     // measured, P / dstPixelsPerMM
    double srcMMPerHour;  // nominal
};

// Samples the curve every timeStep minutes from the start to the end date; a
// chart hour is the columns between the marks over the minutes between their
// dates, times 60.
// rows must hold kMaxTableRows. On failure *count is 0. The paper speed check
// is filled before the row loop (also when the loop then fails).
int computeTable(const TableInput &in, TableRow *rows, int *count, TableStats *stats,
                 PaperSpeedCheck *speed);

// The dialog text of a failed computeTable ("missing curve", ...).
const char *tableErrorText(int result);
// The measured and nominal feed of the paper speed warning, "%f" each.
void paperSpeedWarningParts(const PaperSpeedCheck &speed, char measured[64], char nominal[64]);
// "paper speed not exact, please check dates, mmPerHour=..., should be srcMMPerHour=..."
std::string paperSpeedWarningText(const PaperSpeedCheck &speed);

// Statistics texts "%+7.2f" of min, max, mean and "%d" of the count.
void formatStats(const TableStats &stats, char min[32], char max[32], char mean[32], char count[16]);

#endif
