#include <cstdio>
#include <string>

#include "handlers.h"
#include "ui.h"

int verbose = 0;

namespace {

// Fraction of the last setProgress call, for the whole run: the bar only
// moves when a new twentieth is reached.
double lastProgressFraction = 0.0;

const int kProgressSteps = 20;
const int kDialogWidth = 600;
const int kDialogHeight = 400;

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

// Common frame of every dialog: modal, transient for the main window,
// centred on it, the text in a read-only text view.
void fillDialog(GtkWidget *dialog, MainCtx *ctx, const std::string &text, GtkWrapMode wrap)
{
    GtkWidget *view = gtk_text_view_new();
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view), wrap);
    gtk_text_view_set_editable(GTK_TEXT_VIEW(view), FALSE);
    gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(view), FALSE);
    gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), text.c_str(), -1);
    gtk_box_pack_start(GTK_BOX(GTK_DIALOG(dialog)->vbox), view, TRUE, TRUE, 0);

    if (ctx && ctx->widMainWindow)
        gtk_window_set_transient_for(GTK_WINDOW(dialog), GTK_WINDOW(ctx->widMainWindow));
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_default_size(GTK_WINDOW(dialog), kDialogWidth, kDialogHeight);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER_ON_PARENT);
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

int askQuestion(MainCtx *ctx, const char *a, const char *b, const char *c)
{
    std::string text = joinParts(a, b, c);
    GtkWidget *dialog = gtk_dialog_new_with_buttons(
        "vellora question", nullptr, GTK_DIALOG_MODAL, GTK_STOCK_OK, GTK_RESPONSE_ACCEPT,
        GTK_STOCK_NO, GTK_RESPONSE_NO, nullptr);
    if (!dialog)
        return 1;
    fillDialog(dialog, ctx, text, GTK_WRAP_WORD);
    return runDialog(dialog) == GTK_RESPONSE_ACCEPT ? 1 : 0;
}

void showMessageDialog(MainCtx *ctx, const char *text, int error)
{
    ctx->busy = 1;
    GtkWidget *dialog = gtk_dialog_new_with_buttons(
        error ? "vellora error" : "vellora warning", nullptr, GTK_DIALOG_MODAL,
        error ? GTK_STOCK_DIALOG_ERROR : GTK_STOCK_DIALOG_WARNING, GTK_RESPONSE_NONE, nullptr);
    if (dialog) {
        fillDialog(dialog, ctx, text, GTK_WRAP_WORD_CHAR);
        runDialog(dialog);
    }
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
