#include "harness.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <sstream>

#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>
#include <glib/gstdio.h>

#include "ui.h"

namespace {

std::string currentWorkDir;
std::string originalDir;
std::vector<std::string> tempDirs;
bool windowAlive = false;

std::deque<DialogAnswer> pendingAnswers;
std::vector<DialogRecord> shownDialogs;
guint dialogWatch = 0;
const guint kDialogPollMs = 20;

int savedStdout = -1;
std::string captureFile;

// ---- working directories -------------------------------------------------

void removeTree(const std::string &path)
{
    gchar *argv[] = {const_cast<gchar *>("rm"), const_cast<gchar *>("-rf"),
                     const_cast<gchar *>(path.c_str()), nullptr};
    g_spawn_sync(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr,
                 nullptr, nullptr, nullptr);
}

void removeTempDirs()
{
    for (const std::string &dir : tempDirs)
        removeTree(dir);
}

std::string currentDir()
{
    gchar *dir = g_get_current_dir();
    std::string result = dir;
    g_free(dir);
    return result;
}

// The program's directory and, beside it, the link to the real UI definition.
void prepareWorkDir(const std::string &base)
{
    g_mkdir_with_parents((base + "/work").c_str(), 0755);
    std::string link = base + "/glade";
    if (!g_file_test(link.c_str(), G_FILE_TEST_EXISTS) &&
        symlink(VELLORA_SOURCE_DIR "/glade", link.c_str()) != 0)
        ADD_FAILURE() << "cannot link " << link;
}

// ---- dialogs ---------------------------------------------------------------

void findTextViews(GtkWidget *widget, gpointer data)
{
    auto *found = static_cast<GtkWidget **>(data);
    if (*found)
        return;
    if (GTK_IS_TEXT_VIEW(widget))
        *found = widget;
    else if (GTK_IS_CONTAINER(widget))
        gtk_container_forall(GTK_CONTAINER(widget), findTextViews, data);
}

std::string dialogText(GtkWidget *dialog)
{
    GtkWidget *view = nullptr;
    findTextViews(dialog, &view);
    if (!view)
        return std::string();
    GtkTextBuffer *buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    gchar *text = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
    std::string result = text;
    g_free(text);
    return result;
}

int dialogWrapMode(GtkWidget *dialog)
{
    GtkWidget *view = nullptr;
    findTextViews(dialog, &view);
    return view ? gtk_text_view_get_wrap_mode(GTK_TEXT_VIEW(view)) : -1;
}

std::vector<std::string> dialogButtons(GtkWidget *dialog)
{
    std::vector<std::string> buttons;
    GList *children = gtk_container_get_children(GTK_CONTAINER(GTK_DIALOG(dialog)->action_area));
    for (GList *l = children; l; l = l->next) {
        if (GTK_IS_BUTTON(l->data)) {
            const gchar *label = gtk_button_get_label(GTK_BUTTON(l->data));
            buttons.push_back(label ? label : "");
        }
    }
    g_list_free(children);
    return buttons;
}

DialogRecord describeDialog(GtkWidget *dialog)
{
    DialogRecord record;
    const gchar *title = gtk_window_get_title(GTK_WINDOW(dialog));
    record.title = title ? title : "";
    record.text = dialogText(dialog);
    record.buttons = dialogButtons(dialog);
    record.wrapMode = dialogWrapMode(dialog);
    record.modal = gtk_window_get_modal(GTK_WINDOW(dialog));
    GtkWindow *parent = gtk_window_get_transient_for(GTK_WINDOW(dialog));
    record.parentName = parent ? gtk_widget_get_name(GTK_WIDGET(parent)) : "";
    gtk_window_get_default_size(GTK_WINDOW(dialog), &record.width, &record.height);
    return record;
}

gint responseFor(DialogAnswer answer)
{
    switch (answer) {
    case AnswerOk: return GTK_RESPONSE_ACCEPT;
    case AnswerNo: return GTK_RESPONSE_NO;
    case AnswerClose: break;
    }
    return GTK_RESPONSE_DELETE_EVENT;
}

const char *const kAnsweredKey = "vellora-test-answered";

// Answers every running dialog of the program; one without a queued answer
// is closed as by the window manager and marked unexpected.
gboolean answerRunningDialogs(gpointer)
{
    GList *toplevels = gtk_window_list_toplevels();
    for (GList *l = toplevels; l; l = l->next) {
        GtkWidget *window = GTK_WIDGET(l->data);
        if (!GTK_IS_DIALOG(window) || !GTK_WIDGET_VISIBLE(window) ||
            g_object_get_data(G_OBJECT(window), kAnsweredKey))
            continue;
        const gchar *title = gtk_window_get_title(GTK_WINDOW(window));
        if (!title || !g_str_has_prefix(title, "vellora"))
            continue;
        DialogRecord record = describeDialog(window);
        DialogAnswer answer = AnswerClose;
        if (pendingAnswers.empty()) {
            record.unexpected = true;
        } else {
            answer = pendingAnswers.front();
            pendingAnswers.pop_front();
        }
        shownDialogs.push_back(record);
        g_object_set_data(G_OBJECT(window), kAnsweredKey, GINT_TO_POINTER(1));
        gtk_dialog_response(GTK_DIALOG(window), responseFor(answer));
    }
    g_list_free(toplevels);
    return TRUE;
}

// ---- pointer state on the X server ----------------------------------------

// XTest, loaded at run time so that the build needs no extra package: it lets
// the server hold buttons and modifiers, which the program reads back with
// gdk_window_get_pointer while it handles motion.
typedef int (*FakeButtonFn)(Display *, unsigned int, int, unsigned long);
typedef int (*FakeKeyFn)(Display *, unsigned int, int, unsigned long);
typedef int (*QueryExtensionFn)(Display *, int *, int *, int *, int *);

struct XTest {
    bool tried = false;
    bool usable = false;
    FakeButtonFn fakeButton = nullptr;
    FakeKeyFn fakeKey = nullptr;
};
XTest xtest;

Display *xDisplay()
{
    return GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
}

void loadXTest()
{
    if (xtest.tried)
        return;
    xtest.tried = true;
    void *lib = dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!lib)
        return;
    auto query = reinterpret_cast<QueryExtensionFn>(dlsym(lib, "XTestQueryExtension"));
    xtest.fakeButton = reinterpret_cast<FakeButtonFn>(dlsym(lib, "XTestFakeButtonEvent"));
    xtest.fakeKey = reinterpret_cast<FakeKeyFn>(dlsym(lib, "XTestFakeKeyEvent"));
    int event, error, major, minor;
    xtest.usable = query && xtest.fakeButton && xtest.fakeKey &&
                   query(xDisplay(), &event, &error, &major, &minor);
}

