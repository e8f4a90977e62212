// SPDX-License-Identifier: GPL-3.0-or-later
#include "fieldeval.h"

#include <algorithm>

#include "cutout.h"
#include "inksearch.h"
#include "knots.h"
#include "records.h"
#include "valuescale.h"

namespace {

void reportStage(const ProgressSink &progress, FieldStage stage, int field)
{
    if (progress.stage)
        progress.stage(progress.user, stage, field);
}

void computeFieldTable(const Params &params, const ScanSettings &settings, int field,
                       FieldResult &result)
{
    const ValueScales scales(params, settings.addValue);
    TableInput table;
    table.field = field;
    table.curve = result.curve.get();
    table.fitStatus = result.fitStatus;
    for (int i = 0; i < 2; ++i) {
        table.datePos[i] = settings.datePos[i];
        table.dateVal[i] = settings.dateVal[i];
    }
    table.timeStep = settings.timeStep;
    table.params = &params;
    table.scales = &scales;

    int count = 0;
    result.rows.resize(kMaxTableRows);
    result.tableResult = computeTable(table, result.rows.data(), &count, &result.stats,
                                      &result.speed);
    result.rows.resize(count);
}

} // namespace

FieldResult::FieldResult() : pixbuf(nullptr)
{
    reset();
}

FieldResult::~FieldResult()
{
    reset();
}

void FieldResult::reset()
{
    if (pixbuf)
        g_object_unref(pixbuf);
    pixbuf = nullptr;
    contrastSpan.resize(0);
    knotPos.clear();
    knotVal.clear();
    knotCount = 0;
    coverage = 0;
    curve.reset();
    fitStatus = 1;
    tableResult = TableMissingCurve;
    speed = PaperSpeedCheck{false, 0.0, 0.0};
    rows.clear();
    stats = TableStats{0.0, 0.0, 0.0, 0};
    evenRowInk.rowStart.clear();
}

const EvenRowInk &fieldEvenRowInk(const FieldResult &result, const RefColor &ref)
{
    const bool found = !result.evenRowInk.rowStart.empty() &&
                       std::equal(ref.rgb, ref.rgb + 3, result.evenRowInkColor.rgb);
    if (!found) {
        findEvenRowInk(result.pixbuf, ref, result.evenRowInk);
        result.evenRowInkColor = ref;
    }
    return result.evenRowInk;
}

bool cutOutFieldImage(const Params &params, const GdkPixbuf *scan, const ScanSettings &settings,
                      int field, FieldResult &result, const ProgressSink &progress)
{
    result.reset();
    Vec2 pass[3];
    passPointVectors(settings.passPoints, pass);
    if (!scan || !passPointsUsable(pass))
        return false;
    Params cutParams = params;
    cutParams.numFieldPassPoints = 3;
    GdkPixbuf *image = cutOutField(cutParams, scan, field, pass, progress.fraction, progress.user);
    if (!image)
        return false;
    takeFieldImage(image, result);
    return true;
}

void takeFieldImage(GdkPixbuf *image, FieldResult &result)
{
    result.reset();
    result.pixbuf = image;
    const int width = gdk_pixbuf_get_width(image);
    result.contrastSpan.resize(width);
    result.knotPos.assign(width, 0);
    result.knotVal.assign(width, 0.0);
}

void evaluateField(const Params &params, const ScanSettings &settings, int field, int stages,
                   FieldResult &result, const ProgressSink &progress)
{
    if (!result.pixbuf)
        return;
    const FieldSettings &hand = settings.fields[field];
    const RefColor ref = inkColorOf(settings, field);
    if (stages & EvalInkExtent) {
        reportStage(progress, InkExtentStage, field);
        result.contrastSpan.reset();
        findCurveSpans(result.pixbuf, ref, &hand.windows, &result.contrastSpan);
    }
    reportStage(progress, KnotStage, field);
    const int s = settings.datePos[0], e = settings.datePos[1];
    // Drawn rows of another geometry are no rows of this image.
    const size_t width = static_cast<size_t>(gdk_pixbuf_get_width(result.pixbuf));
    const int *drawn = hand.drawPos.size() == width ? hand.drawPos.data() : nullptr;
    result.knotCount = extractKnots(result.pixbuf, ref, &hand.windows, drawn, s, e,
                                    result.knotPos.data(), result.knotVal.data(),
                                    progress.fraction, progress.user);
    result.curve.reset(fitKnotCurve(result.knotPos.data(), result.knotVal.data(),
                                    result.knotCount, knotWeight(settings, params),
                                    &result.fitStatus));
    result.coverage = knotCoverage(result.knotCount, s, e);
    computeFieldTable(params, settings, field, result);
}
