#include <cstdio>

#include "autowindows.h"
#include "handlers.h"
#include "inksearch.h"
#include "ui.h"

// The mouse on the field views: start and end marks, retouching the search
// window column by column, drawing the curve by hand, and the buttons that
// undo retouching and drawing. Strokes write their records and redraw their
// column strips at once; the expensive refit waits for the button's release.

namespace {

enum Edge { UpperEdge = 0, LowerEdge = 1 };

// A retouched window stays at least this many rows between its edges.
const int kMinWindowRows = 2;
// Half the height of a hand-drawn row's red bar.
const int kDrawHalf = 2;

const GdkColor kDrawColor = {0, 0xFFFF, 0x0000, 0x0000};

GdkCursor *modeCursor(MainCtx *ctx)
{
    switch (ctx->markMode) {
    case StartMark: return ctx->cursorLeftSide;
    case EndMark: return ctx->cursorRightSide;
    case RetouchVertical: return ctx->cursorDoubleArrow;
    default: return ctx->cursorPencil;
    }
}

// Columns between the previous pointer column and x, however fast the
// pointer moved; only x when there was none.
void strokeRange(const MainCtx *ctx, int x, int *from, int *to)
{
    if (ctx->lastPointerX < 0) {
        *from = *to = x;
        return;
    }
    *from = MIN(ctx->lastPointerX, x);
    *to = MAX(ctx->lastPointerX, x);
}

// Redraws the stroke's columns and one more on the left; the refit waits.
void invalidateStrip(GtkWidget *view, MainCtx *ctx, int field, int from, int to)
{
    GdkRectangle strip = {from - 1, 0, to - from + 2, imageHeight(ctx->subImgData[field])};
    if (view->window)
        gdk_window_invalidate_rect(view->window, &strip, FALSE);
    ctx->dirtyFlags |= CurveChanged;
}

void setMark(MainCtx *ctx, int i, int x)
{
    const int old = ctx->datePos[i];
    ctx->datePos[i] = x;
    if (ctx->datePos[1] <= ctx->datePos[0]) {
        showError(ctx, "you can not set end mark before start mark");
        ctx->datePos[i] = old;
    }
    storeDatePos(ctx, i);
    recomputeChain(ctx, CurveChanged, 2);
}

// Draws (or with Control erases) the stroke's columns at the pointer row.
void drawStroke(GtkWidget *view, MainCtx *ctx, int field, int x, int y, unsigned state)
{
    SubImgData &sub = ctx->subImgData[field];
    int from, to;
    strokeRange(ctx, x, &from, &to);
    const int pw = imageWidth(sub);
    GdkGC *gc = view->window ? gdk_gc_new(view->window) : nullptr;
    if (gc)
        setGCLine(gc, kDrawColor, 3, GDK_LINE_SOLID);
    if (sub.drawPos && (state & GDK_BUTTON1_MASK)) {
        const bool erase = state & GDK_CONTROL_MASK;
        for (int k = MAX(from, 0); k <= to && k < pw; ++k) {
            sub.drawPos[k] = erase ? -1 : y;
            if (!erase && gc)
                gdk_draw_line(view->window, gc, k, y - kDrawHalf, k, y + kDrawHalf);
            storeDrawColumn(ctx, field, k);
        }
    }
    if (gc)
        g_object_unref(gc);
    invalidateStrip(view, ctx, field, from, to);
}

int retouchedRow(const SpanArray &limit, int k, int y, int edge, bool clear)
{
    if (clear)
        return -1;
    if (edge == LowerEdge) {
        const int bot = limit.getBot(k);
        return bot != -1 && y < bot + kMinWindowRows ? bot + kMinWindowRows : y;
    }
    const int top = limit.getTop(k);
    return top != -1 && y > top - kMinWindowRows ? top - kMinWindowRows : y;
}

} // namespace

// ---- handlers ------------------------------------------------------------------

gboolean on_imgtemp_button_press_event(GtkWidget *widget, GdkEventButton *event, gpointer user)
{
    trace("on_imgtemp_button_press_event\n");
    pressFieldView(widget, event, mainCtxOf(user), SubImgTemp);
    return TRUE;
}

gboolean on_imgtemp_button_release_event(GtkWidget *widget, GdkEventButton *event, gpointer user)
{
    trace("on_imgtemp_button_release_event\n");
    releaseFieldView(widget, event, mainCtxOf(user), SubImgTemp);
    return TRUE;
}

gboolean on_imghygro_button_press_event(GtkWidget *widget, GdkEventButton *event, gpointer user)
{
    trace("on_imghygro_button_press_event\n");
    pressFieldView(widget, event, mainCtxOf(user), SubImgHygro);
    return TRUE;
}

gboolean on_imghygro_button_release_event(GtkWidget *widget, GdkEventButton *event,
                                          gpointer user)
{
    trace("on_imghygro_button_release_event\n");
    releaseFieldView(widget, event, mainCtxOf(user), SubImgHygro);
    return TRUE;
}

gboolean on_imghygro_motion_notify_event(GtkWidget *widget, GdkEventMotion *event, gpointer user)
{
    trace("on_imghygro_motion_notify_event\n");
    moveInFieldView(widget, event, mainCtxOf(user), SubImgHygro);
    return FALSE;
}

gboolean on_imgtemp_motion_notify_event(GtkWidget *widget, GdkEventMotion *event, gpointer user)
{
    trace("on_imgtemp_motion_notify_event\n");
    moveInFieldView(widget, event, mainCtxOf(user), SubImgTemp);
    return FALSE;
}