const unsigned kButtonMasks = GDK_BUTTON1_MASK | GDK_BUTTON2_MASK | GDK_BUTTON3_MASK |
                              GDK_BUTTON4_MASK | GDK_BUTTON5_MASK;
const unsigned kModifierMasks = GDK_SHIFT_MASK | GDK_CONTROL_MASK | GDK_MOD1_MASK;

// What the server holds now, and what pressButton holds until releaseButton.
unsigned serverState = 0;
unsigned pressedButtons = 0;

unsigned buttonMask(int button)
{
    return button >= 1 && button <= 5 ? GDK_BUTTON1_MASK << (button - 1) : 0;
}

unsigned keycodeFor(guint keyval)
{
    GdkKeymapKey *keys = nullptr;
    gint count = 0;
    unsigned code = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_default(), keyval, &keys, &count) &&
        count > 0)
        code = keys[0].keycode;
    g_free(keys);
    return code;
}

void setServerState(unsigned wanted)
{
    loadXTest();
    if (!xtest.usable)
        return;
    static const struct {
        unsigned mask;
        guint keyval;
    } modifiers[] = {{GDK_SHIFT_MASK, GDK_KEY_Shift_L},
                     {GDK_CONTROL_MASK, GDK_KEY_Control_L},
                     {GDK_MOD1_MASK, GDK_KEY_Alt_L}};
    for (const auto &m : modifiers) {
        if ((wanted ^ serverState) & m.mask)
            xtest.fakeKey(xDisplay(), keycodeFor(m.keyval), (wanted & m.mask) != 0, 0);
    }
    for (int button = 1; button <= 5; button++) {
        unsigned mask = buttonMask(button);
        if ((wanted ^ serverState) & mask)
            xtest.fakeButton(xDisplay(), button, (wanted & mask) != 0, 0);
    }
    serverState = wanted & (kButtonMasks | kModifierMasks);
    gdk_display_sync(gdk_display_get_default());
}

// Events that the X server makes from warps and fake presses would run the
// handlers a second time; tests deliver their own, so these are dropped.
void dropServerPointerEvents(GdkEvent *event, gpointer)
{
    switch (event->type) {
    case GDK_MOTION_NOTIFY:
    case GDK_BUTTON_PRESS:
    case GDK_2BUTTON_PRESS:
    case GDK_3BUTTON_PRESS:
    case GDK_BUTTON_RELEASE:
    case GDK_ENTER_NOTIFY:
    case GDK_LEAVE_NOTIFY:
    case GDK_SCROLL:
        return;
    default:
        gtk_main_do_event(event);
    }
}

