// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>

#include "handlers.h"
#include "i18n.h"
#include "ui.h"

// The controls of the evaluation page: mark modes, the dates and times of the
// two marks, the ink colour, value offsets and display toggles. Each writes
// its record at once; what it changes reaches the tables through the chain.

namespace {

void chooseMark(GtkToggleButton *button, MainCtx *ctx, int i)
{
    setMarkMode(GTK_WIDGET(button), ctx, i);
    showMarkDate(ctx, i);
    showDateDifference(ctx);
}

void setEntryInt(GtkWidget *entry, int v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", v);
    gtk_entry_set_text(GTK_ENTRY(entry), text);
}

// The tables follow at once, so that what is saved matches the dates shown.
void setTime(MainCtx *ctx, int i, int hour, int minute)
{
    DateTime &date = ctx->settings.dateVal[i];
    if (date.hour == hour && date.minute == minute)
        return;
    date.setTime(hour, minute);
    markDateChanged(ctx, i);
}

void setCurveColor(MainCtx *ctx, const int rgb[3])
{
    for (int c = 0; c < 3; ++c)
        ctx->settings.curveColor[c] = rgb[c];
    storeCurveColorRecord(ctx->fileCtx, "CurveColor", ctx->settings.curveColor);
    showHygroInkColor(ctx);
    recomputeChain(ctx, CurveChanged, 2);
}

// A display toggle's new state, then a redraw (and any pending recompute).
void setDisplayFlag(MainCtx *ctx, int &flag, GtkToggleButton *button)
{
    flag = gtk_toggle_button_get_active(button) ? 1 : 0;
    recomputeChain(ctx, 0, 2);
}

void changeOffset(MainCtx *ctx, int field, GtkSpinButton *spin)
{
    const double v = gtk_spin_button_get_value(spin);
    // Equal when the offset was loaded with the scan before the spin button.
    if (v == ctx->settings.addValue[field])
        return;
    ctx->settings.addValue[field] = v;
    storeDoubleRecord(ctx->fileCtx, offsetKey(field), v);
    recomputeChain(ctx, CurveChanged, field);
}

} // namespace

int editedMark(const MainCtx *ctx)
{
    return ctx->markMode == StartMark || ctx->markMode == EndMark ? ctx->markMode : -1;
}

void confirmMarkDate(MainCtx *ctx, int i)
{
    storeDateValRecord(ctx->fileCtx, i, ctx->settings.dateVal[i]);
    showDateProposal(ctx, i, false);
}

void markDateChanged(MainCtx *ctx, int i)
{
    confirmMarkDate(ctx, i);
    if (i == StartMark)
        proposeEndDate(ctx);
    showTypedDates(ctx);
    showDateDifference(ctx);
    recomputeChain(ctx, CurveChanged, 2);
}

// ---- handlers --------------------------------------------------------------------

void on_startdate_toggled(GtkToggleButton *button, gpointer user)
{
    trace("on_startdate_toggled\n");
    chooseMark(button, mainCtxOf(user), StartMark);
}

void on_enddate_toggled(GtkToggleButton *button, gpointer user)
{
    trace("on_enddate_toggled\n");
    chooseMark(button, mainCtxOf(user), EndMark);
}

void on_retouchvertical_toggled(GtkToggleButton *button, gpointer user)
{
    trace("on_retouchvertical_toggled\n");
    setMarkMode(GTK_WIDGET(button), mainCtxOf(user), RetouchVertical);
}

void on_drawcurve_toggled(GtkToggleButton *button, gpointer user)
{
    trace("on_drawcurve_toggled\n");
    setMarkMode(GTK_WIDGET(button), mainCtxOf(user), DrawCurve);
}

void on_calendar_day_selected(GtkCalendar *calendar, gpointer user)
{
    trace("on_calendar_day_selected\n");
    MainCtx *ctx = mainCtxOf(user);
    const int i = editedMark(ctx);
    if (i < 0)
        return;
    guint year = 0, month = 0, day = 0;
    gtk_calendar_get_date(calendar, &year, &month, &day);
    ++month;
    DateTime *dateVal = ctx->settings.dateVal;
    const DateTime &date = dateVal[i];
    // Also the selection that showMarkDate causes when it fills the calendar.
    if (date.year == int(year) && date.month == int(month) && date.day == int(day))
        return;
    dateVal[i].setDate(year, month, day);
    // Without a proposed end, the end moves to the start's day.
    if (i == StartMark && !endDateProposable(ctx)) {
        dateVal[EndMark].setDate(year, month, day);
        confirmMarkDate(ctx, EndMark);
    }
    markDateChanged(ctx, i);
}

