// SPDX-License-Identifier: GPL-3.0-or-later
#include "harness.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <utility>

#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>
#include <glib/gstdio.h>

#include "coretest.h"
#include "synth_fixtures.h"
#include "ui.h"

namespace {

std::string currentAppDir;
std::deque<TempDir> tempDirs;
bool windowAlive = false;
std::deque<DialogAnswer> pendingAnswers;
std::vector<std::string> shownDialogs;
guint dialogWatch = 0;
std::string pendingFolder;  // what the next folder chooser is answered with
DialogLook lastLook;
GtkWindow *folderChooserSeen = nullptr;
int folderWaitTicks = 0;

std::string takeString(gchar *text)
{
    const std::string result = text ? text : "";
    g_free(text);
    return result;
}

const std::string testDir = takeString(g_get_current_dir());  // where the tests run between programs

void waitFor(int ms)
{
    waitUntil([] { return false; }, ms);
}

// Records the dialog's title and label texts, a line each but for buttons and
// choosers, and its look.
void recordDialog(GtkDialog *dialog, const gchar *title)
{
    std::string text;
    forEachWidget(GTK_WIDGET(dialog), [&text](GtkWidget *w) {
        if (GTK_IS_LABEL(w))
            text.append("\n").append(gtk_label_get_text(GTK_LABEL(w)));
        return !GTK_IS_BUTTON(w) && !GTK_IS_FILE_CHOOSER(w);
    });
    shownDialogs.push_back(std::string(title) + ": " + (text.empty() ? text : text.substr(1)));
    lastLook.buttons.clear();
    GList *buttons = gtk_container_get_children(GTK_CONTAINER(dialog->action_area));
    for (GList *l = buttons; l; l = l->next) {
        GtkWidget *button = GTK_WIDGET(l->data);
        const gchar *label = gtk_button_get_label(GTK_BUTTON(button));
        lastLook.buttons.push_back(std::string(GTK_WIDGET_HAS_DEFAULT(button) ? "*" : "") + (label ? label : ""));
    }
    g_list_free(buttons);
    gtk_widget_size_request(GTK_WIDGET(dialog), &lastLook.size);
}

// Whether a folder chooser shows the pending folder, sent there when first
// seen; one that is not there after 3 s fails the test instead of hanging it.
bool inFolder(GtkWindow *window)
{
    const std::string current = takeString(gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(window)));
    const std::string chosen = takeString(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(window)));
    bool there = pendingFolder == current && (chosen.empty() || pendingFolder == chosen);
    if (!there && window != folderChooserSeen) {
        shownDialogs.push_back(std::string(gtk_window_get_title(window)) + ": ");
        folderChooserSeen = window;
        folderWaitTicks = 0;
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(window), pendingFolder.c_str());
    } else if (!there && ++folderWaitTicks > 150) {
        ADD_FAILURE() << "the folder chooser shows '" << current << "', chosen '" << chosen << "', not "
                      << pendingFolder;
        there = true;
    }
    return there;
}

// Records and answers every shown dialog of the program.
gboolean answerRunningDialogs(gpointer)
{
    static const gint responses[] = {GTK_RESPONSE_ACCEPT, GTK_RESPONSE_NO, GTK_RESPONSE_DELETE_EVENT};
    GList *toplevels = gtk_window_list_toplevels();
    g_list_foreach(toplevels, [](gpointer w, gpointer) { g_object_ref(w); }, nullptr);  // answers may end some
    for (GList *l = toplevels; l; l = l->next) {
        GtkWindow *window = GTK_WINDOW(l->data);
        const gchar *title = gtk_window_get_title(window);
        if (!GTK_IS_DIALOG(window) || !GTK_WIDGET_VISIBLE(window) || !title || !g_str_has_prefix(title, "vellora"))
            continue;
        if (GTK_IS_FILE_CHOOSER(window) && !pendingFolder.empty() && !inFolder(window))
            continue;  // answered once it has read the folder in the background
        if (window != folderChooserSeen)
            recordDialog(GTK_DIALOG(window), title);
        folderChooserSeen = nullptr;
        if (GTK_IS_FILE_CHOOSER(window))
            pendingFolder.clear();
        const DialogAnswer answer = pendingAnswers.empty() ? AnswerClose : pendingAnswers.front();
        if (!pendingAnswers.empty())
            pendingAnswers.pop_front();
        gtk_dialog_response(GTK_DIALOG(window), responses[answer]);
    }
    g_list_foreach(toplevels, [](gpointer w, gpointer) { g_object_unref(w); }, nullptr);
    g_list_free(toplevels);
    return TRUE;
}

