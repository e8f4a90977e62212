// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cmath>
#include <string>

#include "cutout.h"
#include "handlers.h"
#include "i18n.h"
#include "ui.h"
#include "zoom.h"

// The scan view: the scan at its zoom (fitted to the window when opened), the
// three pass points and, once all are set, the outlines of the two fields the
// cut-out will take. Points are set where the pointer is, to a fraction of a
// scan pixel when zoomed in.

namespace {

const char *const kPassPointLabels[3] = {"TopLeft", "BottomLeft", "BottomRight"};
// The radio buttons of the points, in point order.
const char *const kPassPointRadios[3] = {"P2", "P1", "P3"};

// How far the corner at BottomLeft and the ratio of the two edges may be from
// the chart's frame before the points are refused.
const double kMaxCornerDegrees = 10.0;
const double kMaxEdgeRatioError = 0.2;

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

void drawLine(GdkWindow *window, GdkGC *gc, Vec2 a, Vec2 b, double scale)
{
    gdk_draw_line(window, gc, toPixel(a.x * scale), toPixel(a.y * scale), toPixel(b.x * scale),
                  toPixel(b.y * scale));
}

// The exposed part of the scan at the view's scale: only that part is scaled.
void drawScan(GtkWidget *widget, GdkPixbuf *scan, const GdkRectangle &area, double scale)
{
    const int width = std::min(area.width, zoomedSize(gdk_pixbuf_get_width(scan), scale) - area.x);
    const int height = std::min(area.height, zoomedSize(gdk_pixbuf_get_height(scan), scale) - area.y);
    if (width <= 0 || height <= 0)
        return;
    GdkGC *gc = widget->style->fg_gc[gtk_widget_get_state(widget)];
    if (scale == 1.0) {
        gdk_draw_pixbuf(widget->window, gc, scan, area.x, area.y, area.x, area.y, width, height,
                        GDK_RGB_DITHER_NORMAL, area.x, area.y);
        return;
    }
    GdkPixbuf *part = gdk_pixbuf_new(GDK_COLORSPACE_RGB, gdk_pixbuf_get_has_alpha(scan), 8, width, height);
    if (!part)
        return;
    gdk_pixbuf_scale(scan, part, 0, 0, width, height, -area.x, -area.y, scale, scale,
                     zoomInterpolation(scale));
    gdk_draw_pixbuf(widget->window, gc, part, 0, 0, area.x, area.y, width, height,
                    GDK_RGB_DITHER_NORMAL, area.x, area.y);
    g_object_unref(part);
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
        const double k = ctx->scanZoom;
        drawLine(window, gc, S[3], S[2], k);
        drawLine(window, gc, S[3], S[1], k);
        drawLine(window, gc, S[1], S[0], k);
        drawLine(window, gc, S[0], S[2], k);
    }
    g_object_unref(gc);
}

// The label's top-left corner lies 16 pixels right of (x, y).
void drawMarkerLabel(MainCtx *ctx, GtkWidget *widget, GdkGC *gc, int x, int y, const char *text)
{
    drawLabel(widget->window, gc, ctx->fontLarge, x + 16, y, false, text);
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
        drawPassPointMarker(ctx, widget, toPixel(pp.x * ctx->scanZoom), toPixel(pp.y * ctx->scanZoom),
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

// The radio button of the point; its handler selects it.
void showSelectedPassPoint(MainCtx *ctx, int i)
{
    GtkWidget *radio = glade_xml_get_widget(ctx->gladeXml, kPassPointRadios[i]);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(radio), TRUE);
}

// The next point after the given one that is still unset, if any, becomes
// the one a click sets.
void selectNextUnsetPassPoint(MainCtx *ctx, int after)
{
    for (int k = 1; k <= 2; ++k) {
        const int j = (after + k) % 3;
        if (!ctx->settings.passPoints[j].set) {
            showSelectedPassPoint(ctx, j);
            return;
        }
    }
}

// The view and the cut-out follow the moved points.
void passPointsMoved(MainCtx *ctx)
{
    redrawWidget(ctx->widImgScan);
    ctx->dirtyFlags |= PassPointsChanged;
}

Vec2 minus(const PassPoint &a, const PassPoint &b)
{
    return Vec2{a.x - b.x, a.y - b.y};
}

std::string frameProblem(const char *what, const char *point)
{
    return std::string(_("The pass points do not form the chart's frame: ")) + what + _(". Check ") +
           point + ".";
}

} // namespace

