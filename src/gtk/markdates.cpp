// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>
#include <cstdio>
#include <string>

#include "i18n.h"
#include "records.h"
#include "ui.h"

// The marks' dates typed, proposed and carried from one chart to the next.
// Each mark has an entry that works in every mouse mode and takes only what
// differs from the date it shows. The program proposes what it can: the start
// of a new chart from the end of the previous one of its folder (kept in the
// settings store across runs), the end from the start and the marks' span at
// the profile's paper speed. A proposal counts for the tables but is stored
// only once a date control confirms it.

namespace {

// The settings store's keys of the last confirmed chart end and its folder.
const char kPreviousEndKey[] = "previousChartEnd";
const char kPreviousEndFolderKey[] = "previousChartFolder";

const char *const kEntryNames[2] = {"startdateentry", "enddateentry"};
const char *const kEntryLabels[2] = {N_("Sta_rt"), N_("E_nd")};
const char *const kEntryAccessibleNames[2] = {N_("Start date and time, typed"),
                                              N_("End date and time, typed")};
const char *const kProposalNotes[2] = {
    N_("<span foreground=\"#b00000\">Start proposed: the previous chart's end. "
       "Enter in Start confirms it.</span>"),
    N_("<span foreground=\"#b00000\">End proposed: the start plus the marks' span at the "
       "paper speed. Enter in End confirms it.</span>")};

std::string typedText(const DateTime &date)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", date.year, date.month, date.day,
                  date.hour, date.minute);
    return text;
}

// The end the paper speed gives: the start plus the marks' span. False
// without a paper speed, both marks placed or a valid start date.
bool paperSpeedEnd(const MainCtx *ctx, DateTime &end)
{
    const Params &params = *ctx->params;
    const DateTime &start = ctx->settings.dateVal[StartMark];
    const int *pos = ctx->settings.datePos;
    if (params.srcMMPerHour <= 0 || params.dstPixelsPerMM <= 0 || !marksPlaced(ctx) ||
        start.status() != 0 || pos[EndMark] <= pos[StartMark])
        return false;
    const double hours = (pos[EndMark] - pos[StartMark]) / params.dstPixelsPerMM / params.srcMMPerHour;
    end = minutesLater(start, std::lround(hours * 60.0));
    return end.status() == 0;
}

// The end the paper speed gives, while no end date is stored.
bool proposableEnd(const MainCtx *ctx, DateTime &end)
{
    return ctx->fileCtx.get(dateValKey(EndMark).c_str()) == nullptr && paperSpeedEnd(ctx, end);
}

int markOfEntry(const MainCtx *ctx, GtkEntry *entry)
{
    return GTK_WIDGET(entry) == ctx->widDateEntry[EndMark] ? EndMark : StartMark;
}

void selectAll(GtkWidget *entry)
{
    gtk_widget_grab_focus(entry);
    gtk_editable_select_region(GTK_EDITABLE(entry), 0, -1);
}

// The typed date, completed from the one shown, becomes the mark's; the date
// shown unchanged is only confirmed, with nothing to recompute.
bool applyTypedDate(MainCtx *ctx, int i, GtkEntry *entry)
{
    DateTime &current = ctx->settings.dateVal[i];
    DateTime date;
    if (!completeTypedDate(gtk_entry_get_text(entry), current, date)) {
        showError(ctx, _("Type the date and time of the mark as 2002-03-16 04:00"));
        return false;
    }
    if (current.status() == 0 && current.minutesUntil(date) == 0) {
        confirmMarkDate(ctx, i);
        showTypedDates(ctx);
        return true;
    }
    current = date;
    if (editedMark(ctx) == i)
        showMarkDate(ctx, i);
    markDateChanged(ctx, i);
    return true;
}

// Enter applies the date; from the start it goes on to an end that is only
// proposed, the next date to confirm.
void on_dateentry_activate(GtkEntry *entry, gpointer user)
{
    MainCtx *ctx = mainCtxOf(user);
    const int i = markOfEntry(ctx, entry);
    if (applyTypedDate(ctx, i, entry) && i == StartMark && ctx->dateProposed[EndMark])
        selectAll(ctx->widDateEntry[EndMark]);
}

// The first click into an entry selects its whole text, as the keyboard
// does, so that what is typed replaces it; later clicks place the cursor.
gboolean on_dateentry_button_press(GtkWidget *entry, GdkEventButton *event, gpointer)
{
    if (event->button != 1 || event->type != GDK_BUTTON_PRESS || gtk_widget_has_focus(entry))
        return FALSE;
    selectAll(entry);
    return TRUE;
}

// Row 2i of the table: the mark's label and entry.
void addDateEntry(MainCtx *ctx, int i, GtkWidget *table)
{
    GtkWidget *label = gtk_label_new_with_mnemonic(_(kEntryLabels[i]));
    gtk_misc_set_alignment(GTK_MISC(label), 0.0, 0.5);
    GtkWidget *entry = ctx->widDateEntry[i] = gtk_entry_new();
    gtk_widget_set_name(entry, kEntryNames[i]);
    gtk_entry_set_width_chars(GTK_ENTRY(entry), 16);
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), entry);
    setAccessibleName(entry, _(kEntryAccessibleNames[i]));
    gtk_widget_set_tooltip_text(
        entry, _("The mark's date and time as 2002-03-16 04:00, then Enter, in any mouse mode. "
                 "Type only what differs from the date shown: 04:00, 16 04:00 or 03-16 04:00. "
                 "Enter alone confirms a proposed date; from the start it goes on to a proposed end."));
    g_signal_connect(entry, "activate", G_CALLBACK(on_dateentry_activate), ctx);
    g_signal_connect(entry, "button-press-event", G_CALLBACK(on_dateentry_button_press), ctx);
    const guint row = 2 * i;
    gtk_table_attach(GTK_TABLE(table), label, 0, 1, row, row + 1, GTK_FILL, GTK_FILL, 0, 0);
    gtk_table_attach(GTK_TABLE(table), entry, 1, 2, row, row + 1,
                     static_cast<GtkAttachOptions>(GTK_EXPAND | GTK_FILL), GTK_FILL, 0, 0);
}

