// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <vector>

#include "autowindows.h"
#include "handlers.h"
#include "i18n.h"
#include "inksearch.h"
#include "ui.h"
#include "zoom.h"

// The mouse on the field views: start and end marks, retouching the search
// window column by column, drawing the curve by hand, and the buttons that
// undo retouching and drawing. Strokes write their records and redraw their
// column strips at once; the expensive refit waits for the button's release.

namespace {

enum Edge { UpperEdge = 0, LowerEdge = 1 };

// A retouched window stays at least this many rows between its edges.
const int kMinWindowRows = 2;

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

// Redraws the stroke's columns and one more on the left at once, so that the
// pointer does not run ahead of them; the refit waits.
void invalidateStrip(GtkWidget *view, MainCtx *ctx, int field, int from, int to)
{
    const double k = ctx->fieldZoom;
    const int left = pixelUnder((from - 1) * k, 1.0);
    GdkRectangle strip = {left, 0, zoomedSize(to + 1, k) - left,
                          zoomedSize(imageHeight(ctx->fields[field]), k)};
    if (view->window) {
        gdk_window_invalidate_rect(view->window, &strip, FALSE);
        gdk_window_process_updates(view->window, FALSE);
    }
    ctx->dirtyFlags |= CurveChanged;
}

// A click beside the image, where the view is wider, marks its edge column.
void setMark(MainCtx *ctx, int i, int x)
{
    int *datePos = ctx->settings.datePos;
    const int old = datePos[i];
    datePos[i] = clampColumn(x, imageWidth(ctx->fields[SubImgTemp]));
    if (datePos[1] <= datePos[0]) {
        showError(ctx, _("you can not set end mark before start mark"));
        datePos[i] = old;
    }
    storeDatePosRecord(ctx->fileCtx, i, datePos[i]);
    proposeEndDate(ctx);
    showDateDifference(ctx);
    recomputeChain(ctx, CurveChanged, 2);
}

// Draws (or with Control erases) the stroke's columns at the pointer row.
// Drawn rows lie on the image, also where the pointer left it.
void drawStroke(GtkWidget *view, MainCtx *ctx, int field, int x, int y, unsigned state)
{
    std::vector<int> &drawPos = ctx->settings.fields[field].drawPos;
    int from, to;
    strokeRange(ctx, x, &from, &to);
    const int pw = static_cast<int>(drawPos.size());
    const int row = clampRow(y, imageHeight(ctx->fields[field]));
    if (state & GDK_BUTTON1_MASK) {
        const bool erase = state & GDK_CONTROL_MASK;
        for (int k = MAX(from, 0); k <= to && k < pw; ++k) {
            drawPos[k] = erase ? -1 : row;
            storeDrawColumn(ctx->fileCtx, field, drawPos.data(), k);
        }
    }
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
        ctx->settings.fields[f].windows.reset();
        storeWindows(ctx, f);
    }
    recomputeChain(ctx, CurveChanged, 2);
}

void on_resetdrawpos_clicked(GtkButton * /*button*/, gpointer user)
{
    trace("on_resetdrawpos_clicked\n");
    MainCtx *ctx = mainCtxOf(user);
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        std::vector<int> &drawPos = ctx->settings.fields[f].drawPos;
        drawPos.assign(drawPos.size(), -1);
        storeDrawMarks(ctx->fileCtx, f, drawPos.data(), static_cast<int>(drawPos.size()));
    }
    recomputeChain(ctx, CurveChanged, 2);
}

void on_autowindows_clicked(GtkButton * /*button*/, gpointer user)
{
    trace("on_autowindows_clicked\n");
    MainCtx *ctx = mainCtxOf(user);
    if (!fieldsCutOut(ctx))
        return;
    const ScanSettings &settings = ctx->settings;
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        FieldSettings &hand = ctx->settings.fields[f];
        setStatus(ctx, _("propose search windows "), FieldText(f).text, " ...");
        proposeSearchWindows(ctx->fields[f].pixbuf, inkColorOf(settings, f), hand.windows, hand.drawPos.data(),
                             settings.datePos[0], settings.datePos[1], progressCallback, ctx);
        setProgress(ctx, 0.0);
        setStatus(ctx, "");
        storeWindows(ctx, f);
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
    // Marks are whole columns: the one under the pointer, at any zoom.
    const int x = pixelUnder(event->x, ctx->fieldZoom);
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
    int wx = 0, wy = 0;
    GdkModifierType state = static_cast<GdkModifierType>(0);
    if (view->window)
        gdk_window_get_pointer(view->window, &wx, &wy, &state);
    readFieldPointer(ctx, field, wx, wy);
    const int x = pixelUnder(wx, ctx->fieldZoom), y = pixelUnder(wy, ctx->fieldZoom);
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
    FieldResult &result = ctx->fields[field];
    SpanArray &windows = ctx->settings.fields[field].windows;
    if (!result.pixbuf)
        return;
    int from, to;
    strokeRange(ctx, x, &from, &to);
    const int pw = imageWidth(result), ph = imageHeight(result);
    const int row = clampRow(y, ph);
    const RefColor ink = inkColorOf(ctx->settings, field);
    for (int k = MAX(from, 0); k <= to && k < pw; ++k) {
        const int v = retouchedRow(windows, k, row, edge, clear != 0);
        if (edge == LowerEdge)
            windows.setTop(k, v);
        else
            windows.setBot(k, v);
        storeLimitColumn(ctx->fileCtx, field, windows, k);
        findColumnSpan(result.pixbuf, ink, k, ph, &windows, &result.contrastSpan);
    }
    invalidateStrip(view, ctx, field, from, to);
}