void on_hour_changed(GtkSpinButton *spin, gpointer user)
{
    trace("on_hour_changed\n");
    MainCtx *ctx = mainCtxOf(user);
    const int i = editedMark(ctx);
    if (i >= 0)
        setTime(ctx, i, gtk_spin_button_get_value_as_int(spin), ctx->settings.dateVal[i].minute);
}

void on_minute_changed(GtkSpinButton *spin, gpointer user)
{
    trace("on_minute_changed\n");
    MainCtx *ctx = mainCtxOf(user);
    const int i = editedMark(ctx);
    if (i >= 0)
        setTime(ctx, i, ctx->settings.dateVal[i].hour, gtk_spin_button_get_value_as_int(spin));
}

void on_selcurvecolor_color_set(GtkColorButton *button, gpointer user)
{
    trace("on_selcurvecolor_color_set\n");
    MainCtx *ctx = mainCtxOf(user);
    GdkColor color;
    gtk_color_button_get_color(button, &color);
    const int rgb[3] = {color.red >> 8, color.green >> 8, color.blue >> 8};
    setCurveColor(ctx, rgb);
}

void on_showcontrast_toggled(GtkToggleButton *button, gpointer user)
{
    trace("on_showcontrast_toggled\n");
    MainCtx *ctx = mainCtxOf(user);
    setDisplayFlag(ctx, ctx->showContrast, button);
}

void on_showcurve_toggled(GtkToggleButton *button, gpointer user)
{
    trace("on_showcurve_toggled\n");
    MainCtx *ctx = mainCtxOf(user);
    setDisplayFlag(ctx, ctx->showCurve, button);
}

void on_showtable_toggled(GtkToggleButton *button, gpointer user)
{
    trace("on_showtable_toggled\n");
    MainCtx *ctx = mainCtxOf(user);
    setDisplayFlag(ctx, ctx->showTable, button);
}

void on_resetcolor_clicked(GtkButton * /*button*/, gpointer user)
{
    trace("on_resetcolor_clicked\n");
    MainCtx *ctx = mainCtxOf(user);
    const unsigned char *ink = ctx->params->srcInkColor;
    const int rgb[3] = {ink[0], ink[1], ink[2]};
    setCurveColor(ctx, rgb);
    showCurveColor(ctx);
}

void on_addTemp_changed(GtkSpinButton *spin, gpointer user)
{
    trace("on_addTemp_changed\n");
    changeOffset(mainCtxOf(user), SubImgTemp, spin);
}

void on_addHygro_changed(GtkSpinButton *spin, gpointer user)
{
    trace("on_addHygro_changed\n");
    changeOffset(mainCtxOf(user), SubImgHygro, spin);
}

// ---- operations --------------------------------------------------------------------

void showMarkDate(MainCtx *ctx, int i)
{
    const DateTime &date = ctx->settings.dateVal[i];
    if (date.status() != 0)
        return;
    // Copies: the controls' own handlers run nested and may store the date.
    const int year = date.year, month = date.month, day = date.day;
    const int hour = date.hour, minute = date.minute;
    GtkCalendar *calendar = GTK_CALENDAR(ctx->widCalendar);
    gtk_calendar_select_month(calendar, month - 1, year);
    gtk_calendar_select_day(calendar, day);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(ctx->widHour), hour);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(ctx->widMinute), minute);
}

bool marksPlaced(const MainCtx *ctx)
{
    return ctx->fileCtx.get(datePosKey(0).c_str()) && ctx->fileCtx.get(datePosKey(1).c_str());
}

// Empty until both marks are placed: the dates of marks not placed are only
// start values.
void showDateDifference(MainCtx *ctx)
{
    GtkWidget *entries[3] = {ctx->widDiffDay, ctx->widDiffHour, ctx->widDiffMinute};
    const DateTime *dateVal = ctx->settings.dateVal;
    if (!marksPlaced(ctx)) {
        for (GtkWidget *entry : entries)
            gtk_entry_set_text(GTK_ENTRY(entry), "");
        return;
    }
    if (dateVal[0].status() != 0 || dateVal[1].status() != 0) {
        for (GtkWidget *entry : entries)
            gtk_entry_set_text(GTK_ENTRY(entry), "?");
        return;
    }
    // Integer division and remainder cut toward zero, so a negative
    // difference shows negative parts.
    const int minutes = dateVal[0].minutesUntil(dateVal[1]);
    setEntryInt(ctx->widDiffDay, minutes / 60 / 24);
    setEntryInt(ctx->widDiffHour, minutes / 60 % 24);
    setEntryInt(ctx->widDiffMinute, minutes % 60);
}
