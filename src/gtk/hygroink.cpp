// SPDX-License-Identifier: GPL-3.0-or-later
#include "handlers.h"
#include "i18n.h"
#include "ui.h"

// The hygrometer pen's own ink colour: a colour button and its reset beside
// the temperature pen's. Until the scan or the profile gives the hygrometer
// pen its own ink, it follows the temperature pen's.

namespace {

void changeHygroInk(MainCtx *ctx, const int rgb[3], bool own)
{
    ScanSettings &settings = ctx->settings;
    for (int c = 0; c < 3; ++c)
        settings.curveColorHygro[c] = rgb[c];
    settings.ownHygroInk = own;
    if (own)
        storeCurveColorRecord(ctx->fileCtx, "CurveColorHygro", settings.curveColorHygro);
    else
        ctx->fileCtx.remove("CurveColorHygro");
    showCurveColor(ctx);
    recomputeChain(ctx, CurveChanged, SubImgHygro);
}

void onHygroInkSet(GtkColorButton *button, gpointer user)
{
    trace("on_selhygrocolor_color_set\n");
    GdkColor color;
    gtk_color_button_get_color(button, &color);
    const int rgb[3] = {color.red >> 8, color.green >> 8, color.blue >> 8};
    changeHygroInk(mainCtxOf(user), rgb, true);
}

// Back to the profile's hygrometer ink, or to following the temperature pen.
void onHygroInkReset(GtkButton *, gpointer user)
{
    trace("on_resethygrocolor_clicked\n");
    MainCtx *ctx = mainCtxOf(user);
    const unsigned char *ink = hygroInkColorOf(*ctx->params);
    const int rgb[3] = {ink[0], ink[1], ink[2]};
    changeHygroInk(ctx, rgb, ctx->params->hasHygroInkColor);
}

} // namespace

void addHygroInkControls(MainCtx *ctx)
{
    GtkWidget *table = gtk_widget_get_parent(ctx->widSelCurveColor);
    if (!GTK_IS_TABLE(table))
        return;
    guint rows = 0;
    g_object_get(table, "n-rows", &rows, nullptr);
    gtk_table_resize(GTK_TABLE(table), rows + 1, 3);
    GtkWidget *label = gtk_label_new_with_mnemonic(_("_Hygrometer ink"));
    gtk_misc_set_alignment(GTK_MISC(label), 0.0, 0.5);
    ctx->widSelHygroColor = gtk_color_button_new();
    setAccessibleName(ctx->widSelHygroColor, _("Hygrometer ink colour"));
    gtk_color_button_set_title(GTK_COLOR_BUTTON(ctx->widSelHygroColor), _("Ink colour of the hygrometer pen"));
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), ctx->widSelHygroColor);
    GtkWidget *reset = gtk_button_new_with_label(_("Reset colour"));
    setAccessibleName(reset, _("Reset hygrometer colour"));
    const GtkAttachOptions fill = static_cast<GtkAttachOptions>(GTK_FILL);
    gtk_table_attach(GTK_TABLE(table), label, 0, 1, rows, rows + 1, fill, fill, 0, 0);
    gtk_table_attach(GTK_TABLE(table), ctx->widSelHygroColor, 1, 2, rows, rows + 1, fill, fill, 0, 0);
    gtk_table_attach(GTK_TABLE(table), reset, 2, 3, rows, rows + 1, fill, fill, 0, 0);
    g_signal_connect(ctx->widSelHygroColor, "color-set", G_CALLBACK(onHygroInkSet), ctx);
    g_signal_connect(reset, "clicked", G_CALLBACK(onHygroInkReset), ctx);
    gtk_widget_show_all(table);
}

void showHygroInkColor(MainCtx *ctx)
{
    if (!ctx->widSelHygroColor)
        return;
    const ScanSettings &settings = ctx->settings;
    const GdkColor color = gdkColorOf(settings.ownHygroInk ? settings.curveColorHygro : settings.curveColor);
    gtk_color_button_set_color(GTK_COLOR_BUTTON(ctx->widSelHygroColor), &color);
}
