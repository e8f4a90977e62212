#include <algorithm>

#include "handlers.h"
#include "ui.h"

// The scan view: the scan at its own size, the three pass points and, once
// all are set, the outlines of the two fields the cut-out will take.

namespace {

const char *const kPassPointLabels[3] = {"TopLeft", "BottomLeft", "BottomRight"};

const GdkColor kYellow = {0, 65535, 65535, 0};
const GdkColor kBlack = {0, 0, 0, 0};

// A label moves to the left of its marker beyond this fraction of the scan width.
const double kLabelLeftFraction = 0.6;

// Pixel of a position: add 0.5 and cut toward zero. Records may carry any
// finite number, so the position is first kept within what an int holds.
int toPixel(double v)
{
    return static_cast<int>(std::clamp(v, -1.0e9, 1.0e9) + 0.5);
}

GdkGC *makeGC(GdkWindow *window, const GdkColor &color, int lineWidth, GdkLineStyle style)
{
    GdkGC *gc = gdk_gc_new(window);
    setGCLine(gc, color, lineWidth, style);
    return gc;
}

void drawLine(GdkWindow *window, GdkGC *gc, Vec2 a, Vec2 b)
{
    gdk_draw_line(window, gc, toPixel(a.x), toPixel(a.y), toPixel(b.x), toPixel(b.y));
}

void drawScan(GtkWidget *widget, GdkPixbuf *scan, const GdkRectangle &area)
{
    int width = std::min(area.width, gdk_pixbuf_get_width(scan) - area.x);
    int height = std::min(area.height, gdk_pixbuf_get_height(scan) - area.y);
    if (width <= 0 || height <= 0)
        return;
    gdk_draw_pixbuf(gtk_widget_get_window(widget),
                    widget->style->fg_gc[gtk_widget_get_state(widget)], scan, area.x, area.y,
                    area.x, area.y, width, height, GDK_RGB_DITHER_NORMAL, area.x, area.y);
}

// The two field parallelograms, the same corners the cut-out uses.
void drawFieldOutlines(MainCtx *ctx, GdkWindow *window)
{
    GdkGC *gc = makeGC(window, kYellow, 3, GDK_LINE_ON_OFF_DASH);
    Vec2 pass[3];
    passPointVectors(ctx->settings.passPoints, pass);
    for (int field = SubImgTemp; field <= SubImgHygro; ++field) {
        // S: P1+o+w, P0+o+w, P1+o, P0+o.
        Vec2 S[4];
        fieldCorners(*ctx->params, field, pass, S);
        drawLine(window, gc, S[3], S[2]);
        drawLine(window, gc, S[3], S[1]);
        drawLine(window, gc, S[1], S[0]);
        drawLine(window, gc, S[0], S[2]);
    }
    g_object_unref(gc);
}

// The label's top-left corner lies 16 pixels right of (x, y).
void drawMarkerLabel(MainCtx *ctx, GtkWidget *widget, GdkGC *gc, int x, int y, const char *text)
{
    drawLabel(widget, gc, ctx->fontLarge, x + 16, y, false, text);
}

// A yellow ring, a black cross whose arms leave the centre free (dashed for
// the point the next click sets) and the point's name.
void drawPassPointMarker(MainCtx *ctx, GtkWidget *widget, int cx, int cy, bool active,
                         const char *label, int labelLeft)
{
    GdkWindow *window = gtk_widget_get_window(widget);
    GdkGC *gc = makeGC(window, kYellow, 8, GDK_LINE_SOLID);
    gdk_draw_arc(window, gc, FALSE, cx - 16, cy - 16, 32, 32, 0, 360 * 64);
    setGCLine(gc, kBlack, 3, active ? GDK_LINE_ON_OFF_DASH : GDK_LINE_SOLID);
    gdk_draw_line(window, gc, cx - 25, cy, cx - 4, cy);
    gdk_draw_line(window, gc, cx + 4, cy, cx + 25, cy);
    gdk_draw_line(window, gc, cx, cy - 25, cx, cy - 4);
    gdk_draw_line(window, gc, cx, cy + 4, cx, cy + 25);
    drawMarkerLabel(ctx, widget, gc, cx - 180 * labelLeft, cy, label);
    g_object_unref(gc);
}

void drawPassPointMarkers(MainCtx *ctx, GtkWidget *widget)
{
    const int scanWidth = gdk_pixbuf_get_width(ctx->scanPixbuf);
    for (int i = 0; i < 3; ++i) {
        const PassPoint &pp = ctx->settings.passPoints[i];
        if (!pp.set)
            continue;
        int labelLeft = pp.x / scanWidth > kLabelLeftFraction ? 1 : 0;
        drawPassPointMarker(ctx, widget, toPixel(pp.x), toPixel(pp.y),
                            i == ctx->activePassPoint, kPassPointLabels[i], labelLeft);
    }
}

bool allPassPointsSet(const MainCtx *ctx)
{
    const PassPoint *points = ctx->settings.passPoints;
    return points[0].set && points[1].set && points[2].set;
}

void selectPassPoint(gpointer user, int i)
{
    MainCtx *ctx = mainCtxOf(user);
    ctx->activePassPoint = i;
    redrawWidget(ctx->widImgScan);
}

} // namespace

