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

// A test of the program as it starts with no parameter file or settings.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(ctx = startApp(), nullptr); }
    void TearDown() override { stopApp(ctx); }
    MainCtx *ctx = nullptr;
};

void runPending();  // until no GTK event or redraw is left
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000);
void waitFor(int ms);  // handling events meanwhile

// Answers for the next modal dialogs, in order; a dialog without one is
// closed as by the window manager. stopApp drops unused answers.
enum DialogAnswer { AnswerOk, AnswerNo, AnswerClose };
void answerDialogs(std::initializer_list<DialogAnswer> answers);
// The last dialog's button labels in order, "*" before the default one, and
// the size it asked for.
struct DialogLook {
    std::vector<std::string> buttons;
    GtkRequisition size;
};
const DialogLook &lastDialog();
// The next dialog is a folder chooser, answered with this folder.
void answerFolder(const std::string &folder);
// "title: text" of each dialog shown since the last call; each label's text
// on a line of its own.
using Dialogs = std::vector<std::string>;
Dialogs takeDialogs();

GtkWidget *uiWidget(MainCtx *ctx, const char *name);
// Calls visit for the widget and, where it returns true, for the widgets
// inside it, depth first.
void forEachWidget(GtkWidget *widget, const std::function<bool(GtkWidget *)> &visit);

// The controls as the user works them, each change handled before returning.
void setToggle(GtkWidget *button, bool active);
void setToggle(MainCtx *ctx, const char *name, bool active = true);
void clickButton(MainCtx *ctx, const char *name);
void setSpin(GtkWidget *spin, double value);
void selectDay(MainCtx *ctx, int year, int month, int day);  // in the calendar
void showPage(MainCtx *ctx, int page);
int currentPage(MainCtx *ctx);
std::string statusText(MainCtx *ctx);  // shown in the progress bar

// Input delivered through GTK to a realized widget at widget coordinates.
// The pointer is warped there (scrolling a viewport as needed) and, with
// XTest, the server holds the pressed buttons and the modifiers of state,
// which the program reads back while it handles motion.
void pressButton(GtkWidget *widget, double x, double y, int button = 1);
void releaseButton(GtkWidget *widget, double x, double y, int button = 1);
void click(GtkWidget *widget, double x, double y, int button = 1);
// Press, a motion there and release, as a short stroke of the mouse.
void stroke(GtkWidget *widget, double x, double y, int button = 1, unsigned state = 0);
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
// Control and the wheel over the widget at (x, y).
void controlScroll(GtkWidget *widget, double x, double y, GdkScrollDirection direction);

// The scroll position along columns (horizontal) or rows of the viewport
// that holds the widget.
GtkAdjustment *scrollOf(GtkWidget *widget, bool horizontal);
// The drawn pixels of a widget (caller unrefs); one in a viewport is scrolled
// through tile by tile, so the parts out of view come out as drawn.
GdkPixbuf *grabWidget(GtkWidget *widget);
void pixelAt(const GdkPixbuf *image, int x, int y, guchar rgb[3]);
// Pixels in columns x0..x1 and rows y0..y1 (clipped to the image) for which
// match holds.
int countPixels(const GdkPixbuf *image, int x0, int x1, int y0, int y1,
                const std::function<bool(const guchar *rgb)> &match);

// A width x height image of one colour 0xRRGGBB in a gdk-pixbuf format.
std::string writeScan(const std::string &path, const char *type, int width, int height,
                      unsigned rgb = 0x808080, bool alpha = false);
// Selects the file in the chooser page as the user does, so the program opens it.
void chooseFile(MainCtx *ctx, const std::string &path);
std::string chosenFile(MainCtx *ctx);
std::string chooserFolder(MainCtx *ctx);
// Types the text into the chooser's location field and presses Enter.
void typeLocation(MainCtx *ctx, const std::string &text);

#endif
