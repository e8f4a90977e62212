// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <string>

#include "i18n.h"
#include "scanverdict.h"
#include "ui.h"

// The evaluation page's verdict: whether the evaluated fields can be trusted,
// why not, and the stretches worth a look, marked under each field view and
// visited one after another with "Next suspect".

namespace {

const GdkColor kSuspectColor = {0, 0xFFFF, 0x0000, 0x0000};
// Rows of the band at image scale: still visible when the field is fitted.
const int kSuspectBandRows = 8;
const int kVerdictWidth = 240;

const char *const kNoVerdictText = N_("Verdict: shown once the curves are found");

struct FieldStretch {
    int field;
    ColumnStretch columns;
};

// Both fields' stretches in column order, temperature first at a tie.
std::vector<FieldStretch> stretchesInOrder(const MainCtx *ctx)
{
    std::vector<FieldStretch> all;
    for (int f = SubImgTemp; f <= SubImgHygro; ++f)
        for (const ColumnStretch &s : ctx->suspects[f])
            all.push_back(FieldStretch{f, s});
    std::stable_sort(all.begin(), all.end(), [](const FieldStretch &a, const FieldStretch &b) {
        return a.columns.first < b.columns.first;
    });
    return all;
}

void showVerdictText(MainCtx *ctx, const std::string &text)
{
    if (ctx->widVerdict)
        gtk_label_set_text(GTK_LABEL(ctx->widVerdict), text.c_str());
    if (ctx->widNextSuspect)
        gtk_widget_set_sensitive(ctx->widNextSuspect,
                                 !ctx->suspects[SubImgTemp].empty() || !ctx->suspects[SubImgHygro].empty());
}

std::string verdictText(const ScanVerdict &verdict)
{
    std::string text = std::string(_("Verdict: ")) + verdictName(verdict.level);
    const std::string reasons = verdictReasons(verdict);
    return reasons.empty() ? text : text + " (" + reasons + ")";
}

void on_nextsuspect_clicked(GtkButton *, gpointer user)
{
    MainCtx *ctx = mainCtxOf(user);
    const std::vector<FieldStretch> all = stretchesInOrder(ctx);
    if (all.empty())
        return;
    ctx->suspectShown = (ctx->suspectShown + 1) % static_cast<int>(all.size());
    const FieldStretch &s = all[ctx->suspectShown];
    centreFieldViews(ctx, (s.columns.first + s.columns.last) / 2.0, s.field);
    const std::string where = _("suspect stretch ") + std::to_string(ctx->suspectShown + 1) + _(" of ") +
                              std::to_string(all.size()) + ": " +
                              (s.field == SubImgTemp ? _("temperature") : _("humidity")) + _(", columns ") +
                              std::to_string(s.columns.first) + _(" to ") + std::to_string(s.columns.last);
    setStatus(ctx, where.c_str());
}

} // namespace

void addVerdictPanel(MainCtx *ctx, GtkWidget *box)
{
    GtkWidget *panel = gtk_vbox_new(FALSE, 2);
    ctx->widVerdict = gtk_label_new(_(kNoVerdictText));
    gtk_widget_set_name(ctx->widVerdict, "verdict");
    gtk_label_set_line_wrap(GTK_LABEL(ctx->widVerdict), TRUE);
    gtk_widget_set_size_request(ctx->widVerdict, kVerdictWidth, -1);
    gtk_misc_set_alignment(GTK_MISC(ctx->widVerdict), 0.0, 0.5);
    setAccessibleName(ctx->widVerdict, _("Verdict on the tables"));
    ctx->widNextSuspect = gtk_button_new_with_mnemonic(_("Next _suspect"));
    gtk_widget_set_name(ctx->widNextSuspect, "nextsuspect");
    setAccessibleName(ctx->widNextSuspect, _("Show the next suspect stretch"));
    gtk_widget_set_tooltip_text(ctx->widNextSuspect,
                                _("Scrolls the field views to the next stretch marked red below them"));
    g_signal_connect(ctx->widNextSuspect, "clicked", G_CALLBACK(on_nextsuspect_clicked), ctx);
    gtk_box_pack_start(GTK_BOX(panel), ctx->widVerdict, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(panel), ctx->widNextSuspect, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), panel, FALSE, FALSE, 0);
    gtk_box_reorder_child(GTK_BOX(box), panel, 1);
    gtk_widget_show_all(panel);
    forgetVerdict(ctx);
}

void judgeShownFields(MainCtx *ctx)
{
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        if (!ctx->evidenceCurrent[f])
            ctx->evidence[f] = fieldEvidence(*ctx->params, ctx->settings, f, ctx->fields[f]);
        ctx->evidenceCurrent[f] = true;
        ctx->suspects[f] = suspectStretches(ctx->evidence[f]);
    }
    ctx->verdict = judgeScan(ctx->evidence);
    ctx->verdictCurrent = true;
    ctx->suspectShown = -1;
    showVerdictText(ctx, verdictText(ctx->verdict));
}

const ScanVerdict &currentVerdict(MainCtx *ctx)
{
    if (!ctx->verdictCurrent)
        judgeShownFields(ctx);
    return ctx->verdict;
}

void fieldCurveChanged(MainCtx *ctx, int field)
{
    ctx->evidenceCurrent[field] = ctx->verdictCurrent = false;
}

void forgetVerdict(MainCtx *ctx)
{
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        fieldCurveChanged(ctx, f);
        ctx->suspects[f].clear();
    }
    ctx->suspectShown = -1;
    showVerdictText(ctx, _(kNoVerdictText));
}

void drawSuspectBands(GdkDrawable *d, GdkGC *gc, const MainCtx *ctx, int field,
                      const GdkRectangle &area)
{
    const int height = imageHeight(ctx->fields[field]);
    const int top = MAX(0, height - kSuspectBandRows);
    if (area.y + area.height <= top)
        return;
    gdk_gc_set_rgb_fg_color(gc, &kSuspectColor);
    for (const ColumnStretch &s : ctx->suspects[field]) {
        const int first = MAX(s.first, area.x), last = MIN(s.last, area.x + area.width - 1);
        if (first <= last)
            gdk_draw_rectangle(d, gc, TRUE, first, top, last - first + 1, height - top);
    }
}
