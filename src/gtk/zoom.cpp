// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>

#include <gdk/gdkkeysyms.h>

#include "handlers.h"
#include "i18n.h"
#include "ui.h"
#include "zoom.h"

// Zooming the scan view and the two field views: fit and 1:1 buttons, Control
// with the wheel and the + and - keys, always around the pointer when it is
// over the view. The field views share one scale so that a column of one
// stays above the same column of the other.

GtkAdjustment *viewAdjustment(GtkWidget *area, bool horizontal)
{
    GtkViewport *viewport = GTK_VIEWPORT(gtk_widget_get_parent(area));
    return horizontal ? gtk_viewport_get_hadjustment(viewport)
                      : gtk_viewport_get_vadjustment(viewport);
}

namespace {

// The new extent at once, so that the scroll offset can be set before the
// viewport is allocated again.
void configureAdjustment(GtkAdjustment *a, double value, double upper)
{
    const double last = MAX(upper - a->page_size, 0.0);
    gtk_adjustment_configure(a, CLAMP(value, 0.0, last), 0.0, upper, a->step_increment,
                             a->page_increment, a->page_size);
}

// A widget position to keep in place; the middle of what is shown when the
// pointer is elsewhere.
double anchorOrMiddle(GtkAdjustment *a, double pointer)
{
    if (pointer >= a->value && pointer < a->value + a->page_size)
        return pointer;
    return a->value + a->page_size / 2.0;
}

void rescaleView(GtkWidget *area, GdkPixbuf *image, double oldScale, double newScale,
                 double anchorX, double anchorY)
{
    if (!image)
        return;
    const int width = zoomedSize(gdk_pixbuf_get_width(image), newScale);
    const int height = zoomedSize(gdk_pixbuf_get_height(image), newScale);
    gtk_widget_set_size_request(area, width, height);
    GtkAdjustment *h = viewAdjustment(area, true), *v = viewAdjustment(area, false);
    const double x = anchorOrMiddle(h, anchorX), y = anchorOrMiddle(v, anchorY);
    configureAdjustment(h, scrollKeepingPoint(x, h->value, oldScale, newScale), width);
    configureAdjustment(v, scrollKeepingPoint(y, v->value, oldScale, newScale), height);
    redrawWidget(area);
}

// Where the pointer is over the widget, or (-1, -1).
void pointerIn(GtkWidget *area, double *x, double *y)
{
    *x = *y = -1.0;
    int px, py;
    if (!area->window)
        return;
    gdk_window_get_pointer(area->window, &px, &py, nullptr);
    *x = px;
    *y = py;
}

GtkWidget *pointedFieldView(MainCtx *ctx)
{
    for (const SubImgData &sub : ctx->subImgData) {
        double x, y;
        pointerIn(sub.widget, &x, &y);
        GtkAdjustment *h = viewAdjustment(sub.widget, true), *v = viewAdjustment(sub.widget, false);
        if (x >= h->value && x < h->value + h->page_size && y >= v->value &&
            y < v->value + v->page_size)
            return sub.widget;
    }
    return ctx->subImgData[SubImgTemp].widget;
}

int currentPage(MainCtx *ctx)
{
    return gtk_notebook_get_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook));
}

// The view the zoom buttons and keys of the current page act on.
int currentView(MainCtx *ctx)
{
    return currentPage(ctx) == PassPointPage ? ScanZoom : FieldZoom;
}

// One step in or out, keeping the point at (x, y) of area in place.
void stepZoom(MainCtx *ctx, int view, int direction, GtkWidget *area, double x, double y)
{
    const double scale = view == ScanZoom ? ctx->scanZoom : ctx->fieldZoom;
    setZoom(ctx, view, steppedZoom(scale, direction), area, x, y);
}

void stepZoomAtPointer(MainCtx *ctx, int view, int direction)
{
    GtkWidget *area = view == ScanZoom ? ctx->widImgScan : pointedFieldView(ctx);
    double x, y;
    pointerIn(area, &x, &y);
    stepZoom(ctx, view, direction, area, x, y);
}

gboolean wheelZoom(GtkWidget *area, GdkEventScroll *event, MainCtx *ctx, int view)
{
    if (!(event->state & GDK_CONTROL_MASK))
        return FALSE;
    const int direction = event->direction == GDK_SCROLL_UP ? 1
                          : event->direction == GDK_SCROLL_DOWN ? -1 : 0;
    if (direction == 0)
        return FALSE;
    stepZoom(ctx, view, direction, area, event->x, event->y);
    return TRUE;
}

gboolean on_scan_scroll(GtkWidget *area, GdkEventScroll *event, gpointer user)
{
    return wheelZoom(area, event, mainCtxOf(user), ScanZoom);
}

gboolean on_field_scroll(GtkWidget *area, GdkEventScroll *event, gpointer user)
{
    return wheelZoom(area, event, mainCtxOf(user), FieldZoom);
}

int zoomKeyDirection(guint key)
{
    switch (key) {
    case GDK_plus: case GDK_equal: case GDK_KP_Add: return 1;
    case GDK_minus: case GDK_KP_Subtract: return -1;
    default: return 0;
    }
}

bool arrowKey(guint key, double *dx, double *dy)
{
    *dx = key == GDK_Left ? -1.0 : key == GDK_Right ? 1.0 : 0.0;
    *dy = key == GDK_Up ? -1.0 : key == GDK_Down ? 1.0 : 0.0;
    return *dx != 0.0 || *dy != 0.0;
}