gboolean on_imgscan_expose_event(GtkWidget *widget, GdkEventExpose *event, gpointer user)
{
    trace("on_imgscan_expose_event\n");
    MainCtx *ctx = mainCtxOf(user);
    if (!ctx->scanPixbuf)
        return FALSE;
    drawScan(widget, ctx->scanPixbuf, event->area);
    if (allPassPointsSet(ctx))
        drawFieldOutlines(ctx, gtk_widget_get_window(widget));
    drawPassPointMarkers(ctx, widget);
    return FALSE;
}

gboolean on_imgscan_button_press_event(GtkWidget * /*widget*/, GdkEventButton *event,
                                       gpointer user)
{
    trace("on_imgscan_button_press_event\n");
    MainCtx *ctx = mainCtxOf(user);
    const int i = ctx->activePassPoint;
    if (i < 0 || i > 2)
        return FALSE;
    PassPoint &pp = ctx->settings.passPoints[i];
    pp.x = event->x;
    pp.y = event->y;
    pp.set = 1;
    storePassPoint(ctx, i);
    redrawWidget(ctx->widImgScan);
    ctx->dirtyFlags |= PassPointsChanged;
    return FALSE;
}

// The radio buttons' names do not follow the point order: P2 is TopLeft,
// P1 BottomLeft.
void on_P2_toggled(GtkToggleButton * /*button*/, gpointer user)
{
    trace("on_P2_toggled\n");
    selectPassPoint(user, 0);
}

void on_P1_toggled(GtkToggleButton * /*button*/, gpointer user)
{
    trace("on_P1_toggled\n");
    selectPassPoint(user, 1);
}

void on_P3_toggled(GtkToggleButton * /*button*/, gpointer user)
{
    trace("on_P3_toggled\n");
    selectPassPoint(user, 2);
}

void on_up_clicked(GtkButton * /*button*/, gpointer user)
{
    trace("on_up_clicked\n");
    nudgePassPoints(mainCtxOf(user), 0.0, -1.0);
}

void on_down_clicked(GtkButton * /*button*/, gpointer user)
{
    trace("on_down_clicked\n");
    nudgePassPoints(mainCtxOf(user), 0.0, 1.0);
}

void on_left_clicked(GtkButton * /*button*/, gpointer user)
{
    trace("on_left_clicked\n");
    nudgePassPoints(mainCtxOf(user), -1.0, 0.0);
}

void on_right_clicked(GtkButton * /*button*/, gpointer user)
{
    trace("on_right_clicked\n");
    nudgePassPoints(mainCtxOf(user), 1.0, 0.0);
}

// The record goes with the windows, drawn rows and offsets of the old
// geometry; the settings forget them too.
void storePassPoint(MainCtx *ctx, int i)
{
    storePassPointRecord(ctx->fileCtx, i, ctx->settings.passPoints[i]);
    forgetGeometrySettings(ctx);
}

void nudgePassPoints(MainCtx *ctx, double dx, double dy)
{
    // Unset points move and are stored too, each record with its own set flag.
    for (int i = 0; i < 3; ++i) {
        ctx->settings.passPoints[i].x += dx;
        ctx->settings.passPoints[i].y += dy;
        storePassPoint(ctx, i);
    }
    redrawWidget(ctx->widImgScan);
    ctx->dirtyFlags |= PassPointsChanged;
}
