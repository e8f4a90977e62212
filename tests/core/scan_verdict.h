// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_SCAN_VERDICT_H
#define VELLORA_SCAN_VERDICT_H

// A scan digitised from its records and judged, as the batch does it.

#include "digitise.h"
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

#endif
