// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_TEST_HARNESS_H
#define VELLORA_TEST_HARNESS_H

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mainctx.h"

// Runs the real program in-process for GUI tests: MainCtx initialised as at
// start-up, the real UI definition loaded, every handler connected, the main
// window shown.

// A fresh program directory, removed when the tests end, beside a link
// "glade" to the real UI definition, so "../glade/vellora.glade" resolves.
std::string makeAppDir();
// Starts the program in a fresh program directory holding these vellora.ini
// and vellora.ctx (none when empty). Null and a failure without a window.
MainCtx *startApp(const std::string &ini = "", const std::string &settings = "");
// Ends it as closing its window does and returns to the test's directory.
void stopApp(MainCtx *ctx);
const std::string &appDir();
bool appWindowAlive();

void runPending();  // until no GTK event or redraw is left
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000);

// Answers for the next modal dialogs, in order; a dialog without one is
// closed as by the window manager. stopApp drops unused answers.
enum DialogAnswer { AnswerOk, AnswerNo, AnswerClose };
void answerDialogs(std::initializer_list<DialogAnswer> answers);
// The last dialog's button labels in order, "*" before the default one, and
// the size it asked for.
std::vector<std::string> lastDialogButtons();
GtkRequisition lastDialogSize();
// The next dialog is a folder chooser, answered with this folder.
void answerFolder(const std::string &folder);
// "title: text" of each dialog shown since the last call; each label's text
// on a line of its own.
std::vector<std::string> takeDialogs();

GtkWidget *uiWidget(MainCtx *ctx, const char *name);
void setToggle(GtkWidget *button, bool active);
std::string statusText(MainCtx *ctx);  // shown in the progress bar

// Input delivered through GTK to a realized widget at widget coordinates.
// The pointer is warped there (scrolling a viewport as needed) and, with
// XTest, the server holds the pressed buttons and the modifiers of state,
// which the program reads back while it handles motion.
void pressButton(GtkWidget *widget, double x, double y, int button = 1);
void releaseButton(GtkWidget *widget, double x, double y, int button = 1);
void click(GtkWidget *widget, double x, double y, int button = 1);
// A click by the X server in the middle of the widget, handled as a real one
// (XTest needed: pointerStateAvailable).
void serverClick(GtkWidget *widget);
// A key pressed in the main window, as the keyboard sends it.
void pressKey(MainCtx *ctx, guint keyval);
// A click on the scan view at scan position (x, y), whatever its zoom.
void clickScan(MainCtx *ctx, double x, double y);
void movePointer(GtkWidget *widget, int x, int y, unsigned state = 0);
bool pointerStateAvailable();  // drags need it
void sendDeleteEvent(GtkWidget *window);

// The drawn pixels of a widget (caller unrefs); one in a viewport is scrolled
// through tile by tile, so the parts out of view come out as drawn.
GdkPixbuf *grabWidget(GtkWidget *widget);
void pixelAt(const GdkPixbuf *image, int x, int y, guchar rgb[3]);

// A width x height image of one colour 0xRRGGBB in a gdk-pixbuf format.
std::string writeScan(const std::string &path, const char *type, int width, int height,
                      unsigned rgb = 0x808080, bool alpha = false);
// Selects the file in the chooser page as the user does, so the program opens it.
void chooseFile(MainCtx *ctx, const std::string &path);
std::string chosenFile(MainCtx *ctx);
// Types the text into the chooser's location field and presses Enter.
void typeLocation(MainCtx *ctx, const std::string &text);

#endif
