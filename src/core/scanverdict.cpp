// SPDX-License-Identifier: GPL-3.0-or-later
#include "scanverdict.h"

#include "evenrowink.h"

FieldEvidence fieldEvidence(const Params &params, const ScanSettings &settings, int field,
                            const FieldResult &result)
{
    FieldEvidence e;
    e.field = field;
    if (!result.pixbuf)
        return e;
    e.width = gdk_pixbuf_get_width(result.pixbuf);
    e.height = gdk_pixbuf_get_height(result.pixbuf);
    e.markStart = settings.datePos[0] < 0 ? 0 : settings.datePos[0];
    e.markEnd = settings.datePos[1] < 0 ? e.width - 1 : settings.datePos[1];
    if (e.markEnd > e.markStart)
        e.minutesPerColumn =
            double(settings.dateVal[0].minutesUntil(settings.dateVal[1])) / (e.markEnd - e.markStart);
    e.pixelsPerMM = params.dstPixelsPerMM;
    e.knotPos.assign(result.knotPos.begin(), result.knotPos.begin() + result.knotCount);
    e.knotVal.assign(result.knotVal.begin(), result.knotVal.begin() + result.knotCount);
    measureColumnInk(fieldEvenRowInk(result, inkColorOf(settings, field)),
                     &settings.fields[field].windows, e);
    if (field == 0) {
        measureScaleLines(result.pixbuf, params.srcFieldHeightMM, e);
        measureTimeLines(result.pixbuf, e);
    }
    e.tableMade = result.tableResult == TableOk;
    e.rows = result.rows;
    e.speed = result.speed;
    return e;
}

ScanVerdict judgeFields(const Params &params, const ScanSettings &settings,
                        const FieldResult fields[2], FieldEvidence evidence[2])
{
    for (int f = 0; f < 2; ++f)
        evidence[f] = fieldEvidence(params, settings, f, fields[f]);
    return judgeScan(evidence);
}

PreviewField previewField(const ScanSettings &settings, int field, const FieldResult &result,
                          const FieldEvidence &evidence)
{
    PreviewField p;
    p.image = result.pixbuf;
    p.curve = result.fitStatus == 0 ? result.curve.get() : nullptr;
    p.windows = &settings.fields[field].windows;
    p.rows = result.rows;
    p.suspect = suspectStretches(evidence);
    p.markStart = evidence.markStart;
    p.markEnd = evidence.markEnd;
    return p;
}

std::vector<double> bridgedHoursOf(const ScanVerdict &verdict, int field, size_t rows)
{
    std::vector<double> hours(rows, 0.0);
    for (const FlaggedRow &flag : verdict.flagged) {
        if (flag.field == field && flag.row >= 0 && static_cast<size_t>(flag.row) < rows)
            hours[flag.row] = flag.bridgedHours;
    }
    return hours;
}