// ---- input synthesis ------------------------------------------------------

// The window that receives the widget's events and the offset of widget
// coordinates in it (no-window widgets draw in their parent's window).
GdkWindow *eventWindow(GtkWidget *widget, int *dx, int *dy)
{
    *dx = *dy = 0;
    if (GTK_WIDGET_NO_WINDOW(widget)) {
        *dx = widget->allocation.x;
        *dy = widget->allocation.y;
    }
    return widget->window;
}

// Scrolls the enclosing viewport so that the point is visible: the pointer
// can only be warped onto the screen.
void scrollIntoView(GtkWidget *widget, int x, int y)
{
    GtkWidget *parent = gtk_widget_get_parent(widget);
    if (!parent || !GTK_IS_VIEWPORT(parent))
        return;
    GtkAdjustment *adjust[2] = {gtk_viewport_get_hadjustment(GTK_VIEWPORT(parent)),
                                gtk_viewport_get_vadjustment(GTK_VIEWPORT(parent))};
    int pos[2] = {x, y};
    for (int i = 0; i < 2; i++) {
        GtkAdjustment *a = adjust[i];
        if (pos[i] >= a->value && pos[i] < a->value + a->page_size)
            continue;
        double value = pos[i] - a->page_size / 2;
        gtk_adjustment_set_value(a, CLAMP(value, a->lower, a->upper - a->page_size));
    }
    runPending();
}

// Root coordinates of a widget point; false when they lie off the screen.
bool rootPosition(GtkWidget *widget, double x, double y, int *rx, int *ry)
{
    int dx, dy, ox, oy;
    GdkWindow *window = eventWindow(widget, &dx, &dy);
    gdk_window_get_origin(window, &ox, &oy);
    *rx = ox + dx + static_cast<int>(x);
    *ry = oy + dy + static_cast<int>(y);
    GdkScreen *screen = gdk_screen_get_default();
    return *rx >= 0 && *ry >= 0 && *rx < gdk_screen_get_width(screen) &&
           *ry < gdk_screen_get_height(screen);
}

// False (and a test failure) when the widget has no window to take input yet.
bool warpTo(GtkWidget *widget, double x, double y, int *rx, int *ry)
{
    if (!GTK_WIDGET_REALIZED(widget)) {
        ADD_FAILURE() << gtk_widget_get_name(widget) << " is not realized: show its page first";
        return false;
    }
    scrollIntoView(widget, static_cast<int>(x), static_cast<int>(y));
    if (!rootPosition(widget, x, y, rx, ry)) {
        ADD_FAILURE() << "point " << x << "," << y << " of " << gtk_widget_get_name(widget)
                      << " is off the screen";
        return true;
    }
    gdk_display_warp_pointer(gdk_display_get_default(), gdk_screen_get_default(), *rx, *ry);
    return true;
}

void deliverButton(GdkEventType type, GtkWidget *widget, double x, double y, int button,
                   unsigned state, int rx, int ry)
{
    int dx, dy;
    GdkEvent *event = gdk_event_new(type);
    event->button.window = GDK_WINDOW(g_object_ref(eventWindow(widget, &dx, &dy)));
    event->button.send_event = TRUE;
    event->button.time = GDK_CURRENT_TIME;
    event->button.x = x + dx;
    event->button.y = y + dy;
    event->button.state = state;
    event->button.button = button;
    event->button.device = gdk_device_get_core_pointer();
    event->button.x_root = rx;
    event->button.y_root = ry;
    gtk_main_do_event(event);
    gdk_event_free(event);
}

std::string readWholeFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

// ---- the program ------------------------------------------------------------

std::string makeWorkDir()
{
    gchar *dir = g_dir_make_tmp("vellora-gui-XXXXXX", nullptr);
    EXPECT_NE(dir, nullptr) << "cannot make a temporary directory";
    std::string base = dir ? dir : "";
    g_free(dir);
    if (tempDirs.empty())
        atexit(removeTempDirs);
    tempDirs.push_back(base);
    prepareWorkDir(base);
    return base;
}

std::string appDirOf(const std::string &workDir)
{
    return workDir + "/work";
}

static void initGtkOnce()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    gtk_init(nullptr, nullptr);
    g_log_set_handler(nullptr, static_cast<GLogLevelFlags>(0xff), logFunc, nullptr);
    gdk_event_handler_set(dropServerPointerEvents, nullptr, nullptr);
}

static void onMainWindowDestroyed(GtkWidget *, gpointer)
{
    windowAlive = false;
}

