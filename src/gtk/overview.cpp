// SPDX-License-Identifier: GPL-3.0-or-later
#include "handlers.h"
#include "i18n.h"
#include "ui.h"
#include "zoom.h"

// The evaluation page's overview: both fields shrunk to the panel's width,
// one above the other, with a frame around what each field view shows; a
// click there brings that place into the views. Also the link that makes the
// two field views scroll together along the time axis.

namespace {

const int kOverviewWidth = 240;
const int kOverviewGap = 4;
const GdkColor kFrameColor = {0, 0xFFFF, 0x0000, 0x0000};

GtkAdjustment *fieldAdjustment(MainCtx *ctx, int field, bool horizontal)
{
    return viewAdjustment(ctx->subImgData[field].widget, horizontal);
}

// Overview pixels per field image pixel: the temperature field's width fills it.
double overviewScale(const MainCtx *ctx)
{
    const int width = imageWidth(ctx->fields[SubImgTemp]);
    return width > 0 ? static_cast<double>(kOverviewWidth) / width : 0.0;
}

int fieldTop(const MainCtx *ctx, int field, double k)
{
    return field == SubImgTemp ? 0
                               : static_cast<int>(imageHeight(ctx->fields[SubImgTemp]) * k) + kOverviewGap;
}

// Shrunk once per cut-out: the overview is redrawn at every scroll step.
void drawShrunkField(MainCtx *ctx, GdkDrawable *d, GdkGC *gc, int field, double k, int top)
{
    GdkPixbuf *&small = ctx->overviewImage[field];
    GdkPixbuf *image = ctx->fields[field].pixbuf;
    if (!small) {
        const int w = MAX(1, static_cast<int>(gdk_pixbuf_get_width(image) * k));
        const int h = MAX(1, static_cast<int>(gdk_pixbuf_get_height(image) * k));
        small = gdk_pixbuf_scale_simple(image, w, h, GDK_INTERP_BILINEAR);
    }
    if (small)
        gdk_draw_pixbuf(d, gc, small, 0, 0, 0, top, -1, -1, GDK_RGB_DITHER_NORMAL, 0, 0);
}

void drawViewFrame(MainCtx *ctx, GdkDrawable *d, GdkGC *gc, int field, double k, int top)
{
    GtkAdjustment *h = fieldAdjustment(ctx, field, true), *v = fieldAdjustment(ctx, field, false);
    const double perWidget = k / ctx->fieldZoom;
    const int x = static_cast<int>(h->value * perWidget), y = static_cast<int>(v->value * perWidget);
    const int w = static_cast<int>(h->page_size * perWidget), hgt = static_cast<int>(v->page_size * perWidget);
    gdk_draw_rectangle(d, gc, FALSE, x, top + y, MAX(w - 1, 1), MAX(hgt - 1, 1));
}

gboolean on_overview_expose(GtkWidget *widget, GdkEventExpose *, gpointer user)
{
    MainCtx *ctx = mainCtxOf(user);
    if (!fieldsCutOut(ctx))
        return FALSE;
    const double k = overviewScale(ctx);
    GdkGC *gc = gdk_gc_new(widget->window);
    setGCLine(gc, kFrameColor, 2, GDK_LINE_SOLID);
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        drawShrunkField(ctx, widget->window, gc, f, k, fieldTop(ctx, f, k));
        drawViewFrame(ctx, widget->window, gc, f, k, fieldTop(ctx, f, k));
    }
    g_object_unref(gc);
    return TRUE;
}

// The scroll offset as near the value as the view allows.
void scrollWithin(GtkAdjustment *a, double value)
{
    gtk_adjustment_set_value(a, CLAMP(value, a->lower, MAX(a->upper - a->page_size, a->lower)));
}

void centreOn(GtkAdjustment *a, double widgetPos)
{
    scrollWithin(a, widgetPos - a->page_size / 2.0);
}

gboolean on_overview_press(GtkWidget *, GdkEventButton *event, gpointer user)
{
    MainCtx *ctx = mainCtxOf(user);
    const double k = overviewScale(ctx);
    if (!fieldsCutOut(ctx) || k <= 0.0)
        return FALSE;
    const int field = event->y >= fieldTop(ctx, SubImgHygro, k) ? SubImgHygro : SubImgTemp;
    const double column = event->x / k, row = (event->y - fieldTop(ctx, field, k)) / k;
    centreFieldViews(ctx, column, field);
    centreOn(fieldAdjustment(ctx, field, false), row * ctx->fieldZoom);
    return TRUE;
}

void followScroll(GtkAdjustment *moved, gpointer user)
{
    MainCtx *ctx = mainCtxOf(user);
    redrawWidget(ctx->widOverview);
    if (ctx->syncingScroll ||
        !gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ctx->widScrollTogether)))
        return;
    ctx->syncingScroll = true;
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        GtkAdjustment *h = fieldAdjustment(ctx, f, true);
        if (h != moved)
            scrollWithin(h, moved->value);
    }
    ctx->syncingScroll = false;
}

void redrawOverview(GtkAdjustment *, gpointer user)
{
    redrawWidget(mainCtxOf(user)->widOverview);
}

} // namespace

GtkWidget *makeOverview(MainCtx *ctx)
{
    GtkWidget *area = gtk_drawing_area_new();
    gtk_widget_set_name(area, "overview");
    setAccessibleName(area, _("Overview of both fields: click to show that place"));
    gtk_widget_set_size_request(area, kOverviewWidth, 96);
    gtk_widget_add_events(area, GDK_BUTTON_PRESS_MASK);
    g_signal_connect(area, "expose-event", G_CALLBACK(on_overview_expose), ctx);
    g_signal_connect(area, "button-press-event", G_CALLBACK(on_overview_press), ctx);
    ctx->widOverview = area;
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        g_signal_connect(fieldAdjustment(ctx, f, true), "value-changed", G_CALLBACK(followScroll), ctx);
        g_signal_connect(fieldAdjustment(ctx, f, false), "value-changed", G_CALLBACK(redrawOverview), ctx);
    }
    return area;
}

void forgetOverview(MainCtx *ctx)
{
    for (GdkPixbuf *&image : ctx->overviewImage) {
        if (image)
            g_object_unref(image);
        image = nullptr;
    }
}

void centreFieldViews(MainCtx *ctx, double column, int field)
{
    // Linked, the other view follows this one; each centred on its own would
    // leave them apart when their widths differ.
    const bool linked = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ctx->widScrollTogether));
    for (int f = SubImgTemp; f <= SubImgHygro; ++f)
        if (!linked || f == field)
            centreOn(fieldAdjustment(ctx, f, true), column * ctx->fieldZoom);
}

// The overview is as high as both shrunk fields.
void sizeOverview(MainCtx *ctx)
{
    forgetOverview(ctx);
    const double k = overviewScale(ctx);
    if (k <= 0.0)
        return;
    const int height = fieldTop(ctx, SubImgHygro, k) + static_cast<int>(imageHeight(ctx->fields[SubImgHygro]) * k);
    gtk_widget_set_size_request(ctx->widOverview, kOverviewWidth, height);
    redrawWidget(ctx->widOverview);
}