// ---- pointer state on the X server (XTest, loaded at run time) ---------------

typedef int (*FakeFn)(Display *, unsigned int, int, unsigned long);
FakeFn fakeButton = nullptr, fakeKey = nullptr;
// What the server holds now, and the buttons held from press to release.
unsigned serverState = 0, pressedButtons = 0;

Display *xDisplay() { return GDK_DISPLAY_XDISPLAY(gdk_display_get_default()); }
unsigned buttonMask(int button) { return GDK_BUTTON1_MASK << (button - 1); }

bool keyOf(guint keyval, GdkKeymapKey &key)
{
    GdkKeymapKey *keys = nullptr;
    gint count = 0;
    gdk_keymap_get_entries_for_keyval(gdk_keymap_get_default(), keyval, &keys, &count);
    if (count > 0)
        key = keys[0];
    g_free(keys);
    return count > 0;
}

void setServerState(unsigned wanted)
{
    if (!pointerStateAvailable())
        return;
    const unsigned changed = wanted ^ serverState;
    GdkKeymapKey control;
    if ((changed & GDK_CONTROL_MASK) && keyOf(GDK_KEY_Control_L, control))
        fakeKey(xDisplay(), control.keycode, (wanted & GDK_CONTROL_MASK) != 0, 0);
    for (int button = 1; button <= 3; button++) {
        if (changed & buttonMask(button))
            fakeButton(xDisplay(), button, (wanted & buttonMask(button)) != 0, 0);
    }
    serverState = wanted;
    gdk_display_sync(gdk_display_get_default());
}

bool serverEventsPass = false;  // while serverClick lets the server's events through

// The server's events from warps and fake presses would run the handlers twice.
void dropServerPointerEvents(GdkEvent *event, gpointer)
{
    switch (serverEventsPass ? GDK_NOTHING : event->type) {
    case GDK_MOTION_NOTIFY: case GDK_BUTTON_PRESS: case GDK_2BUTTON_PRESS: case GDK_3BUTTON_PRESS:
    case GDK_BUTTON_RELEASE: case GDK_ENTER_NOTIFY: case GDK_LEAVE_NOTIFY: case GDK_SCROLL:
        return;
    default:
        gtk_main_do_event(event);
    }
}

// ---- input synthesis ------------------------------------------------------

// The pointer can only be warped onto the screen.
void scrollIntoView(GtkWidget *widget, double x, double y)
{
    if (!GTK_IS_VIEWPORT(gtk_widget_get_parent(widget)))
        return;
    GtkAdjustment *adjust[2] = {scrollOf(widget, true), scrollOf(widget, false)};
    const double pos[2] = {x, y};
    for (int i = 0; i < 2; i++) {
        GtkAdjustment *a = adjust[i];
        if (pos[i] < a->value || pos[i] >= a->value + a->page_size)
            gtk_adjustment_set_value(a, CLAMP(pos[i] - a->page_size / 2, a->lower, a->upper - a->page_size));
    }
    runPending();
}

// A widget position in the widget's GDK window (its parent's for a no-window
// widget) and on the screen.
struct Spot { double wx, wy; int rx, ry; };

// Puts the pointer on the widget at (x, y).
Spot warpPointer(GtkWidget *widget, double x, double y)
{
    const bool own = !GTK_WIDGET_NO_WINDOW(widget);
    Spot at{x + (own ? 0 : widget->allocation.x), y + (own ? 0 : widget->allocation.y), 0, 0};
    gdk_window_get_origin(widget->window, &at.rx, &at.ry);
    at.rx += static_cast<int>(at.wx);
    at.ry += static_cast<int>(at.wy);
    gdk_display_warp_pointer(gdk_display_get_default(), gdk_screen_get_default(), at.rx, at.ry);
    return at;
}

void sendEvent(GdkEvent *event, GtkWidget *widget)
{
    event->any.window = GDK_WINDOW(g_object_ref(widget->window));
    event->any.send_event = TRUE;
    gtk_main_do_event(event);
    gdk_event_free(event);
    runPending();
}

template <typename Event>
void fillPointerEvent(Event &e, const Spot &at, unsigned state)
{
    e.time = GDK_CURRENT_TIME;
    e.x = at.wx;
    e.y = at.wy;
    e.state = state;
    e.device = gdk_device_get_core_pointer();
    e.x_root = at.rx;
    e.y_root = at.ry;
}