gboolean on_imgscan_expose_event(GtkWidget *widget, GdkEventExpose *event, gpointer user)
{
    trace("on_imgscan_expose_event\n");
    MainCtx *ctx = mainCtxOf(user);
    if (!ctx->scanPixbuf)
        return FALSE;
    drawScan(widget, ctx->scanPixbuf, event->area, ctx->scanZoom);
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
    if (event->type != GDK_BUTTON_PRESS || event->button != 1 || !ctx->scanPixbuf)
        return FALSE;
    const int i = ctx->activePassPoint;
    if (i < 0 || i > 2)
        return FALSE;
    placePassPoint(ctx, i, toImage(event->x, ctx->scanZoom), toImage(event->y, ctx->scanZoom));
    return FALSE;
}

gboolean on_imgscan_motion_notify_event(GtkWidget * /*widget*/, GdkEventMotion *event,
                                        gpointer user)
{
    trace("on_imgscan_motion_notify_event\n");
    readScanPointer(mainCtxOf(user), event->x, event->y);
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
    passPointsMoved(ctx);
}

void placePassPoint(MainCtx *ctx, int i, double x, double y)
{
    ctx->settings.passPoints[i] = PassPoint{1, x, y};
    ctx->lastSetPassPoint = i;
    storePassPoint(ctx, i);
    passPointsMoved(ctx);
    selectNextUnsetPassPoint(ctx, i);
}

void proposePassPoints(MainCtx *ctx, const PassPoint found[3])
{
    for (int i = 0; i < 3; ++i) {
        ctx->settings.passPoints[i] = found[i];
        storePassPoint(ctx, i);
    }
    ctx->lastSetPassPoint = -1;
    passPointsMoved(ctx);
    selectNextUnsetPassPoint(ctx, 2);
}

void nudgeSelectedPassPoint(MainCtx *ctx, double dx, double dy)
{
    const int i = ctx->activePassPoint;
    PassPoint &pp = ctx->settings.passPoints[i];
    if (!pp.set)
        return;
    placePassPoint(ctx, i, pp.x + dx, pp.y + dy);
}

// TopLeft above BottomLeft and BottomRight to its right as the chart lies
// (any rotation, not mirrored), a right corner at BottomLeft and the edges in
// the ratio of the field geometry. Three points allow no telling which one
// is off, so the message names the one set last (BottomRight before any).
std::string passPointFrameProblem(const Params &params, const PassPoint points[3], int lastSet)
{
    const char *check = kPassPointLabels[lastSet >= 0 && lastSet <= 2 ? lastSet : 2];
    const Vec2 up = minus(points[0], points[1]), across = minus(points[2], points[1]);
    const double upLength = vectorLength(up), acrossLength = vectorLength(across);
    if (upLength <= 0.0 || acrossLength <= 0.0)
        return frameProblem(_("two points lie on each other"), check);
    const double cross = up.x * across.y - up.y * across.x;
    if (cross <= 0.0)
        return frameProblem(_("they are in the wrong order or turned over"), check);
    const double cosine = (up.x * across.x + up.y * across.y) / (upLength * acrossLength);
    const double degrees = std::acos(std::clamp(cosine, -1.0, 1.0)) * 180.0 / M_PI;
    if (std::fabs(degrees - 90.0) > kMaxCornerDegrees) {
        char what[96];
        g_snprintf(what, sizeof what, _("the corner at BottomLeft is %.0f degrees, not 90"), degrees);
        return frameProblem(what, check);
    }
    const double across2 = 2.0 * params.srcFieldHeightMM + params.srcFieldDistMM;
    const double ratio = (upLength / acrossLength) / (params.srcFieldWidthMM / across2);
    if (std::fabs(ratio - 1.0) > kMaxEdgeRatioError) {
        char what[160];
        g_snprintf(what, sizeof what,
                   _("TopLeft to BottomLeft is %.0f %% of what BottomLeft to BottomRight makes it "
                     "on this chart"),
                   ratio * 100.0);
        return frameProblem(what, check);
    }
    return "";
}
