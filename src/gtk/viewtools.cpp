// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>
#include <string>

#include "handlers.h"
#include "i18n.h"
#include "records.h"
#include "tablefile.h"
#include "ui.h"
#include "valuescale.h"
#include "zoom.h"

// The controls around the views made at start-up: zoom buttons on the pass
// point and evaluation pages, the overview and the scroll link, and the
// pointer readout at the right of the status bar.

namespace {

GtkWidget *titledFrame(const char *title, GtkWidget *content)
{
    GtkWidget *frame = gtk_frame_new(nullptr);
    GtkWidget *label = gtk_label_new(nullptr);
    gtk_label_set_markup(GTK_LABEL(label), title);
    gtk_frame_set_label_widget(GTK_FRAME(frame), label);
    gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_NONE);
    GtkWidget *inner = gtk_alignment_new(0.0, 0.0, 1.0, 1.0);
    gtk_alignment_set_padding(GTK_ALIGNMENT(inner), 2, 2, 12, 0);
    gtk_container_add(GTK_CONTAINER(inner), content);
    gtk_container_add(GTK_CONTAINER(frame), inner);
    return frame;
}

void packFirst(GtkWidget *box, GtkWidget *child)
{
    gtk_box_pack_start(GTK_BOX(box), child, FALSE, FALSE, 0);
    gtk_box_reorder_child(GTK_BOX(box), child, 0);
    gtk_widget_show_all(child);
}

void addScanViewTools(MainCtx *ctx)
{
    GtkWidget *panel = glade_xml_get_widget(ctx->gladeXml, "passpointpanel");
    packFirst(panel, titledFrame(_("<b>View</b>"), makeZoomButtons(ctx, "scan", _("the scan"))));
}

void addFieldViewTools(MainCtx *ctx)
{
    GtkWidget *box = gtk_vbox_new(FALSE, 4);
    gtk_box_pack_start(GTK_BOX(box), makeOverview(ctx), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), makeZoomButtons(ctx, "field", _("the field views")), FALSE, FALSE, 0);
    ctx->widScrollTogether = gtk_check_button_new_with_mnemonic(_("Scroll fields _together"));
    gtk_widget_set_name(ctx->widScrollTogether, "scrolltogether");
    setAccessibleName(ctx->widScrollTogether, _("Scroll the field views together"));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ctx->widScrollTogether), TRUE);
    gtk_box_pack_start(GTK_BOX(box), ctx->widScrollTogether, FALSE, FALSE, 0);
    packFirst(glade_xml_get_widget(ctx->gladeXml, "controlvbox"), titledFrame(_("<b>View</b>"), box));
}

// The readout sits right of the status text, in the same row.
void addReadout(MainCtx *ctx)
{
    GtkWidget *bar = ctx->widProgressBar;
    GtkWidget *vbox = gtk_widget_get_parent(bar);
    GtkWidget *row = gtk_hbox_new(FALSE, 8);
    g_object_ref(bar);
    gtk_container_remove(GTK_CONTAINER(vbox), bar);
    gtk_box_pack_start(GTK_BOX(row), bar, TRUE, TRUE, 0);
    g_object_unref(bar);
    ctx->widReadout = gtk_label_new("");
    gtk_widget_set_name(ctx->widReadout, "readout");
    gtk_label_set_width_chars(GTK_LABEL(ctx->widReadout), 44);
    gtk_misc_set_alignment(GTK_MISC(ctx->widReadout), 0.0, 0.5);
    gtk_box_pack_start(GTK_BOX(row), ctx->widReadout, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(vbox), row, FALSE, FALSE, 0);
    gtk_widget_show_all(row);
}

// The screen less the panels, from the window manager's _NET_WORKAREA when
// it tells, else the monitor the window is on.
GdkRectangle workArea(GtkWidget *window)
{
    GdkScreen *screen = gtk_widget_get_screen(window);
    GdkRectangle area;
    gdk_screen_get_monitor_geometry(screen, 0, &area);
    GdkAtom type;
    gint format = 0, length = 0;
    guchar *data = nullptr;
    if (gdk_property_get(gdk_screen_get_root_window(screen),
                         gdk_atom_intern_static_string("_NET_WORKAREA"),
                         gdk_atom_intern_static_string("CARDINAL"), 0, 4 * 4, FALSE, &type,
                         &format, &length, &data) &&
        format == 32 && length >= 4 * static_cast<gint>(sizeof(long))) {
        const long *box = reinterpret_cast<const long *>(data);
        area = GdkRectangle{static_cast<int>(box[0]), static_cast<int>(box[1]),
                            static_cast<int>(box[2]), static_cast<int>(box[3])};
    }
    g_free(data);
    return area;
}