void deliver(GtkWidget *widget, GdkEventType type, double x, double y, int button, unsigned state,
             unsigned held)
{
    if (!GTK_WIDGET_REALIZED(widget)) {
        ADD_FAILURE() << gtk_widget_get_name(widget) << " is not realized: show its page first";
        return;
    }
    scrollIntoView(widget, x, y);
    const Spot at = warpPointer(widget, x, y);
    setServerState(held);
    GdkEvent *event = gdk_event_new(type);
    if (type == GDK_MOTION_NOTIFY) {
        fillPointerEvent(event->motion, at, state);
    } else {
        fillPointerEvent(event->button, at, state);
        event->button.button = button;
    }
    sendEvent(event, widget);
}

} // namespace

// ---- the program ------------------------------------------------------------

std::string makeAppDir()
{
    tempDirs.emplace_back("vellora-gui");
    const std::string base = tempDirs.back().path();
    g_mkdir(tempDirs.back().file("work").c_str(), 0755);
    if (symlink(VELLORA_SOURCE_DIR "/glade", (base + "/glade").c_str()) != 0)
        ADD_FAILURE() << "cannot link " << base << "/glade";
    return base + "/work";
}

MainCtx *startApp(const std::string &ini, const std::string &settings)
{
    currentAppDir = makeAppDir();
    if (!ini.empty())
        makeFile(currentAppDir + "/vellora.ini", ini);
    if (!settings.empty())
        makeFile(currentAppDir + "/vellora.ctx", settings);
    if (chdir(currentAppDir.c_str()) != 0) {
        ADD_FAILURE() << "cannot enter " << currentAppDir;
        return nullptr;
    }
    static bool gtkReady = false;
    if (!gtkReady) {
        gtkReady = true;
        gtk_init(nullptr, nullptr);
        g_log_set_handler(nullptr, static_cast<GLogLevelFlags>(0xff), logFunc, nullptr);
        gdk_event_handler_set(dropServerPointerEvents, nullptr, nullptr);
    }
    shownDialogs.clear();
    answerDialogs({});  // starts answering
    MainCtx *ctx = new MainCtx();
    initMainCtx(ctx);
    if (startMainWindow(ctx, "../glade/vellora.glade") != 0) {
        ADD_FAILURE() << "the UI definition did not load";
        stopApp(ctx);
        return nullptr;
    }
    windowAlive = true;
    g_signal_connect(ctx->widMainWindow, "destroy",
                     G_CALLBACK(+[](GtkWidget *, gpointer) { windowAlive = false; }), nullptr);
    gtk_widget_show(ctx->widMainWindow);
    runPending();
    return ctx;
}

void stopApp(MainCtx *&ctx)
{
    if (ctx) {
        pressedButtons = 0;
        setServerState(0);
        if (windowAlive)
            gtk_widget_destroy(ctx->widMainWindow);
        runPending();
        destroyMainCtx(ctx);
        delete std::exchange(ctx, nullptr);
    }
    pendingAnswers.clear();
    pendingFolder.clear();
    if (chdir(testDir.c_str()) != 0)
        ADD_FAILURE() << "cannot return to " << testDir;
}

const std::string &appDir() { return currentAppDir; }
bool appWindowAlive() { return windowAlive; }

void runPending()
{
    gdk_display_sync(gdk_display_get_default());
    for (int round = 0; round < 2; round++) {
        while (gtk_events_pending())
            gtk_main_iteration_do(FALSE);
        gdk_window_process_all_updates();
    }
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    const gint64 end = g_get_monotonic_time() + static_cast<gint64>(timeoutMs) * 1000;
    while (!done()) {
        if (g_get_monotonic_time() > end)
            return false;
        if (gtk_events_pending())
            gtk_main_iteration();
        else
            g_usleep(2000);
    }
    return true;
}

void answerDialogs(std::initializer_list<DialogAnswer> answers)
{
    pendingAnswers.insert(pendingAnswers.end(), answers);
    if (!dialogWatch)  // also for velloraMain, outside startApp
        dialogWatch = g_timeout_add(20, answerRunningDialogs, nullptr);
}

const DialogLook &lastDialog() { return lastLook; }

void answerFolder(const std::string &folder)
{
    char *real = realpath(folder.c_str(), nullptr);
    pendingFolder = real ? real : folder;
    free(real);
    answerDialogs({AnswerOk});
}

Dialogs takeDialogs() { return std::exchange(shownDialogs, {}); }

GtkWidget *uiWidget(MainCtx *ctx, const char *name)
{
    GtkWidget *widget = glade_xml_get_widget(ctx->gladeXml, name);
    EXPECT_NE(widget, nullptr) << "no widget " << name;
    return widget;
}

