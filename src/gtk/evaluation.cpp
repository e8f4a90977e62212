// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <string>

#include "handlers.h"
#include "i18n.h"
#include "inksearch.h"
#include "ui.h"
#include "zoom.h"

// The evaluation page: cutting the two fields out of the scan, and the one
// chain through which every change re-evaluates the fields and redraws them.

namespace {

const char *const kSetBordersStatus =
    N_("set left and right borders in image, set dates, choose curve color");

void setEntryText(GtkWidget *entry, const char *text)
{
    gtk_entry_set_text(GTK_ENTRY(entry), text);
}

void showStage(void *user, FieldStage stage, int field)
{
    MainCtx *ctx = static_cast<MainCtx *>(user);
    setStatus(ctx, stage == InkExtentStage ? _("contrast sub image ") : _("find curve in sub image "),
              FieldText(field).text, " ...");
}

ProgressSink guiProgress(MainCtx *ctx)
{
    return ProgressSink{progressCallback, showStage, ctx};
}

bool cutOutFields(MainCtx *ctx)
{
    static const char *const status[2] = {N_("cut out temperature sub image ..."),
                                          N_("cut out hygrometer sub image ...")};
    bool cut = true;
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        setStatus(ctx, _(status[f]));
        FieldResult &field = ctx->fields[f];
        if (!cutOutFieldImage(*ctx->params, ctx->scanPixbuf, ctx->settings, f, field,
                              guiProgress(ctx))) {
            cut = false;
            continue;
        }
        sizeViewToImage(ctx->subImgData[f].widget, field.pixbuf, ctx->fieldZoom);
        loadFieldSettings(ctx->fileCtx, f, imageWidth(field), imageHeight(field),
                          ctx->settings.fields[f]);
    }
    setProgress(ctx, 0.0);
    return cut;
}

void showFieldResult(MainCtx *ctx, int field)
{
    const FieldResult &result = ctx->fields[field];
    const SubImgData &sub = ctx->subImgData[field];
    char coverage[16];
    std::snprintf(coverage, sizeof coverage, "%d", result.coverage);
    setEntryText(sub.wid_knotnumperc, coverage);
    if (result.speed.warn)
        showWarning(ctx, paperSpeedWarningText(result.speed).c_str());
    if (result.tableResult != TableOk) {
        showError(ctx, tableErrorText(result.tableResult));
        return;
    }
    char min[32], max[32], mean[32], count[16];
    formatStats(result.stats, min, max, mean, count);
    setEntryText(sub.wid_min, min);
    setEntryText(sub.wid_max, max);
    setEntryText(sub.wid_mean, mean);
    setEntryText(sub.wid_cnt, count);
}

void evaluate(MainCtx *ctx, int field)
{
    setProgress(ctx, 0.0);
    evaluateField(*ctx->params, ctx->settings, field, EvalInkExtent, ctx->fields[field],
                  guiProgress(ctx));
    fieldCurveChanged(ctx, field);
    setProgress(ctx, 0.0);
    setStatus(ctx, "");
    showFieldResult(ctx, field);
}

} // namespace

bool fieldsCutOut(const MainCtx *ctx)
{
    return ctx->fields[SubImgTemp].pixbuf && ctx->fields[SubImgHygro].pixbuf;
}

void cutOutSubImages(GtkWidget *notebook, MainCtx *ctx)
{
    setMarkMode(notebook, ctx, KeepMode);
    for (GtkWidget *toggle : {ctx->widShowContrast, ctx->widShowCurve, ctx->widShowTable})
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(toggle), FALSE);
    if (!prepareFields(ctx))
        returnToPage(notebook, PassPointPage);
}

bool prepareFields(MainCtx *ctx)
{
    if (!(ctx->dirtyFlags & (ImageChanged | PassPointsChanged)))
        return true;
    // Entered from events pumped by running work (a cut-out or the chain
    // uses the fields now): the flags stay raised and the next entry cuts.
    if (ctx->busy)
        return true;
    const PassPoint *points = ctx->settings.passPoints;
    if (points[0].set && points[1].set && points[2].set) {
        const std::string problem =
            passPointFrameProblem(*ctx->params, points, ctx->lastSetPassPoint);
        if (!problem.empty()) {
            releaseFields(ctx);
            showError(ctx, problem.c_str());
            return false;
        }
    }

    // Curves and tables of the old geometry go with its images, so that
    // nothing of them can be drawn or saved after a failed cut-out.
    releaseFields(ctx);
    if (!cutOutFields(ctx)) {
        releaseFields(ctx);
        for (const SubImgData &sub : ctx->subImgData)
            redrawWidget(sub.widget);
        showError(ctx, kCutOutFailedText);
        return true;
    }
    fitMarksToField(ctx->settings, imageWidth(ctx->fields[SubImgTemp]));
    sizeOverview(ctx);
    setStatus(ctx, _(kSetBordersStatus));
    if (!marksPlaced(ctx))
        proposeMarks(ctx);
    proposeEndDate(ctx);
    ctx->dirtyFlags &= ~(ImageChanged | PassPointsChanged);
    recomputeChain(ctx, CurveChanged, 2);
    return true;
}

void sizeViewToImage(GtkWidget *widget, GdkPixbuf *image, double scale)
{
    if (!widget || !image)
        return;
    gtk_widget_set_size_request(widget, zoomedSize(gdk_pixbuf_get_width(image), scale),
                                zoomedSize(gdk_pixbuf_get_height(image), scale));
}

void recomputeChain(MainCtx *ctx, int flags, int which)
{
    // Called from events pumped by running work: the request is dropped, so
    // the work is never entered twice.
    if (ctx->busy)
        return;
    ctx->dirtyFlags |= flags;
    const int first = which == 2 ? SubImgTemp : which;
    const int last = which == 2 ? SubImgHygro : which;
    const bool shown = ctx->showContrast || ctx->showCurve || ctx->showTable;
    if ((ctx->dirtyFlags & CurveChanged) && shown && fieldsCutOut(ctx)) {
        for (int f = first; f <= last; ++f)
            evaluate(ctx, f);
        ctx->dirtyFlags &= ~CurveChanged;
        judgeShownFields(ctx);
    } else if (ctx->dirtyFlags & CurveChanged) {
        forgetVerdict(ctx);  // it spoke of curves that no longer hold
    }
    for (int f = first; f <= last; ++f)
        redrawWidget(ctx->subImgData[f].widget);
}

void storeWindows(MainCtx *ctx, int field)
{
    const SpanArray &windows = ctx->settings.fields[field].windows;
    storeLimits(ctx->fileCtx, field, windows, windows.size());
}

void on_curvesmoothness_value_changed(GtkRange *range, gpointer user)
{
    trace("on_curvesmoothness_value_changed\n");
    MainCtx *ctx = mainCtxOf(user);
    const double value = gtk_range_get_value(range);
    // Also the value that opening a scan shows: nothing changed then.
    if (value == smoothnessControlValue(ctx->settings, *ctx->params))
        return;
    ctx->settings.hasSmoothness = true;
    ctx->settings.smoothness = value;
    storeSmoothnessRecord(ctx->fileCtx, value);
    recomputeChain(ctx, CurveChanged, 2);
}

void showSmoothness(MainCtx *ctx)
{
    gtk_range_set_value(GTK_RANGE(ctx->widCurveSmoothness),
                        smoothnessControlValue(ctx->settings, *ctx->params));
}