MainCtx *startApp(const std::string &workDir, bool verboseMode)
{
    std::string base = workDir.empty() ? makeWorkDir() : workDir;
    prepareWorkDir(base);
    if (originalDir.empty())
        originalDir = currentDir();
    if (chdir(appDirOf(base).c_str()) != 0) {
        ADD_FAILURE() << "cannot enter " << appDirOf(base);
        return nullptr;
    }
    currentWorkDir = appDirOf(base);

    initGtkOnce();
    verbose = verboseMode ? 1 : 0;
    // Answers queued before the start serve dialogs of the start-up.
    shownDialogs.clear();
    if (!dialogWatch)
        dialogWatch = g_timeout_add(kDialogPollMs, answerRunningDialogs, nullptr);

    MainCtx *ctx = new MainCtx();
    initMainCtx(ctx);
    if (startMainWindow(ctx, "../glade/vellora.glade") != 0) {
        ADD_FAILURE() << "the UI definition did not load";
        destroyMainCtx(ctx);
        delete ctx;
        return nullptr;
    }
    windowAlive = true;
    g_signal_connect(ctx->widMainWindow, "destroy", G_CALLBACK(onMainWindowDestroyed), nullptr);
    gtk_widget_show(ctx->widMainWindow);
    runPending();
    return ctx;
}

bool appWindowAlive()
{
    return windowAlive;
}

void stopApp(MainCtx *ctx)
{
    if (!ctx)
        return;
    pressedButtons = 0;
    setServerState(0);
    if (windowAlive)
        gtk_widget_destroy(ctx->widMainWindow);
    runPending();
    destroyMainCtx(ctx);
    delete ctx;
    verbose = 0;
    pendingAnswers.clear();
    if (dialogWatch)
        g_source_remove(dialogWatch);
    dialogWatch = 0;
    if (!originalDir.empty() && chdir(originalDir.c_str()) != 0)
        ADD_FAILURE() << "cannot return to " << originalDir;
}

const std::string &appWorkDir()
{
    return currentWorkDir;
}

void runPending()
{
    gdk_display_sync(gdk_display_get_default());
    for (int round = 0; round < 2; round++) {
        while (gtk_events_pending())
            gtk_main_iteration_do(FALSE);
        gdk_window_process_all_updates();
    }
}

// ---- dialogs ------------------------------------------------------------------

void answerDialogs(std::initializer_list<DialogAnswer> answers)
{
    for (DialogAnswer answer : answers)
        pendingAnswers.push_back(answer);
    // Answers also outside startApp/stopApp, e.g. around velloraMain.
    if (!dialogWatch)
        dialogWatch = g_timeout_add(kDialogPollMs, answerRunningDialogs, nullptr);
}

std::vector<DialogRecord> takeDialogs()
{
    std::vector<DialogRecord> result;
    result.swap(shownDialogs);
    return result;
}

size_t pendingAnswerCount()
{
    return pendingAnswers.size();
}

// ---- widgets and input ----------------------------------------------------------

GtkWidget *uiWidget(MainCtx *ctx, const char *name)
{
    GtkWidget *widget = glade_xml_get_widget(ctx->gladeXml, name);
    EXPECT_NE(widget, nullptr) << "no widget " << name;
    return widget;
}

bool pointerStateAvailable()
{
    loadXTest();
    return xtest.usable;
}

void pressButton(GtkWidget *widget, double x, double y, int button, unsigned state)
{
    int rx = 0, ry = 0;
    if (!warpTo(widget, x, y, &rx, &ry))
        return;
    pressedButtons |= buttonMask(button);
    setServerState(pressedButtons | (state & kModifierMasks));
    deliverButton(GDK_BUTTON_PRESS, widget, x, y, button, state, rx, ry);
    runPending();
}

void releaseButton(GtkWidget *widget, double x, double y, int button, unsigned state)
{
    int rx = 0, ry = 0;
    if (!warpTo(widget, x, y, &rx, &ry))
        return;
    pressedButtons &= ~buttonMask(button);
    setServerState(pressedButtons | (state & kModifierMasks));
    deliverButton(GDK_BUTTON_RELEASE, widget, x, y, button, state | buttonMask(button), rx, ry);
    runPending();
}