// Row 2i + 1: the note shown while the mark's date is only proposed.
void addProposalNote(MainCtx *ctx, int i, GtkWidget *table)
{
    GtkWidget *note = ctx->widDateProposal[i] = gtk_label_new(nullptr);
    gtk_widget_set_name(note, i == StartMark ? "startproposal" : "endproposal");
    gtk_label_set_markup(GTK_LABEL(note), _(kProposalNotes[i]));
    gtk_label_set_line_wrap(GTK_LABEL(note), TRUE);
    gtk_misc_set_alignment(GTK_MISC(note), 0.0, 0.5);
    gtk_label_set_mnemonic_widget(GTK_LABEL(note), ctx->widDateEntry[i]);
    const guint row = 2 * i + 1;
    gtk_table_attach(GTK_TABLE(table), note, 0, 2, row, row + 1, GTK_FILL, GTK_FILL, 0, 0);
    gtk_widget_set_no_show_all(note, TRUE);
}

} // namespace

void addDateEntries(MainCtx *ctx)
{
    GtkWidget *table = gtk_table_new(4, 2, FALSE);
    gtk_table_set_col_spacings(GTK_TABLE(table), 4);
    gtk_table_set_row_spacings(GTK_TABLE(table), 2);
    gtk_container_set_border_width(GTK_CONTAINER(table), 4);
    for (int i = StartMark; i <= EndMark; ++i) {
        addDateEntry(ctx, i, table);
        addProposalNote(ctx, i, table);
    }
    GtkWidget *frame = gtk_frame_new(nullptr);
    GtkWidget *title = gtk_label_new(nullptr);
    gtk_label_set_markup(GTK_LABEL(title), _("<b>Dates, typed</b>"));
    gtk_frame_set_label_widget(GTK_FRAME(frame), title);
    gtk_container_add(GTK_CONTAINER(frame), table);
    // Above the calendar's frame, which is only usable in the mark modes.
    GtkWidget *box = glade_xml_get_widget(ctx->gladeXml, "controlvbox");
    gint position = 0;
    gtk_container_child_get(GTK_CONTAINER(box), ctx->widDateAndTimeFrame, "position", &position, nullptr);
    gtk_box_pack_start(GTK_BOX(box), frame, FALSE, FALSE, 0);
    gtk_box_reorder_child(GTK_BOX(box), frame, position);
    gtk_widget_show_all(frame);
    showTypedDates(ctx);
}

void showTypedDates(MainCtx *ctx)
{
    for (int i = StartMark; i <= EndMark; ++i) {
        if (ctx->widDateEntry[i])
            gtk_entry_set_text(GTK_ENTRY(ctx->widDateEntry[i]), typedText(ctx->settings.dateVal[i]).c_str());
    }
}

void showDateProposal(MainCtx *ctx, int i, bool proposed)
{
    ctx->dateProposed[i] = proposed;
    if (ctx->widDateProposal[i])
        gtk_widget_set_visible(ctx->widDateProposal[i], proposed);
}

bool endDateProposable(const MainCtx *ctx)
{
    DateTime end;
    return proposableEnd(ctx, end);
}

bool proposeEndDate(MainCtx *ctx)
{
    DateTime end;
    if (!proposableEnd(ctx, end))
        return false;
    ctx->settings.dateVal[EndMark] = end;
    showDateProposal(ctx, EndMark, true);
    showTypedDates(ctx);
    if (editedMark(ctx) == EndMark)
        showMarkDate(ctx, EndMark);
    showDateDifference(ctx);
    return true;
}

void rememberChartEnd(MainCtx *ctx)
{
    DateTime end;
    if (ctx->openedFolder.empty() || !loadDateValRecord(ctx->fileCtx, EndMark, end))
        return;
    const std::string stored = formatDateVal(end);
    FileCtx &settings = ctx->settingsCtx;
    const char *endNow = settings.get(kPreviousEndKey);
    const char *folderNow = settings.get(kPreviousEndFolderKey);
    if (endNow && folderNow && stored == endNow && ctx->openedFolder == folderNow)
        return;
    settings.set(kPreviousEndKey, stored.c_str());
    settings.set(kPreviousEndFolderKey, ctx->openedFolder.c_str());
    settings.markModified();
}

void offerPreviousEnd(MainCtx *ctx)
{
    const char *folder = ctx->settingsCtx.get(kPreviousEndFolderKey);
    DateTime previousEnd;
    const bool offered = folder && folder == folderOf(ctx->imageName) &&
                         !ctx->fileCtx.get(dateValKey(StartMark).c_str()) &&
                         loadDateValRecord(ctx->settingsCtx, kPreviousEndKey, previousEnd) &&
                         previousEnd.status() == 0;
    if (offered)
        ctx->settings.dateVal[StartMark] = previousEnd;
    showDateProposal(ctx, StartMark, offered);
}
