#ifndef VELLORA_TEST_HARNESS_H
#define VELLORA_TEST_HARNESS_H

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mainctx.h"

// Runs the real program in-process for GUI tests: a fresh working directory
// beside a link to the real UI definition, MainCtx initialised as at start-up,
// the UI loaded, every handler connected, the main window shown.

// Starts the program in workDir (created when missing; a fresh temporary one
// when empty). verbose turns tracing on as "-v" does.
MainCtx *startApp(const std::string &workDir = std::string(), bool verbose = false);
// Ends it as closing the window does (cb_destroy and the teardown), without
// any question being asked unless a test armed an answer.
void stopApp(MainCtx *ctx);
// The working directory of the running app.
const std::string &appWorkDir();

// Runs pending GTK events (redraws, idle work) until none is left.
void runPending();

// Answers for the next modal dialog, taken from a timeout while it runs.
enum DialogAnswer { AnswerOk, AnswerNo, AnswerClose };
struct DialogRecord {
    std::string title;
    std::string text;
};
// Queues answers for the next dialogs in order; each dialog shown is recorded.
void answerDialogs(std::initializer_list<DialogAnswer> answers);
// Dialogs shown since the last call (and clears the record).
std::vector<DialogRecord> takeDialogs();

// The widget of the UI definition with this name.
GtkWidget *uiWidget(MainCtx *ctx, const char *name);

// Synthesised input delivered to the widget's window through GTK.
void pressButton(GtkWidget *widget, double x, double y, int button = 1, unsigned state = 0);
void releaseButton(GtkWidget *widget, double x, double y, int button = 1, unsigned state = 0);
// Moves the pointer (warped on the X server, so gdk_window_get_pointer sees it)
// and delivers a motion event; state carries held buttons and modifiers.
void movePointer(GtkWidget *widget, int x, int y, unsigned state = 0);

// The drawn pixels of a widget's window after all pending exposes: a new RGB
// pixbuf of the window's size (caller unrefs).
GdkPixbuf *grabWidget(GtkWidget *widget);
// The rgb of one pixel of a grabbed image.
void pixelAt(const GdkPixbuf *image, int x, int y, guchar rgb[3]);

// Captured standard output of the program while tracing.
void beginCaptureStdout();
std::string endCaptureStdout();

#endif
