// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <string>

#include "handlers.h"
#include "i18n.h"
#include "ui.h"

int verbose = 0;

namespace {

// Fraction of the last setProgress call, for the whole run: the bar only
// moves when a new twentieth is reached.
double lastProgressFraction = 0.0;

const int kProgressSteps = 20;
// A dialog's text wraps at about this many characters.
const int kDialogTextChars = 60;

std::string joinParts(const char *a, const char *b, const char *c = nullptr,
                      const char *d = nullptr)
{
    std::string text;
    for (const char *part : {a, b, c, d}) {
        if (part)
            text += part;
    }
    return text;
}

GtkWidget *dialogLabel(const std::string &text, bool bold)
{
    GtkWidget *label = gtk_label_new(nullptr);
    if (bold) {
        gchar *markup = g_markup_printf_escaped("<b>%s</b>", text.c_str());
        gtk_label_set_markup(GTK_LABEL(label), markup);
        g_free(markup);
    } else {
        gtk_label_set_text(GTK_LABEL(label), text.c_str());
    }
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_line_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD_CHAR);
    gtk_label_set_max_width_chars(GTK_LABEL(label), kDialogTextChars);
    gtk_label_set_selectable(GTK_LABEL(label), TRUE);
    gtk_misc_set_alignment(GTK_MISC(label), 0.0, 0.0);
    return label;
}

// Common frame of every dialog: modal, transient for the main window,
// centred on it, as large as its icon, text and buttons need; Enter presses
// the default button.
GtkWidget *makeDialog(MainCtx *ctx, const char *title, const char *icon, const std::string &text,
                      const std::string &detail)
{
    GtkWidget *dialog = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(dialog), title);
    gtk_dialog_set_has_separator(GTK_DIALOG(dialog), FALSE);
    gtk_container_set_border_width(GTK_CONTAINER(dialog), 6);
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    GtkWidget *row = gtk_hbox_new(FALSE, 12);
    gtk_container_set_border_width(GTK_CONTAINER(row), 6);
    gtk_box_pack_start(GTK_BOX(row), gtk_image_new_from_stock(icon, GTK_ICON_SIZE_DIALOG), FALSE,
                       FALSE, 0);
    GtkWidget *texts = gtk_vbox_new(FALSE, 8);
    gtk_box_pack_start(GTK_BOX(texts), dialogLabel(text, !detail.empty()), FALSE, FALSE, 0);
    if (!detail.empty())
        gtk_box_pack_start(GTK_BOX(texts), dialogLabel(detail, false), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), texts, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(GTK_DIALOG(dialog)->vbox), row, TRUE, TRUE, 0);
    if (ctx && ctx->widMainWindow)
        gtk_window_set_transient_for(GTK_WINDOW(dialog), GTK_WINDOW(ctx->widMainWindow));
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER_ON_PARENT);
    return dialog;
}

void addDefaultButton(GtkWidget *dialog, const char *label, gint response)
{
    gtk_dialog_add_button(GTK_DIALOG(dialog), label, response);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), response);
}

gint runDialog(GtkWidget *dialog)
{
    gtk_widget_show_all(dialog);
    gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    return response;
}

int wholeSteps(double fraction)
{
    return static_cast<int>(kProgressSteps * fraction);
}

} // namespace

void trace(const char *text)
{
    if (!verbose)
        return;
    fputs(text, stdout);
    fflush(stdout);
}

void logFunc(const gchar * /*domain*/, GLogLevelFlags /*level*/, const gchar *message,
             gpointer /*user*/)
{
    if (!verbose)
        return;
    printf("logFunc: %s\n", message);
    fflush(stdout);
}

void pumpEvents()
{
    while (gtk_events_pending())
        gtk_main_iteration();
}

bool askChoice(MainCtx *ctx, const std::string &question, const char *yes, const char *no,
               const std::string &detail)
{
    GtkWidget *dialog = makeDialog(ctx, _("vellora question"), GTK_STOCK_DIALOG_QUESTION, question,
                                   detail);
    gtk_dialog_add_button(GTK_DIALOG(dialog), no, GTK_RESPONSE_NO);
    addDefaultButton(dialog, yes, GTK_RESPONSE_ACCEPT);
    return runDialog(dialog) == GTK_RESPONSE_ACCEPT;
}

void showMessageDialog(MainCtx *ctx, const char *text, int error)
{
    ctx->busy = 1;
    GtkWidget *dialog = makeDialog(ctx, error ? _("vellora error") : _("vellora warning"),
                                   error ? GTK_STOCK_DIALOG_ERROR : GTK_STOCK_DIALOG_WARNING, text, "");
    addDefaultButton(dialog, GTK_STOCK_OK, GTK_RESPONSE_ACCEPT);
    runDialog(dialog);
    ctx->busy = 0;
}

void showWarning(MainCtx *ctx, const char *a, const char *b, const char *c, const char *d)
{
    showMessageDialog(ctx, joinParts(a, b, c, d).c_str(), 0);
}

void showError(MainCtx *ctx, const char *a, const char *b, const char *c, const char *d)
{
    showMessageDialog(ctx, joinParts(a, b, c, d).c_str(), 1);
}

void setStatus(MainCtx *ctx, const char *a, const char *b, const char *c)
{
    ctx->busy = 1;
    gtk_progress_bar_set_text(GTK_PROGRESS_BAR(ctx->widProgressBar), joinParts(a, b, c).c_str());
    pumpEvents();
    ctx->busy = 0;
}

void setProgress(MainCtx *ctx, double fraction)
{
    ctx->busy = 1;
    if (wholeSteps(fraction) != wholeSteps(lastProgressFraction)) {
        gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(ctx->widProgressBar), fraction);
        pumpEvents();
    }
    lastProgressFraction = fraction;
    ctx->busy = 0;
}

FieldText::FieldText(int field)
{
    std::snprintf(text, sizeof text, "%d", field);
}

void progressCallback(void *user, double fraction)
{
    setProgress(mainCtxOf(user), fraction);
}