void movePointer(GtkWidget *widget, int x, int y, unsigned state)
{
    int rx = 0, ry = 0;
    if (!warpTo(widget, x, y, &rx, &ry))
        return;
    unsigned held = pressedButtons | (state & (kButtonMasks | kModifierMasks));
    setServerState(held);

    int dx, dy;
    GdkEvent *event = gdk_event_new(GDK_MOTION_NOTIFY);
    event->motion.window = GDK_WINDOW(g_object_ref(eventWindow(widget, &dx, &dy)));
    event->motion.send_event = TRUE;
    event->motion.time = GDK_CURRENT_TIME;
    event->motion.x = x + dx;
    event->motion.y = y + dy;
    event->motion.state = held;
    event->motion.is_hint = FALSE;
    event->motion.device = gdk_device_get_core_pointer();
    event->motion.x_root = rx;
    event->motion.y_root = ry;
    gtk_main_do_event(event);
    gdk_event_free(event);
    runPending();
}

void sendDeleteEvent(GtkWidget *window)
{
    GdkEvent *event = gdk_event_new(GDK_DELETE);
    event->any.window = GDK_WINDOW(g_object_ref(window->window));
    event->any.send_event = TRUE;
    gtk_main_do_event(event);
    gdk_event_free(event);
    runPending();
}

// ---- pixels -------------------------------------------------------------------

namespace {

// A widget inside a viewport is drawn only where it is scrolled into view:
// it is scrolled tile by tile, each visible tile copied from its window, and
// the scroll position put back.
GdkPixbuf *grabScrolled(GtkWidget *widget, GtkViewport *viewport)
{
    GtkAdjustment *h = gtk_viewport_get_hadjustment(viewport);
    GtkAdjustment *v = gtk_viewport_get_vadjustment(viewport);
    const double h0 = h->value, v0 = v->value;
    const int width = widget->allocation.width, height = widget->allocation.height;
    const int tileW = std::max(1, static_cast<int>(h->page_size));
    const int tileH = std::max(1, static_cast<int>(v->page_size));
    GdkPixbuf *image = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
    for (int ty = 0; ty < height; ty += tileH) {
        for (int tx = 0; tx < width; tx += tileW) {
            gtk_adjustment_set_value(h, std::min<double>(tx, h->upper - h->page_size));
            gtk_adjustment_set_value(v, std::min<double>(ty, v->upper - v->page_size));
            runPending();
            int x = static_cast<int>(h->value), y = static_cast<int>(v->value);
            int w = std::min(tileW, width - x), hgt = std::min(tileH, height - y);
            gdk_pixbuf_get_from_drawable(image, widget->window, nullptr, x, y, x, y, w, hgt);
        }
    }
    gtk_adjustment_set_value(h, h0);
    gtk_adjustment_set_value(v, v0);
    runPending();
    return image;
}

} // namespace

GdkPixbuf *grabWidget(GtkWidget *widget)
{
    runPending();
    GtkWidget *parent = gtk_widget_get_parent(widget);
    if (parent && GTK_IS_VIEWPORT(parent) && !GTK_WIDGET_NO_WINDOW(widget))
        return grabScrolled(widget, GTK_VIEWPORT(parent));
    // A snapshot redirects the widget's drawing into a pixmap, so parts
    // covered by other windows come out as drawn.
    GdkPixmap *pixmap = gtk_widget_get_snapshot(widget, nullptr);
    if (!pixmap) {
        ADD_FAILURE() << "no snapshot of " << gtk_widget_get_name(widget);
        return nullptr;
    }
    int width, height;
    gdk_drawable_get_size(pixmap, &width, &height);
    GdkPixbuf *image =
        gdk_pixbuf_get_from_drawable(nullptr, pixmap, nullptr, 0, 0, 0, 0, width, height);
    g_object_unref(pixmap);
    return image;
}

void pixelAt(const GdkPixbuf *image, int x, int y, guchar rgb[3])
{
    const guchar *p = gdk_pixbuf_get_pixels(image) + y * gdk_pixbuf_get_rowstride(image) +
                      x * gdk_pixbuf_get_n_channels(image);
    rgb[0] = p[0];
    rgb[1] = p[1];
    rgb[2] = p[2];
}

// ---- standard output ------------------------------------------------------------

void beginCaptureStdout()
{
    fflush(stdout);
    gchar *path = nullptr;
    int fd = g_file_open_tmp("vellora-stdout-XXXXXX", &path, nullptr);
    ASSERT_GE(fd, 0) << "cannot make a capture file";
    captureFile = path;
    g_free(path);
    savedStdout = dup(STDOUT_FILENO);
    dup2(fd, STDOUT_FILENO);
    close(fd);
}

std::string endCaptureStdout()
{
    if (savedStdout < 0)
        return std::string();
    fflush(stdout);
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);
    savedStdout = -1;
    std::string text = readWholeFile(captureFile);
    g_unlink(captureFile.c_str());
    return text;
}
