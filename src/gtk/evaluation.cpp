#include <cstdio>
#include <new>

#include "assertion.h"
#include "handlers.h"
#include "inksearch.h"
#include "knots.h"
#include "ui.h"

// The evaluation page: cutting the two fields out of the scan, and the one
// chain through which every change recomputes spans, knots, curves and tables.

namespace {

const char *const kSetBordersStatus =
    "set left and right borders in image, set dates, choose curve color";

void setEntryText(GtkWidget *entry, const char *text)
{
    gtk_entry_set_text(GTK_ENTRY(entry), text);
}

// A span array with every column allocated, else none.
SpanArray *newSpanArray(int width)
{
    SpanArray *span = new (std::nothrow) SpanArray(width);
    if (span && span->count != width) {
        delete span;
        span = nullptr;
    }
    return span;
}

// The per-column arrays of a freshly cut field; drawPos starts without marks.
void makeColumnArrays(MainCtx *mainCtx, int id)
{
    SubImgData &sub = mainCtx->subImgData[id];
    const int width = imageWidth(sub);
    sub.contrastSpan = newSpanArray(width);
    sub.limitSpan = newSpanArray(width);
    sub.knotPos = new (std::nothrow) int[width];
    sub.knotVal = new (std::nothrow) double[width];
    sub.drawPos = new (std::nothrow) int[width];
    VELLORA_ASSERT(sub.contrastSpan);
    VELLORA_ASSERT(sub.limitSpan);
    VELLORA_ASSERT(sub.knotPos);
    VELLORA_ASSERT(sub.knotVal);
    VELLORA_ASSERT(sub.drawPos);
    clearDrawMarks(mainCtx, id);
}

void cutOutFields(MainCtx *ctx, const Vec2 pass[3])
{
    static const char *const status[2] = {"cut out temperature sub image ...",
                                          "cut out hygrometer sub image ..."};
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        setStatus(ctx, status[f]);
        ctx->subImgData[f].pixbuf =
            cutOutField(*ctx->params, ctx->scanPixbuf, f, pass, progressCallback, ctx);
    }
    setProgress(ctx, 0.0);
}

// Marks not set yet span the whole field.
void defaultDatePos(MainCtx *ctx)
{
    if (ctx->datePos[0] == -1)
        ctx->datePos[0] = 0;
    if (ctx->datePos[1] == -1)
        ctx->datePos[1] = imageWidth(ctx->subImgData[SubImgTemp]) - 1;
}

} // namespace

void cutOutSubImages(GtkWidget *notebook, MainCtx *ctx)
{
    setMarkMode(notebook, ctx, KeepMode);
    for (GtkWidget *toggle : {ctx->widShowContrast, ctx->widShowCurve, ctx->widShowTable})
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(toggle), FALSE);
    if (!(ctx->dirtyFlags & (ImageChanged | PassPointsChanged)))
        return;
    // Entered from events pumped by running work (a cut-out or the chain
    // uses the fields now): the flags stay raised and the next entry cuts.
    if (ctx->busy)
        return;

    // Curves and tables of the old geometry go with its images, so that
    // nothing of them can be drawn or saved after a failed cut-out.
    releaseFields(ctx);
    Vec2 pass[3];
    passPointVectors(ctx->passPoints, pass);
    if (!ctx->scanPixbuf || !passPointsUsable(pass)) {
        for (const SubImgData &sub : ctx->subImgData)
            redrawWidget(sub.widget);
        showError(ctx, kCutOutFailedText);
        return;
    }
    ctx->params->numFieldPassPoints = 3;
    cutOutFields(ctx, pass);
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        if (ctx->subImgData[f].pixbuf) {
            sizeViewToImage(ctx->subImgData[f].widget, ctx->subImgData[f].pixbuf);
            makeColumnArrays(ctx, f);
        }
    }
    if (ctx->subImgData[SubImgTemp].pixbuf && ctx->subImgData[SubImgHygro].pixbuf) {
        defaultDatePos(ctx);
        setStatus(ctx, kSetBordersStatus);
    } else {
        showError(ctx, kCutOutFailedText);
    }
    loadLimits(ctx);
    loadDrawMarks(ctx);
    ctx->dirtyFlags &= ~(ImageChanged | PassPointsChanged);
    recomputeChain(ctx, CurveChanged, 2);
}

void sizeViewToImage(GtkWidget *widget, GdkPixbuf *image)
{
    if (!widget || !image)
        return;
    gtk_widget_set_size_request(widget, gdk_pixbuf_get_width(image),
                                gdk_pixbuf_get_height(image));
}

