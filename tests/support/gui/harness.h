#ifndef VELLORA_TEST_HARNESS_H
#define VELLORA_TEST_HARNESS_H

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mainctx.h"

// Runs the real program in-process for GUI tests: MainCtx initialised as at
// start-up, the real UI definition loaded, every handler connected, the main
// window shown.

// Starts the program in appDirOf(workDir) (a fresh workDir when empty), beside
// a link workDir + "/glade" to the real UI definition, so that
// "../glade/vellora.glade" resolves as in run/. verbose acts as "-v". Put
// vellora.ini or vellora.ctx into appDirOf(workDir) first. Null (and a test
// failure) when the UI definition does not load.
MainCtx *startApp(const std::string &workDir = std::string(), bool verbose = false);
// A fresh temporary workDir with its "work" directory and "glade" link,
// removed when the test program ends.
std::string makeWorkDir();
std::string appDirOf(const std::string &workDir);
// False once the main window was destroyed.
bool appWindowAlive();
// Ends the program as closing its window does (cb_destroy and the clean-up,
// whose questions take queued answers) and returns to the test's directory.
void stopApp(MainCtx *ctx);
// The directory the running program works in.
const std::string &appWorkDir();

// Runs pending GTK events (redraws, idle work) until none is left.
void runPending();

// Answers for the program's modal dialogs, given from a timeout while they run.
enum DialogAnswer { AnswerOk, AnswerNo, AnswerClose };
struct DialogRecord {
    std::string title;
    std::string text;
    bool unexpected = false;           // no answer was queued: closed as by the window manager
    std::vector<std::string> buttons;  // labels (stock ids), in order
    bool modal = false;
    std::string parentName;            // widget name of the transient parent
};
// Queues answers for the next dialogs, in order; a dialog without one is
// closed and recorded as unexpected. Answers queued before startApp serve the
// start-up; stopApp drops unused ones.
void answerDialogs(std::initializer_list<DialogAnswer> answers);
// The dialogs shown since the last call (startApp starts a fresh record).
std::vector<DialogRecord> takeDialogs();

// The widget of the UI definition with this name.
GtkWidget *uiWidget(MainCtx *ctx, const char *name);

// Synthesised input delivered through GTK to a realized widget (show its page
// first) at widget coordinates, fractions kept. The X pointer is warped there
// (a viewport is scrolled to make the point visible) and, with XTest, the
// server holds what the event says: a pressed button until releaseButton,
// buttons and modifiers in movePointer's state for that motion only. The
// server's own events are dropped, so each handler runs once per call.
void pressButton(GtkWidget *widget, double x, double y, int button = 1, unsigned state = 0);
void releaseButton(GtkWidget *widget, double x, double y, int button = 1, unsigned state = 0);
void movePointer(GtkWidget *widget, int x, int y, unsigned state = 0);
// Whether the server can hold buttons (XTest): tests of dragging skip without.
bool pointerStateAvailable();
// Closing the window as the window manager does.
void sendDeleteEvent(GtkWidget *window);

// The drawn pixels of a widget's window after pending exposes: a new RGB
// pixbuf (caller unrefs). A widget in a viewport is scrolled through tile by
// tile, so the parts out of view come out as drawn.
GdkPixbuf *grabWidget(GtkWidget *widget);
void pixelAt(const GdkPixbuf *image, int x, int y, guchar rgb[3]);

// Captures what the program writes to standard output.
void beginCaptureStdout();
std::string endCaptureStdout();

#endif
