// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_SCAN_VERDICT_H
#define VELLORA_SCAN_VERDICT_H

// A scan digitised from its records and judged, as the batch does it.

#include <functional>

#include "digitise.h"
#include "hardcharts.h"
#include "scanverdict.h"

// Digitises the scan with the context's records and judges it; fields keep
// the results, settings (when given) what they were made with.
inline ScanVerdict digitiseAndJudge(const Params &params, const GdkPixbuf *scan, const FileCtx &ctx,
                                    bool autoWindows, FieldResult fields[2], FieldEvidence *kept = nullptr,
                                    ScanSettings *used = nullptr)
{
    ScanSettings ownSettings;
    ScanSettings &settings = used ? *used : ownSettings;
    FieldEvidence ownEvidence[2];
    FieldEvidence *evidence = kept ? kept : ownEvidence;
    DigitiseOptions options;
    options.autoWindows = autoWindows;
    if (digitiseScan(params, scan, ctx, options, fields, nullptr, nullptr, &settings) == DigitiseOk)
        return judgeFields(params, settings, fields, evidence);
    return judgeScan(evidence);
}

struct JudgedChart {
    ScanVerdict verdict;
    double temp, hum;   // table RMSE against the truth; NaN without a table
};

// The chart digitised from its records, edited first when asked, and judged;
// another scan image or other parameters may stand in for the chart's.
inline JudgedChart judgeChart(const SynthChart &chart, bool autoWindows,
                              const std::function<void(FileCtx &)> &edit = nullptr, const GdkPixbuf *scan = nullptr,
                              const Params *params = nullptr)
{
    FileCtx ctx;
    chart.storeRecords(ctx);
    if (edit) edit(ctx);
    FieldResult fields[2];
    JudgedChart j;
    j.verdict = digitiseAndJudge(params ? *params : chart.params, scan ? scan : chart.scan.get(), ctx, autoWindows,
                                 fields);
    j.temp = tableError(chart, fields[0].rows, 0).rmse;
    j.hum = tableError(chart, fields[1].rows, 1).rmse;
    return j;
}

#endif
