#ifndef VELLORA_SCAN_VERDICT_H
#define VELLORA_SCAN_VERDICT_H

// The verdict on a scan digitised by digitiseScan, its evidence taken from the
// field results as the batch would take it.

#include "digitise.h"
#include "preview.h"
#include "verdict.h"

inline FieldEvidence fieldEvidence(const FieldResult &r, int f, const int datePos[2], const DateTime dateVal[2],
                                   const RefColor &ref, const Params &params)
{
    FieldEvidence e;
    e.field = f;
    if (!r.pixbuf) return e;
    e.width = gdk_pixbuf_get_width(r.pixbuf);
    e.height = gdk_pixbuf_get_height(r.pixbuf);
    e.markStart = datePos[0] < 0 ? 0 : datePos[0];
    e.markEnd = datePos[1] < 0 ? e.width - 1 : datePos[1];
    if (e.markEnd > e.markStart)
        e.minutesPerColumn = double(dateVal[0].minutesUntil(dateVal[1])) / (e.markEnd - e.markStart);
    e.pixelsPerMM = params.dstPixelsPerMM;
    e.knotPos.assign(r.knotPos.begin(), r.knotPos.begin() + r.knotCount);
    e.knotVal.assign(r.knotVal.begin(), r.knotVal.begin() + r.knotCount);
    EvenRowInk ink;
    findEvenRowInk(r.pixbuf, ref, ink);
    measureColumnInk(ink, r.limitSpan, e);
    if (f == 0) measureScaleLines(r.pixbuf, params.srcFieldHeightMM, e);
    e.tableMade = r.tableResult == TableOk;
    e.rows = r.rows;
    e.speed = r.speed;
    return e;
}

inline PreviewField previewField(const FieldResult &r, const FieldEvidence &e)
{
    PreviewField p;
    p.image = r.pixbuf;
    p.curve = r.fitStatus == 0 ? r.curve : nullptr;
    p.windows = r.limitSpan;
    p.rows = r.rows;
    p.suspect = suspectStretches(e);
    p.markStart = e.markStart;
    p.markEnd = e.markEnd;
    return p;
}

// Digitises the scan with the context's records and judges it; fields keep
// the results.
inline ScanVerdict digitiseAndJudge(const Params &params, const GdkPixbuf *scan, const FileCtx &ctx,
                                    bool autoWindows, FieldResult fields[2], FieldEvidence *kept = nullptr)
{
    ScanSettings settings;
    defaultScanSettings(params, settings);
    applyScanRecords(ctx, settings);
    FieldEvidence evidence[2];
    if (digitiseScan(params, scan, ctx, {params.dstCurveFilter, 0, autoWindows}, fields) == DigitiseOk) {
        guchar rgb[3];
        for (int k = 0; k < 3; ++k) rgb[k] = guchar(settings.curveColor[k]);
        RefColor ref;
        makeRefColor(ref, rgb);
        int datePos[2] = {settings.datePos[0], settings.datePos[1]};
        for (int f = 0; f < 2; ++f) evidence[f] = fieldEvidence(fields[f], f, datePos, settings.dateVal, ref, params);
    }
    if (kept)
        for (int f = 0; f < 2; ++f) kept[f] = evidence[f];
    return judgeScan(evidence);
}

#endif