// Keys of the view pages, and Enter in the chooser's location field; typing
// into a spin button or entry is left alone.
gboolean on_main_key_press(GtkWidget *window, GdkEventKey *event, gpointer user)
{
    MainCtx *ctx = mainCtxOf(user);
    GtkWidget *focus = gtk_window_get_focus(GTK_WINDOW(window));
    const int page = currentPage(ctx);
    const unsigned modifiers = event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_SHIFT_MASK);
    const bool enter = event->keyval == GDK_Return || event->keyval == GDK_KP_Enter;
    if (page == ChooserPage && enter)
        return openTypedPath(ctx, focus) ? TRUE : FALSE;
    if ((focus && GTK_IS_EDITABLE(focus)) || (page != PassPointPage && page != EvaluationPage))
        return FALSE;
    const int direction = zoomKeyDirection(event->keyval);
    if (direction != 0 && !(modifiers & GDK_MOD1_MASK)) {
        stepZoomAtPointer(ctx, currentView(ctx), direction);
        return TRUE;
    }
    double dx, dy;
    if (page == PassPointPage && modifiers == 0 && arrowKey(event->keyval, &dx, &dy)) {
        nudgeSelectedPassPoint(ctx, dx, dy);
        return TRUE;
    }
    return FALSE;
}

void on_fit_clicked(GtkButton *, gpointer user)
{
    MainCtx *ctx = mainCtxOf(user);
    fitView(ctx, currentView(ctx));
}

void on_actual_size_clicked(GtkButton *, gpointer user)
{
    MainCtx *ctx = mainCtxOf(user);
    const int view = currentView(ctx);
    setZoom(ctx, view, 1.0, view == ScanZoom ? ctx->widImgScan : ctx->subImgData[0].widget, -1,
            -1);
}

// A translated sentence about the views, which the translation may place anywhere.
std::string aboutViews(const char *format, const char *views)
{
    gchar *text = g_strdup_printf(format, views);
    const std::string sentence = text;
    g_free(text);
    return sentence;
}

GtkWidget *zoomButton(const char *label, const std::string &name, const std::string &accessible,
                      GCallback handler, MainCtx *ctx)
{
    GtkWidget *button = gtk_button_new_with_mnemonic(label);
    gtk_widget_set_name(button, name.c_str());
    setAccessibleName(button, accessible.c_str());
    g_signal_connect(button, "clicked", handler, ctx);
    return button;
}

} // namespace

GtkWidget *makeZoomButtons(MainCtx *ctx, const char *prefix, const char *views)
{
    GtkWidget *box = gtk_hbox_new(TRUE, 4);
    const std::string name = prefix;
    gtk_box_pack_start(GTK_BOX(box),
                       zoomButton(_("_Fit"), name + "fit", aboutViews(_("Fit %s to the window"), views),
                                  G_CALLBACK(on_fit_clicked), ctx),
                       TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(box),
                       zoomButton(_("_1:1"), name + "actualsize", aboutViews(_("Show %s at 1:1"), views),
                                  G_CALLBACK(on_actual_size_clicked), ctx),
                       TRUE, TRUE, 0);
    return box;
}

void setupZoom(MainCtx *ctx)
{
    g_signal_connect(ctx->widImgScan, "scroll-event", G_CALLBACK(on_scan_scroll), ctx);
    for (const SubImgData &sub : ctx->subImgData)
        g_signal_connect(sub.widget, "scroll-event", G_CALLBACK(on_field_scroll), ctx);
    g_signal_connect(ctx->widMainWindow, "key-press-event", G_CALLBACK(on_main_key_press), ctx);
}

void setZoom(MainCtx *ctx, int view, double scale, GtkWidget *anchorView, double x, double y)
{
    scale = clampZoom(scale);
    if (view == ScanZoom) {
        const double old = ctx->scanZoom;
        ctx->scanZoom = scale;
        rescaleView(ctx->widImgScan, ctx->scanPixbuf, old, scale, x, y);
    } else {
        const double old = ctx->fieldZoom;
        ctx->fieldZoom = scale;
        // The other view keeps the same columns and its own middle row.
        for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
            GtkWidget *area = ctx->subImgData[f].widget;
            rescaleView(area, ctx->fields[f].pixbuf, old, scale, x, area == anchorView ? y : -1);
        }
        redrawWidget(ctx->widOverview);
    }
    setZoomStatus(ctx, scale);
}

void fitView(MainCtx *ctx, int view)
{
    if (view == ScanZoom) {
        if (!ctx->scanPixbuf)
            return;
        GtkWidget *scroll = gtk_widget_get_parent(gtk_widget_get_parent(ctx->widImgScan));
        const GtkAllocation &box = scroll->allocation;
        // The frame of the scrolled window takes a few pixels.
        const int margin = 2 * (scroll->style->xthickness + 1);
        setZoom(ctx, ScanZoom,
                fitZoom(box.width - margin, box.height - margin,
                        gdk_pixbuf_get_width(ctx->scanPixbuf), gdk_pixbuf_get_height(ctx->scanPixbuf)),
                ctx->widImgScan, -1, -1);
        return;
    }
    // The field views fit the whole time axis into their width.
    GtkWidget *area = ctx->subImgData[SubImgTemp].widget;
    const FieldResult &field = ctx->fields[SubImgTemp];
    if (!field.pixbuf)
        return;
    GtkAdjustment *h = viewAdjustment(area, true);
    setZoom(ctx, FieldZoom, fitZoom(static_cast<int>(h->page_size), 1 << 20, imageWidth(field), 1),
            area, -1, -1);
}

GdkInterpType zoomInterpolation(double scale)
{
    return scale > 1.0 ? GDK_INTERP_NEAREST : GDK_INTERP_BILINEAR;
}

void setZoomStatus(MainCtx *ctx, double scale)
{
    char text[64];
    g_snprintf(text, sizeof text, "zoom %.0f %%", scale * 100.0);
    showReadout(ctx, text);
}