void contrastSubImage(MainCtx *ctx, int field)
{
    SubImgData &sub = ctx->subImgData[field];
    if (!sub.contrastSpan || !sub.pixbuf)
        return;
    sub.contrastSpan->reset();
    storeLimits(ctx, field);
    setStatus(ctx, "contrast sub image ", FieldText(field).text, " ...");
    findCurveSpans(sub.pixbuf, ctx->refColor, sub.limitSpan, sub.contrastSpan);
    setStatus(ctx, "");
}

void findCurveKnots(MainCtx *ctx, int field)
{
    SubImgData &sub = ctx->subImgData[field];
    if (!sub.contrastSpan || !sub.knotPos || !sub.knotVal || !sub.pixbuf)
        return;
    const int s = ctx->datePos[0], e = ctx->datePos[1];
    setStatus(ctx, "find curve in sub image ", FieldText(field).text, " ...");
    sub.knotCount = 0;
    setProgress(ctx, 0.0);
    sub.knotCount = extractKnots(sub.pixbuf, ctx->refColor, sub.limitSpan, sub.drawPos, s, e,
                                 sub.knotPos, sub.knotVal, progressCallback, ctx);
    delete sub.curve;
    sub.curve = fitKnotCurve(sub.knotPos, sub.knotVal, sub.knotCount, ctx->smoothness,
                             &sub.fitStatus);
    setProgress(ctx, 0.0);
    setStatus(ctx, "");

    char coverage[16];
    std::snprintf(coverage, sizeof coverage, "%d", knotCoverage(sub.knotCount, s, e));
    setEntryText(sub.wid_knotnumperc, coverage);
}

int computeTable(MainCtx *ctx, int field)
{
    SubImgData &sub = ctx->subImgData[field];
    TableInput in;
    in.field = field;
    in.curve = sub.curve;
    in.fitStatus = sub.fitStatus;
    for (int i = 0; i < 2; ++i) {
        in.datePos[i] = ctx->datePos[i];
        in.dateVal[i] = ctx->dateVal[i];
    }
    in.timeStep = ctx->timeStep;
    in.params = ctx->params;
    in.addTemp = ctx->subImgData[SubImgTemp].addValue;
    in.hygroScale = &ctx->hygroScale;

    TableStats stats;
    PaperSpeedCheck speed;
    const int result = computeTable(in, sub.table, &sub.tableCount, &stats, &speed);
    if (speed.warn)
        showWarning(ctx, paperSpeedWarningText(speed).c_str());
    if (result != TableOk) {
        showError(ctx, tableErrorText(result));
        return result;
    }
    char min[32], max[32], mean[32], count[16];
    formatStats(stats, min, max, mean, count);
    setEntryText(sub.wid_min, min);
    setEntryText(sub.wid_max, max);
    setEntryText(sub.wid_mean, mean);
    setEntryText(sub.wid_cnt, count);
    return result;
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
    if ((ctx->dirtyFlags & CurveChanged) && shown) {
        for (int f = first; f <= last; ++f) {
            contrastSubImage(ctx, f);
            findCurveKnots(ctx, f);
            computeTable(ctx, f);
        }
        ctx->dirtyFlags &= ~CurveChanged;
    }
    for (int f = first; f <= last; ++f)
        redrawWidget(ctx->subImgData[f].widget);
}

void loadLimits(MainCtx *ctx)
{
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        SubImgData &sub = ctx->subImgData[f];
        if (sub.limitSpan && sub.pixbuf)
            loadLimits(ctx->fileCtx, f, *sub.limitSpan, imageWidth(sub));
    }
}

void loadDrawMarks(MainCtx *ctx)
{
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        SubImgData &sub = ctx->subImgData[f];
        if (sub.drawPos && sub.pixbuf)
            loadDrawMarks(ctx->fileCtx, f, sub.drawPos, imageWidth(sub));
    }
}

void clearDrawMarks(MainCtx *ctx, int field)
{
    SubImgData &sub = ctx->subImgData[field];
    if (!sub.drawPos)
        return;
    const int width = imageWidth(sub);
    for (int x = 0; x < width; ++x)
        sub.drawPos[x] = -1;
}

void storeLimits(MainCtx *ctx, int field)
{
    SubImgData &sub = ctx->subImgData[field];
    if (sub.limitSpan && sub.pixbuf)
        storeLimits(ctx->fileCtx, field, *sub.limitSpan, imageWidth(sub));
}

void storeLimitColumn(MainCtx *ctx, int field, int x)
{
    SubImgData &sub = ctx->subImgData[field];
    if (sub.limitSpan && sub.pixbuf)
        storeLimitColumn(ctx->fileCtx, field, *sub.limitSpan, x);
}

void on_curvesmoothness_value_changed(GtkRange *range, gpointer user)
{
    trace("on_curvesmoothness_value_changed\n");
    MainCtx *ctx = mainCtxOf(user);
    ctx->smoothness = smoothnessWeight(gtk_range_get_value(range));
    recomputeChain(ctx, CurveChanged, 2);
}