// The window never grows beyond the work area: its views scroll instead.
void capWindowToWorkArea(MainCtx *ctx)
{
    GtkWindow *window = GTK_WINDOW(ctx->widMainWindow);
    const GdkRectangle area = workArea(ctx->widMainWindow);
    GdkGeometry hints;
    hints.max_width = area.width;
    hints.max_height = area.height;
    gtk_window_set_geometry_hints(window, nullptr, &hints, GDK_HINT_MAX_SIZE);
    gint width, height;
    gtk_window_get_default_size(window, &width, &height);
    gtk_window_set_default_size(window, MIN(width, area.width), MIN(height, area.height));
}

// The chart time at a column, by the same straight time scale as the tables.
bool chartTimeAt(const ScanSettings &settings, double column, std::string &text)
{
    const DateTime &start = settings.dateVal[0], &end = settings.dateVal[1];
    const int s = settings.datePos[0], e = settings.datePos[1];
    if (start.status() != 0 || end.status() != 0 || e <= s)
        return false;
    const double minutes = (column - s) * start.minutesUntil(end) / (double(e) - s);
    const DateTime t = minutesLater(start, std::lround(minutes));
    char formatted[32];
    g_snprintf(formatted, sizeof formatted, "%02d.%02d.%04d %02d.%02d", t.day, t.month, t.year, t.hour, t.minute);
    text = formatted;
    return true;
}

} // namespace

void setAccessibleName(GtkWidget *widget, const char *name)
{
    atk_object_set_name(gtk_widget_get_accessible(widget), name);
}

void setupViewTools(MainCtx *ctx)
{
    addScanViewTools(ctx);
    addDetectButton(ctx, glade_xml_get_widget(ctx->gladeXml, "passpointpanel"));
    addFieldViewTools(ctx);
    addVerdictPanel(ctx, glade_xml_get_widget(ctx->gladeXml, "controlvbox"));
    addDateEntries(ctx);
    addReadout(ctx);
    setupZoom(ctx);
    capWindowToWorkArea(ctx);
}

void showReadout(MainCtx *ctx, const char *text)
{
    if (ctx->widReadout)
        gtk_label_set_text(GTK_LABEL(ctx->widReadout), text);
}

std::string scanReadout(double x, double y)
{
    char text[64];
    g_snprintf(text, sizeof text, _("scan pixel x %.1f  y %.1f"), x, y);
    return text;
}

std::string fieldReadout(const MainCtx *ctx, int field, double column, double row)
{
    char text[96];
    g_snprintf(text, sizeof text, "column %d", static_cast<int>(std::floor(column)));
    std::string readout = text;
    std::string when;
    if (marksPlaced(ctx) && chartTimeAt(ctx->settings, column, when))
        readout += "  " + when;
    const ValueScales scales(*ctx->params, ctx->settings.addValue);
    const double value = scales.valueAtRow(field, row);
    std::string shown = valueLabel(field, value);
    shown.erase(0, shown.find_first_not_of(' '));
    readout += "  " + shown + (field == SubImgTemp ? " °C" : " %");
    return readout;
}

void readScanPointer(MainCtx *ctx, double widgetX, double widgetY)
{
    if (!ctx->scanPixbuf)
        return;
    showReadout(ctx, scanReadout(toImage(widgetX, ctx->scanZoom),
                                 toImage(widgetY, ctx->scanZoom)).c_str());
}

void readFieldPointer(MainCtx *ctx, int field, double widgetX, double widgetY)
{
    if (!ctx->fields[field].pixbuf)
        return;
    const double column = toImage(widgetX, ctx->fieldZoom), row = toImage(widgetY, ctx->fieldZoom);
    showReadout(ctx, fieldReadout(ctx, field, column, row).c_str());
}