void forEachWidget(GtkWidget *widget, const std::function<bool(GtkWidget *)> &visit)
{
    if (!visit(widget) || !GTK_IS_CONTAINER(widget))
        return;
    GList *children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList *l = children; l; l = l->next)
        forEachWidget(GTK_WIDGET(l->data), visit);
    g_list_free(children);
}

void setToggle(GtkWidget *button, bool active)
{
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), active);
    runPending();
}

void setToggle(MainCtx *ctx, const char *name, bool active) { setToggle(uiWidget(ctx, name), active); }

void clickButton(GtkWidget *button)
{
    gtk_button_clicked(GTK_BUTTON(button));
    runPending();
}

void clickButton(MainCtx *ctx, const char *name) { clickButton(uiWidget(ctx, name)); }

void setSpin(GtkWidget *spin, double value)
{
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), value);
    runPending();
}

void selectDay(MainCtx *ctx, int year, int month, int day)
{
    gtk_calendar_select_month(GTK_CALENDAR(ctx->widCalendar), month - 1, year);
    gtk_calendar_select_day(GTK_CALENDAR(ctx->widCalendar), day);
    runPending();
}

void showPage(MainCtx *ctx, int page)
{
    gtk_notebook_set_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook), page);
    runPending();
}

int currentPage(MainCtx *ctx) { return gtk_notebook_get_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook)); }

std::string statusText(MainCtx *ctx)
{
    const char *text = gtk_progress_bar_get_text(GTK_PROGRESS_BAR(ctx->widProgressBar));
    return text ? text : "";
}

bool pointerStateAvailable()
{
    static int usable = -1;
    if (usable < 0) {
        typedef int (*QueryFn)(Display *, int *, int *, int *, int *);
        void *lib = dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
        auto query = lib ? reinterpret_cast<QueryFn>(dlsym(lib, "XTestQueryExtension")) : nullptr;
        fakeButton = lib ? reinterpret_cast<FakeFn>(dlsym(lib, "XTestFakeButtonEvent")) : nullptr;
        fakeKey = lib ? reinterpret_cast<FakeFn>(dlsym(lib, "XTestFakeKeyEvent")) : nullptr;
        int event, error, major, minor;
        usable = query && fakeButton && fakeKey && query(xDisplay(), &event, &error, &major, &minor);
    }
    return usable;
}

void pressButton(GtkWidget *widget, double x, double y, int button)
{
    pressedButtons |= buttonMask(button);
    deliver(widget, GDK_BUTTON_PRESS, x, y, button, 0, pressedButtons);
}

void releaseButton(GtkWidget *widget, double x, double y, int button)
{
    pressedButtons &= ~buttonMask(button);
    deliver(widget, GDK_BUTTON_RELEASE, x, y, button, buttonMask(button), pressedButtons);
}

void click(GtkWidget *widget, double x, double y, int button)
{
    pressButton(widget, x, y, button);
    releaseButton(widget, x, y, button);
}

void stroke(GtkWidget *widget, double x, double y, int button, unsigned state)
{
    pressButton(widget, x, y, button);
    movePointer(widget, static_cast<int>(x), static_cast<int>(y), state);
    releaseButton(widget, x, y, button);
}

void serverClick(GtkWidget *widget)
{
    if (!pointerStateAvailable())
        return;
    serverEventsPass = true;
    warpPointer(widget, widget->allocation.width / 2, widget->allocation.height / 2);
    gdk_display_sync(gdk_display_get_default());
    runPending();
    fakeButton(xDisplay(), 1, True, 0);
    fakeButton(xDisplay(), 1, False, 0);
    gdk_display_sync(gdk_display_get_default());
    waitFor(300);
    runPending();
    serverEventsPass = false;
}

void pressKey(MainCtx *ctx, guint keyval)
{
    GdkEvent *event = gdk_event_new(GDK_KEY_PRESS);
    event->key.keyval = keyval;
    event->key.time = GDK_CURRENT_TIME;
    GdkKeymapKey key;
    if (keyOf(keyval, key)) {
        event->key.hardware_keycode = static_cast<guint16>(key.keycode);
        event->key.group = static_cast<guint8>(key.group);
        event->key.state = key.level == 1 ? GDK_SHIFT_MASK : 0;
    }
    sendEvent(event, ctx->widMainWindow);
}

void clickScan(MainCtx *ctx, double x, double y) { click(ctx->widImgScan, x * ctx->scanZoom, y * ctx->scanZoom); }

void movePointer(GtkWidget *widget, int x, int y, unsigned state)
{
    const unsigned held = pressedButtons | state;
    deliver(widget, GDK_MOTION_NOTIFY, x, y, 0, held, held);
}

