// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>

#include "cornerfind.h"
#include "i18n.h"
#include "records.h"
#include "traceends.h"
#include "ui.h"

// Set-up proposed from the scan: the corners on request, the marks when the
// evaluation page is entered without them. A proposal is only a start: going
// on accepts it, a click corrects it; what cannot be vouched for is left
// unset with its reason in the status.

namespace {

void on_detect_clicked(GtkButton *, gpointer user)
{
    MainCtx *ctx = mainCtxOf(user);
    if (!ctx->scanPixbuf)
        return;
    setStatus(ctx, _("detecting the chart's corners ..."));
    const CornerSearch found = findFieldCorners(*ctx->params, ctx->scanPixbuf);
    proposePassPoints(ctx, found.points);
    const std::string status =
        found.reason.empty() ? _("corners detected: go on to accept them or click to correct one")
                             : _("corners detected with doubts: ") + found.reason;
    setStatus(ctx, status.c_str());
}

} // namespace

void addDetectButton(MainCtx *ctx, GtkWidget *panel)
{
    GtkWidget *button = ctx->widDetectCorners = gtk_button_new_with_mnemonic(_("_Detect corners"));
    gtk_widget_set_name(button, "detectcorners");
    setAccessibleName(button, _("Detect the pass points"));
    gtk_widget_set_tooltip_text(button, _("Proposes the three pass points from the printed grid"));
    g_signal_connect(button, "clicked", G_CALLBACK(on_detect_clicked), ctx);
    gtk_box_pack_start(GTK_BOX(panel), button, FALSE, FALSE, 0);
    gtk_box_reorder_child(GTK_BOX(panel), button, 1);
    gtk_widget_show(button);
}

void proposeMarks(MainCtx *ctx)
{
    const TraceEnds ends = findTraceEnds(*ctx->params, ctx->scanPixbuf, ctx->settings.passPoints,
                                         ctx->settings.curveColor);
    const int width = imageWidth(ctx->fields[SubImgTemp]);
    if (ends.column[0] < 0 || ends.column[1] <= ends.column[0] || ends.column[1] >= width) {
        if (!ends.reason.empty())
            setStatus(ctx, _("trace ends not found: "), ends.reason.c_str());
        return;
    }
    for (int i = 0; i < 2; ++i) {
        ctx->settings.datePos[i] = ends.column[i];
        storeDatePosRecord(ctx->fileCtx, i, ends.column[i]);
    }
    showDateDifference(ctx);
    if (!ends.reason.empty())
        setStatus(ctx, _("trace ends proposed with doubts: "), ends.reason.c_str());
}