void on_resetvertical_clicked(GtkButton * /*button*/, gpointer user)
{
    trace("on_resetvertical_clicked\n");
    MainCtx *ctx = mainCtxOf(user);
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        SubImgData &sub = ctx->subImgData[f];
        if (!sub.limitSpan)
            continue;
        sub.limitSpan->reset();
        storeLimits(ctx, f);
    }
    recomputeChain(ctx, CurveChanged, 2);
}

void on_resetdrawpos_clicked(GtkButton * /*button*/, gpointer user)
{
    trace("on_resetdrawpos_clicked\n");
    MainCtx *ctx = mainCtxOf(user);
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        if (!ctx->subImgData[f].drawPos)
            continue;
        clearDrawMarks(ctx, f);
        storeDrawMarks(ctx, f);
    }
    recomputeChain(ctx, CurveChanged, 2);
}

void on_autowindows_clicked(GtkButton * /*button*/, gpointer user)
{
    trace("on_autowindows_clicked\n");
    MainCtx *ctx = mainCtxOf(user);
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        SubImgData &sub = ctx->subImgData[f];
        if (!sub.pixbuf || !sub.limitSpan)
            continue;
        setStatus(ctx, "propose search windows ", FieldText(f).text, " ...");
        proposeSearchWindows(sub.pixbuf, ctx->refColor, *sub.limitSpan, sub.drawPos,
                             ctx->datePos[0], ctx->datePos[1], progressCallback, ctx);
        setProgress(ctx, 0.0);
        setStatus(ctx, "");
        storeLimits(ctx, f);
    }
    recomputeChain(ctx, CurveChanged, 2);
}

// ---- operations ------------------------------------------------------------------

void setMarkMode(GtkWidget *widget, MainCtx *ctx, int mode)
{
    if (mode != KeepMode)
        ctx->markMode = mode;
    setWidgetCursor(widget, modeCursor(ctx));
    const bool dates = ctx->markMode == StartMark || ctx->markMode == EndMark;
    gtk_widget_set_sensitive(ctx->widDateAndTimeFrame, dates);
}

void pressFieldView(GtkWidget *view, GdkEventButton *event, MainCtx *ctx, int /*field*/)
{
    // A double or triple click arrives after its single presses, which
    // already did the work.
    if (event->type != GDK_BUTTON_PRESS)
        return;
    const int x = static_cast<int>(event->x + 0.5);
    ctx->lastPointerX = x;
    switch (ctx->markMode) {
    case StartMark:
    case EndMark:
        setMark(ctx, ctx->markMode, x);
        break;
    case RetouchVertical:
        if (event->button == 1)
            setWidgetCursor(view, ctx->cursorTopSide);
        else if (event->button == 3)
            setWidgetCursor(view, ctx->cursorBottomSide);
        break;
    default:
        break;
    }
}

void moveInFieldView(GtkWidget *view, GdkEventMotion * /*event*/, MainCtx *ctx, int field)
{
    // The pointer now, not the event's: with motion hints the event is stale.
    int x = 0, y = 0;
    GdkModifierType state = static_cast<GdkModifierType>(0);
    if (view->window)
        gdk_window_get_pointer(view->window, &x, &y, &state);
    const int clear = (state & GDK_CONTROL_MASK) ? 1 : 0;
    switch (ctx->markMode) {
    case RetouchVertical:
        if (state & GDK_BUTTON1_MASK)
            retouchLimit(view, ctx, field, x, y, UpperEdge, clear);
        if (state & GDK_BUTTON3_MASK)
            retouchLimit(view, ctx, field, x, y, LowerEdge, clear);
        break;
    case DrawCurve:
        drawStroke(view, ctx, field, x, y, state);
        break;
    default:
        break;
    }
    ctx->lastPointerX = x;
}

void releaseFieldView(GtkWidget *view, GdkEventButton * /*event*/, MainCtx *ctx, int field)
{
    if (ctx->lastPointerX >= 0) {
        ctx->lastPointerX = -1;
        recomputeChain(ctx, 0, field);
    }
    setMarkMode(view, ctx, KeepMode);
}

void retouchLimit(GtkWidget *view, MainCtx *ctx, int field, int x, int y, int edge, int clear)
{
    SubImgData &sub = ctx->subImgData[field];
    if (!sub.limitSpan || !sub.contrastSpan)
        return;
    int from, to;
    strokeRange(ctx, x, &from, &to);
    const int pw = imageWidth(sub), ph = imageHeight(sub);
    for (int k = MAX(from, 0); k <= to && k < pw; ++k) {
        const int v = retouchedRow(*sub.limitSpan, k, y, edge, clear != 0);
        if (edge == LowerEdge)
            sub.limitSpan->setTop(k, v);
        else
            sub.limitSpan->setBot(k, v);
        storeLimitColumn(ctx, field, k);
        findColumnSpan(sub.pixbuf, ctx->refColor, k, ph, sub.limitSpan, sub.contrastSpan);
    }
    invalidateStrip(view, ctx, field, from, to);
}

void storeDatePos(MainCtx *ctx, int i)
{
    storeDatePosRecord(ctx->fileCtx, i, ctx->datePos[i]);
}

void storeDrawColumn(MainCtx *ctx, int field, int column)
{
    const SubImgData &sub = ctx->subImgData[field];
    if (!sub.drawPos || column < 0 || column >= imageWidth(sub))
        return;
    storeDrawColumn(ctx->fileCtx, field, sub.drawPos, column);
}

void storeDrawMarks(MainCtx *ctx, int field)
{
    const SubImgData &sub = ctx->subImgData[field];
    if (sub.drawPos)
        storeDrawMarks(ctx->fileCtx, field, sub.drawPos, imageWidth(sub));
}
