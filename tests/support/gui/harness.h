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
// when empty). verbose turns tracing on as "-v" does. The program runs in
// workDir + "/work" (appDirOf), beside a link workDir + "/glade" to the real UI
// definition, so that "../glade/vellora.glade" resolves as in run/. Put
// vellora.ini or vellora.ctx into appDirOf(workDir) before starting.
// Null (and a test failure) when the UI definition does not load.
MainCtx *startApp(const std::string &workDir = std::string(), bool verbose = false);
// A fresh temporary workDir with its "work" directory and "glade" link,
// removed when the test program ends.
std::string makeWorkDir();
// The directory the program runs in for a workDir.
std::string appDirOf(const std::string &workDir);
// False once the main window was destroyed (closed with OK, or stopApp).
bool appWindowAlive();
// Ends it as closing the window does (cb_destroy and the teardown); a
// question of the clean-up (saving the file context) takes a queued answer or
// is closed as unexpected. Returns to the directory the test started in.
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
    bool unexpected = false;           // no answer was queued: closed as by the window manager
    std::vector<std::string> buttons;  // button labels (stock ids), in order
    int wrapMode = -1;                 // GtkWrapMode of the text view
    bool modal = false;
    std::string parentName;            // widget name of the transient parent ("mainwindow")
    int width = -1, height = -1;       // default size
};
// Queues answers for the next dialogs in order; each dialog shown is recorded.
// A dialog without a queued answer is closed (as AnswerClose) and recorded as
// unexpected. Answers may be queued before startApp for start-up dialogs;
// stopApp drops the unused ones.
void answerDialogs(std::initializer_list<DialogAnswer> answers);
// Dialogs shown since the last call (and clears the record); also the ones
// that stopApp's clean-up asked. startApp starts a fresh record.
std::vector<DialogRecord> takeDialogs();
// Queued answers not yet used.
size_t pendingAnswerCount();

// The widget of the UI definition with this name.
GtkWidget *uiWidget(MainCtx *ctx, const char *name);

// Synthesised input delivered to the widget's window through GTK, at x, y in
// widget coordinates (fractions kept). The widget must be realized: show its
// notebook page first. The X pointer is warped there too, and a pressed
// button stays held on the X server until releaseButton. Events the X server
// itself makes from this are dropped, so each handler runs once per call.
void pressButton(GtkWidget *widget, double x, double y, int button = 1, unsigned state = 0);
void releaseButton(GtkWidget *widget, double x, double y, int button = 1, unsigned state = 0);
// Moves the pointer (warped on the X server, so gdk_window_get_pointer sees it)
// and delivers a motion event; state carries held buttons and modifiers.
// Buttons held by pressButton stay held (also on the X server) until
// releaseButton; buttons in state are held for this motion only. Points off
// the screen are first scrolled into view inside the widget's viewport.
void movePointer(GtkWidget *widget, int x, int y, unsigned state = 0);
// Whether the X server can hold buttons and modifiers (XTest); without it
// gdk_window_get_pointer reports no buttons and tests of dragging must skip.
bool pointerStateAvailable();
// Closing the window as the window manager does (runs the delete handler).
void sendDeleteEvent(GtkWidget *window);

// The drawn pixels of a widget's window after all pending exposes: a new RGB
// pixbuf of the window's size (caller unrefs). A widget inside a viewport is
// scrolled through tile by tile (its scroll position restored), so the parts
// out of view come out as drawn.
GdkPixbuf *grabWidget(GtkWidget *widget);
// The rgb of one pixel of a grabbed image.
void pixelAt(const GdkPixbuf *image, int x, int y, guchar rgb[3]);

// Captured standard output of the program while tracing.
void beginCaptureStdout();
std::string endCaptureStdout();

#endif
