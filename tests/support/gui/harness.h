// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_TEST_HARNESS_H
#define VELLORA_TEST_HARNESS_H

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mainctx.h"

// Runs the real program in-process: the real UI definition, every handler
// connected, the main window shown.

// A fresh program directory (removed when the tests end) whose "../glade"
// is the real UI definition's folder.
std::string makeAppDir();
// Starts the program in a fresh program directory with these vellora.ini and
// vellora.ctx (none when empty); null, with a failure, when it cannot.
MainCtx *startApp(const std::string &ini = "", const std::string &settings = "");
// Ends it as closing its window does, forgets ctx and returns to the test's
// directory.
void stopApp(MainCtx *&ctx);
const std::string &appDir();
bool appWindowAlive();

class AppTest : public ::testing::Test {
protected:
    void SetUp() override { start(); }
    void TearDown() override { stopApp(ctx); }
    // Starts the program afresh with these vellora.ini and vellora.ctx.
    void start(const std::string &ini = "", const std::string &settings = "")
    {
        stopApp(ctx);
        ASSERT_NE(ctx = startApp(ini, settings), nullptr);
    }
    MainCtx *ctx = nullptr;
};

void runPending();  // until no GTK event or redraw is left
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000);

// Answers for the next modal dialogs, in order; a dialog without one is
// closed as by the window manager.
enum DialogAnswer { AnswerOk, AnswerNo, AnswerClose };
void answerDialogs(std::initializer_list<DialogAnswer> answers);
// The last dialog's button labels ("*" before the default) and requested size.
struct DialogLook { std::vector<std::string> buttons; GtkRequisition size; };
const DialogLook &lastDialog();
void answerFolder(const std::string &folder);  // the next folder chooser's answer
// "title: text" of each dialog shown since the last call, a label a line.
using Dialogs = std::vector<std::string>;
Dialogs takeDialogs();

GtkWidget *uiWidget(MainCtx *ctx, const char *name);
// Visits the widget and, where visit returns true, its children, depth first.
void forEachWidget(GtkWidget *widget, const std::function<bool(GtkWidget *)> &visit);

// The controls as the user works them, each change handled before returning.
void setToggle(GtkWidget *button, bool active);
void setToggle(MainCtx *ctx, const char *name, bool active = true);
void clickButton(GtkWidget *button);
void clickButton(MainCtx *ctx, const char *name);
void setSpin(GtkWidget *spin, double value);
void selectDay(MainCtx *ctx, int year, int month, int day);  // in the calendar
void showPage(MainCtx *ctx, int page);
int currentPage(MainCtx *ctx);
std::string statusText(MainCtx *ctx);  // shown in the progress bar

// Pointer input at widget coordinates of a realized widget, the pointer warped
// there; with XTest the server also holds the buttons and modifiers pressed.
void pressButton(GtkWidget *widget, double x, double y, int button = 1);
void releaseButton(GtkWidget *widget, double x, double y, int button = 1);
void click(GtkWidget *widget, double x, double y, int button = 1);
void stroke(GtkWidget *widget, double x, double y, int button = 1, unsigned state = 0);
void movePointer(GtkWidget *widget, int x, int y, unsigned state = 0);
bool pointerStateAvailable();  // drags and serverClick need it
// A click made by the X server in the middle of the widget.
void serverClick(GtkWidget *widget);
void clickScan(MainCtx *ctx, double x, double y);  // at scan position, any zoom
void controlScroll(GtkWidget *widget, double x, double y, GdkScrollDirection direction);
// A key pressed in the main window with its key code, so key bindings act on it.
void pressKey(MainCtx *ctx, guint keyval);
void sendDeleteEvent(GtkWidget *window);

// The scroll position along columns or rows of the widget's viewport.
GtkAdjustment *scrollOf(GtkWidget *widget, bool horizontal);
// The drawn pixels of a widget in a viewport, all of it (caller unrefs).
GdkPixbuf *grabWidget(GtkWidget *widget);
struct Rgb { guchar r, g, b; };
// A widget's drawn pixels, released at the end of the scope.
struct Grab {
    explicit Grab(GtkWidget *widget) : image(grabWidget(widget)) {}
    ~Grab() { g_object_unref(image); }
    Grab(const Grab &) = delete;
    int count(int x0, int x1, int y0, int y1, Rgb c) const;  // in columns x0..x1, rows y0..y1
    GdkPixbuf *const image;
};

// A width x height image of one colour 0xRRGGBB in a gdk-pixbuf format.
std::string writeScan(const std::string &path, const char *type, int width, int height,
                      unsigned rgb = 0x808080, bool alpha = false);
// Selects the file on the chooser page and activates it, as a double click.
void chooseFile(MainCtx *ctx, const std::string &path);
std::string chosenFile(MainCtx *ctx);
std::string chooserFolder(MainCtx *ctx);
// Types the text into the chooser's location field, presses Enter and lets
// the chooser read what it names.
void typeLocation(MainCtx *ctx, const std::string &text);

#endif