void sendDeleteEvent(GtkWidget *window) { sendEvent(gdk_event_new(GDK_DELETE), window); }

void controlScroll(GtkWidget *widget, double x, double y, GdkScrollDirection direction)
{
    GdkEvent *event = gdk_event_new(GDK_SCROLL);
    event->scroll.x = x;
    event->scroll.y = y;
    event->scroll.state = GDK_CONTROL_MASK;
    event->scroll.direction = direction;
    sendEvent(event, widget);
}

GtkAdjustment *scrollOf(GtkWidget *widget, bool horizontal)
{
    GtkViewport *viewport = GTK_VIEWPORT(gtk_widget_get_parent(widget));
    return horizontal ? gtk_viewport_get_hadjustment(viewport) : gtk_viewport_get_vadjustment(viewport);
}

GdkPixbuf *grabWidget(GtkWidget *widget)
{
    runPending();
    GtkAdjustment *h = scrollOf(widget, true), *v = scrollOf(widget, false);
    const double h0 = h->value, v0 = v->value;
    const int width = widget->allocation.width, height = widget->allocation.height;
    const int tileW = static_cast<int>(h->page_size), tileH = static_cast<int>(v->page_size);
    GdkPixbuf *image = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
    for (int ty = 0; ty < height; ty += tileH) {
        for (int tx = 0; tx < width; tx += tileW) {
            gtk_adjustment_set_value(h, std::min<double>(tx, h->upper - h->page_size));
            gtk_adjustment_set_value(v, std::min<double>(ty, v->upper - v->page_size));
            runPending();
            const int x = static_cast<int>(h->value), y = static_cast<int>(v->value);
            gdk_pixbuf_get_from_drawable(image, widget->window, nullptr, x, y, x, y,
                                         std::min(tileW, width - x), std::min(tileH, height - y));
        }
    }
    gtk_adjustment_set_value(h, h0);
    gtk_adjustment_set_value(v, v0);
    runPending();
    return image;
}

int Grab::count(int x0, int x1, int y0, int y1, Rgb c) const
{
    return countPixels(image, x0, x1, y0, y1,
                       [c](const guchar *p) { return p[0] == c.r && p[1] == c.g && p[2] == c.b; });
}

// ---- scans and the chooser ---------------------------------------------------

std::string writeScan(const std::string &path, const char *type, int width, int height, unsigned rgb,
                      bool alpha)
{
    GdkPixbuf *image = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, width, height);
    gdk_pixbuf_fill(image, (rgb << 8) | 0xff);
    EXPECT_TRUE(gdk_pixbuf_save(image, path.c_str(), type, nullptr, nullptr)) << path;
    g_object_unref(image);
    return path;
}

std::string chosenFile(MainCtx *ctx)
{
    return takeString(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(uiWidget(ctx, "openfile"))));
}

std::string chooserFolder(MainCtx *ctx)
{
    return takeString(gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(uiWidget(ctx, "openfile"))));
}

void chooseFile(MainCtx *ctx, const std::string &path)
{
    showPage(ctx, ChooserPage);
    GtkFileChooser *chooser = GTK_FILE_CHOOSER(uiWidget(ctx, "openfile"));
    gtk_file_chooser_unselect_all(chooser);
    // A new file of a listed folder is there once the folder monitor reports it.
    bool done = false;
    for (int attempt = 0; attempt < 20 && !done; ++attempt) {
        gtk_file_chooser_select_filename(chooser, path.c_str());
        done = waitUntil([ctx, &path] { return chosenFile(ctx) == path; }, 250);
    }
    EXPECT_TRUE(done) << "chooser did not select " << path;
    g_signal_emit_by_name(chooser, "file-activated");
    runPending();
}

void typeLocation(MainCtx *ctx, const std::string &text)
{
    showPage(ctx, ChooserPage);
    GtkWidget *chooser = uiWidget(ctx, "openfile");
    GList *children = gtk_container_get_children(GTK_CONTAINER(chooser));
    g_signal_emit_by_name(children->data, "location-popup", "/");  // as typing "/" does
    g_list_free(children);
    runPending();
    GtkWidget *entry = gtk_window_get_focus(GTK_WINDOW(ctx->widMainWindow));
    ASSERT_TRUE(GTK_IS_ENTRY(entry)) << "the location field has no focus";
    gtk_entry_set_text(GTK_ENTRY(entry), text.c_str());
    waitFor(300);  // the field reads the folder it names
    pressKey(ctx, GDK_Return);
    waitFor(300);
}
