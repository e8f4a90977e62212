// SPDX-License-Identifier: GPL-3.0-or-later
#include "table.h"

#include <cstdio>

namespace {

// The first failing precondition, in the order the dialogs report them.
int checkTableInput(const TableInput &in)
{
    // A hygrometer table without its scale cannot convert the curve either.
    if (!in.curve || in.fitStatus != 0 || !in.params || !in.scales)
        return TableMissingCurve;
    if (in.dateVal[0].status() != 0)
        return TableInvalidStart;
    if (in.dateVal[1].status() != 0)
        return TableInvalidEnd;
    if (in.dateVal[0].minutesUntil(in.dateVal[1]) <= 0)
        return TableStartNotBeforeEnd;
    if (in.dateVal[0].minutesUntil(in.dateVal[1]) < 60)
        return TableDatesTooSimilar;
    return TableOk;
}

// P is in image columns per hour.
PaperSpeedCheck checkPaperSpeed(const Params &params, double P)
{
    PaperSpeedCheck speed;
    speed.srcMMPerHour = params.srcMMPerHour;
    speed.mmPerHour = P / params.dstPixelsPerMM;
    speed.warn = false;
    if (params.srcMMPerHour > 0.0) {
        const double expected = params.dstPixelsPerMM * params.srcMMPerHour;
        speed.warn = P < 0.9 * expected || P > expected / 0.9;
    }
    return speed;
}

int roundPixel(double v)
{
    return static_cast<int>(v + 0.5);
}

}  // namespace

int computeTable(const TableInput &in, TableRow *rows, int *count, TableStats *stats,
                 PaperSpeedCheck *speed)
{
    *count = 0;
    *speed = PaperSpeedCheck{false, 0.0, in.params ? in.params->srcMMPerHour : 0.0};
    const int bad = checkTableInput(in);
    if (bad)
        return bad;

    const DateTime &end = in.dateVal[1];
    // Exact for whole hours, so such marks give the tables they always gave.
    const double hours = in.dateVal[0].minutesUntil(end) / 60.0;
    const double P = (in.datePos[1] - in.datePos[0]) / hours;
    *speed = checkPaperSpeed(*in.params, P);

    // Any step but 10 minutes is the hourly table.
    const bool tenMinutes = in.timeStep == 10;
    const double perMinute = P / 60.0;
    const double perStep = tenMinutes ? P / 6.0 : P;
    const int grid = tenMinutes ? 10 : 60;

    double x = in.datePos[0];
    DateTime t = in.dateVal[0];
    while (t.minute % grid != 0) {
        x += perMinute;
        t.addMinute();
    }

    double minV = 1.0e9, maxV = -1.0e9, sum = 0.0;
    int n = 0;
    do {
        if (n == kMaxTableRows)
            return TableTooLong;
        const double r = in.curve->value(x);
        const double value = in.scales->valueAtRow(in.field, r);
        sum += value;
        if (value < minV)
            minV = value;
        if (value > maxV)
            maxV = value;
        rows[n] = TableRow{roundPixel(x), roundPixel(r), t.year, t.month, t.day, t.hour, t.minute,
                           value};
        if (tenMinutes)
            t.addTenMinutes();
        else
            t.addHour();
        x += perStep;
        ++n;
    } while (t.minutesUntil(end) >= 0);

    *count = n;
    stats->min = minV;
    stats->max = maxV;
    stats->mean = sum / n;
    stats->count = n;
    return TableOk;
}

const char *tableErrorText(int result)
{
    switch (result) {
    case TableMissingCurve:
        return "missing curve";
    case TableInvalidStart:
        return "invalid start date";
    case TableInvalidEnd:
        return "invalid end date";
    case TableStartNotBeforeEnd:
        return "start date is not before end date";
    case TableDatesTooSimilar:
        return "start and end date are too similar";
    case TableTooLong:
        return "table too long, check dates";
    default:
        return "";
    }
}

void paperSpeedWarningParts(const PaperSpeedCheck &speed, char measured[64], char nominal[64])
{
    std::snprintf(measured, 64, "%f", speed.mmPerHour);
    std::snprintf(nominal, 64, "%f", speed.srcMMPerHour);
}

std::string paperSpeedWarningText(const PaperSpeedCheck &speed)
{
    char measured[64], nominal[64];
    paperSpeedWarningParts(speed, measured, nominal);
    return std::string("paper speed not exact, please check dates, mmPerHour=") + measured +
           ", should be srcMMPerHour=" + nominal;
}

void formatStats(const TableStats &stats, char min[32], char max[32], char mean[32], char count[16])
{
    std::snprintf(min, 32, "%+7.2f", stats.min);
    std::snprintf(max, 32, "%+7.2f", stats.max);
    std::snprintf(mean, 32, "%+7.2f", stats.mean);
    std::snprintf(count, 16, "%d", stats.count);
}
