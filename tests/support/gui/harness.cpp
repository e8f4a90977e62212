#include "harness.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <deque>

#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>
#include <glib/gstdio.h>

#include "scanfiles.h"
#include "ui.h"

namespace {

std::string currentWorkDir, originalDir, captureFile;
std::vector<std::string> tempDirs;
bool windowAlive = false;
int savedStdout = -1;

std::deque<DialogAnswer> pendingAnswers;
std::vector<DialogRecord> shownDialogs;
guint dialogWatch = 0;

// What the X server holds now, and what pressButton holds until releaseButton.
unsigned serverState = 0, pressedButtons = 0;
const unsigned kButtonMasks = GDK_BUTTON1_MASK | GDK_BUTTON2_MASK | GDK_BUTTON3_MASK |
                              GDK_BUTTON4_MASK | GDK_BUTTON5_MASK;
const unsigned kModifierMasks = GDK_SHIFT_MASK | GDK_CONTROL_MASK | GDK_MOD1_MASK;

typedef int (*FakeFn)(Display *, unsigned int, int, unsigned long);
FakeFn fakeButton = nullptr, fakeKey = nullptr;

void removeTempDirs()
{
    for (const std::string &dir : tempDirs) {
        const gchar *argv[] = {"rm", "-rf", dir.c_str(), nullptr};
        g_spawn_sync(nullptr, const_cast<gchar **>(argv), nullptr, G_SPAWN_SEARCH_PATH, nullptr,
                     nullptr, nullptr, nullptr, nullptr, nullptr);
    }
}

// The program's directory and, beside it, the link to the real UI definition.
void prepareWorkDir(const std::string &base)
{
    g_mkdir_with_parents(appDirOf(base).c_str(), 0755);
    const std::string link = base + "/glade";
    if (!g_file_test(link.c_str(), G_FILE_TEST_EXISTS) &&
        symlink(VELLORA_SOURCE_DIR "/glade", link.c_str()) != 0)
        ADD_FAILURE() << "cannot link " << link;
}

// ---- dialogs ---------------------------------------------------------------

GtkTextView *textViewIn(GtkWidget *widget)
{
    if (GTK_IS_TEXT_VIEW(widget))
        return GTK_TEXT_VIEW(widget);
    GList *children = GTK_IS_CONTAINER(widget) ? gtk_container_get_children(GTK_CONTAINER(widget)) : nullptr;
    GtkTextView *found = nullptr;
    for (GList *l = children; l && !found; l = l->next)
        found = textViewIn(GTK_WIDGET(l->data));
    g_list_free(children);
    return found;
}

DialogRecord describeDialog(GtkWindow *dialog)
{
    DialogRecord record;
    record.title = gtk_window_get_title(dialog);
    if (GtkTextView *view = textViewIn(GTK_WIDGET(dialog))) {
        GtkTextIter start, end;
        gtk_text_buffer_get_bounds(gtk_text_view_get_buffer(view), &start, &end);
        gchar *text = gtk_text_iter_get_text(&start, &end);
        record.text = text;
        g_free(text);
    }
    GList *buttons = gtk_container_get_children(GTK_CONTAINER(GTK_DIALOG(dialog)->action_area));
    for (GList *l = buttons; l; l = l->next) {
        const gchar *label = gtk_button_get_label(GTK_BUTTON(l->data));
        record.buttons.push_back(label ? label : "");
    }
    g_list_free(buttons);
    record.modal = gtk_window_get_modal(dialog);
    GtkWindow *parent = gtk_window_get_transient_for(dialog);
    record.parentName = parent ? gtk_widget_get_name(GTK_WIDGET(parent)) : "";
    return record;
}

// Answers every running dialog of the program; one without a queued answer
// is closed as by the window manager and marked unexpected.
gboolean answerRunningDialogs(gpointer)
{
    static const gint responses[] = {GTK_RESPONSE_ACCEPT, GTK_RESPONSE_NO, GTK_RESPONSE_DELETE_EVENT};
    GList *toplevels = gtk_window_list_toplevels();
    for (GList *l = toplevels; l; l = l->next) {
        GtkWindow *window = GTK_WINDOW(l->data);
        const gchar *title = gtk_window_get_title(window);
        if (!GTK_IS_DIALOG(window) || !GTK_WIDGET_VISIBLE(window) || !title || !g_str_has_prefix(title, "vellora"))
            continue;
        shownDialogs.push_back(describeDialog(window));
        shownDialogs.back().unexpected = pendingAnswers.empty();
        DialogAnswer answer = pendingAnswers.empty() ? AnswerClose : pendingAnswers.front();
        if (!pendingAnswers.empty())
            pendingAnswers.pop_front();
        gtk_dialog_response(GTK_DIALOG(window), responses[answer]);
    }
    g_list_free(toplevels);
    return TRUE;
}

void watchDialogs()
{
    if (!dialogWatch)
        dialogWatch = g_timeout_add(20, answerRunningDialogs, nullptr);
}

// ---- pointer state on the X server ------------------------------------------

Display *xDisplay()
{
    return GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
}

unsigned buttonMask(int button)
{
    return button >= 1 && button <= 5 ? GDK_BUTTON1_MASK << (button - 1) : 0;
}

unsigned keycodeFor(guint keyval)
{
    GdkKeymapKey *keys = nullptr;
    gint count = 0;
    gdk_keymap_get_entries_for_keyval(gdk_keymap_get_default(), keyval, &keys, &count);
    const unsigned code = count > 0 ? keys[0].keycode : 0;
    g_free(keys);
    return code;
}

void setServerState(unsigned wanted)
{
    if (!pointerStateAvailable())
        return;
    static const struct {
        unsigned mask;
        guint keyval;
    } modifiers[] = {{GDK_SHIFT_MASK, GDK_KEY_Shift_L}, {GDK_CONTROL_MASK, GDK_KEY_Control_L},
                     {GDK_MOD1_MASK, GDK_KEY_Alt_L}};
    const unsigned changed = wanted ^ serverState;
    for (const auto &m : modifiers) {
        if (changed & m.mask)
            fakeKey(xDisplay(), keycodeFor(m.keyval), (wanted & m.mask) != 0, 0);
    }
    for (int button = 1; button <= 5; button++) {
        if (changed & buttonMask(button))
            fakeButton(xDisplay(), button, (wanted & buttonMask(button)) != 0, 0);
    }
    serverState = wanted & (kButtonMasks | kModifierMasks);
    gdk_display_sync(gdk_display_get_default());
}

// Events that the X server makes from warps and fake presses would run the
// handlers a second time; tests deliver their own, so these are dropped.
void dropServerPointerEvents(GdkEvent *event, gpointer)
{
    switch (event->type) {
    case GDK_MOTION_NOTIFY: case GDK_BUTTON_PRESS: case GDK_2BUTTON_PRESS:
    case GDK_3BUTTON_PRESS: case GDK_BUTTON_RELEASE: case GDK_ENTER_NOTIFY:
    case GDK_LEAVE_NOTIFY: case GDK_SCROLL:
        return;
    default:
        gtk_main_do_event(event);
    }
}

// ---- input synthesis ------------------------------------------------------

// Scrolls the enclosing viewport so that the point is visible: the pointer
// can only be warped onto the screen.
void scrollIntoView(GtkWidget *widget, double x, double y)
{
    GtkWidget *parent = gtk_widget_get_parent(widget);
    if (!parent || !GTK_IS_VIEWPORT(parent))
        return;
    GtkAdjustment *adjust[2] = {gtk_viewport_get_hadjustment(GTK_VIEWPORT(parent)),
                                gtk_viewport_get_vadjustment(GTK_VIEWPORT(parent))};
    const double pos[2] = {x, y};
    for (int i = 0; i < 2; i++) {
        GtkAdjustment *a = adjust[i];
        if (pos[i] < a->value || pos[i] >= a->value + a->page_size)
            gtk_adjustment_set_value(a, CLAMP(pos[i] - a->page_size / 2, a->lower, a->upper - a->page_size));
    }
    runPending();
}

template <typename Event>
void fillPointerEvent(Event &e, GdkWindow *window, double x, double y, unsigned state, int rx, int ry)
{
    e.window = GDK_WINDOW(g_object_ref(window));
    e.send_event = TRUE;
    e.time = GDK_CURRENT_TIME;
    e.x = x;
    e.y = y;
    e.state = state;
    e.device = gdk_device_get_core_pointer();
    e.x_root = rx;
    e.y_root = ry;
}

// Warps the pointer to the widget point, lets the server hold `held` and
// delivers a button or motion event there.
void deliver(GtkWidget *widget, GdkEventType type, double x, double y, int button,
             unsigned state, unsigned held)
{
    if (!GTK_WIDGET_REALIZED(widget)) {
        ADD_FAILURE() << gtk_widget_get_name(widget) << " is not realized: show its page first";
        return;
    }
    scrollIntoView(widget, x, y);
    // No-window widgets get their events in the parent's window.
    const bool own = !GTK_WIDGET_NO_WINDOW(widget);
    const double wx = x + (own ? 0 : widget->allocation.x), wy = y + (own ? 0 : widget->allocation.y);
    int ox, oy;
    gdk_window_get_origin(widget->window, &ox, &oy);
    const int rx = ox + static_cast<int>(wx), ry = oy + static_cast<int>(wy);
    GdkScreen *screen = gdk_screen_get_default();
    if (rx < 0 || ry < 0 || rx >= gdk_screen_get_width(screen) || ry >= gdk_screen_get_height(screen))
        ADD_FAILURE() << "point " << x << "," << y << " of " << gtk_widget_get_name(widget) << " is off the screen";
    else
        gdk_display_warp_pointer(gdk_display_get_default(), screen, rx, ry);
    setServerState(held);

    GdkEvent *event = gdk_event_new(type);
    if (type == GDK_MOTION_NOTIFY) {
        fillPointerEvent(event->motion, widget->window, wx, wy, state, rx, ry);
    } else {
        fillPointerEvent(event->button, widget->window, wx, wy, state, rx, ry);
        event->button.button = button;
    }
    gtk_main_do_event(event);
    gdk_event_free(event);
    runPending();
}

// A widget inside a viewport is drawn only where it is scrolled into view: it
// is scrolled tile by tile, each tile copied from its window, and the scroll
// position put back.
GdkPixbuf *grabScrolled(GtkWidget *widget, GtkViewport *viewport)
{
    GtkAdjustment *h = gtk_viewport_get_hadjustment(viewport), *v = gtk_viewport_get_vadjustment(viewport);
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

} // namespace

// ---- the program ------------------------------------------------------------

std::string makeWorkDir()
{
    gchar *dir = g_dir_make_tmp("vellora-gui-XXXXXX", nullptr);
    EXPECT_NE(dir, nullptr) << "cannot make a temporary directory";
    const std::string base = dir ? dir : "";
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

MainCtx *startApp(const std::string &workDir, bool verboseMode)
{
    const std::string base = workDir.empty() ? makeWorkDir() : workDir;
    prepareWorkDir(base);
    if (originalDir.empty()) {
        gchar *dir = g_get_current_dir();
        originalDir = dir;
        g_free(dir);
    }
    currentWorkDir = appDirOf(base);
    if (chdir(currentWorkDir.c_str()) != 0) {
        ADD_FAILURE() << "cannot enter " << currentWorkDir;
        return nullptr;
    }
    static bool gtkReady = false;
    if (!gtkReady) {
        gtkReady = true;
        gtk_init(nullptr, nullptr);
        g_log_set_handler(nullptr, static_cast<GLogLevelFlags>(0xff), logFunc, nullptr);
        gdk_event_handler_set(dropServerPointerEvents, nullptr, nullptr);
    }
    verbose = verboseMode ? 1 : 0;
    shownDialogs.clear();
    watchDialogs();

    MainCtx *ctx = new MainCtx();
    initMainCtx(ctx);
    if (startMainWindow(ctx, "../glade/vellora.glade") != 0) {
        ADD_FAILURE() << "the UI definition did not load";
        destroyMainCtx(ctx);
        delete ctx;
        return nullptr;
    }
    windowAlive = true;
    g_signal_connect(ctx->widMainWindow, "destroy",
                     G_CALLBACK(+[](GtkWidget *, gpointer) { windowAlive = false; }), nullptr);
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

void answerDialogs(std::initializer_list<DialogAnswer> answers)
{
    pendingAnswers.insert(pendingAnswers.end(), answers);
    watchDialogs();  // also outside startApp/stopApp, e.g. around velloraMain
}

std::vector<DialogRecord> takeDialogs()
{
    std::vector<DialogRecord> result;
    result.swap(shownDialogs);
    return result;
}

GtkWidget *uiWidget(MainCtx *ctx, const char *name)
{
    GtkWidget *widget = glade_xml_get_widget(ctx->gladeXml, name);
    EXPECT_NE(widget, nullptr) << "no widget " << name;
    return widget;
}

// XTest, loaded at run time so that the build needs no extra package, lets the
// server hold buttons and modifiers, which the program reads back with
// gdk_window_get_pointer while it handles motion.
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

void pressButton(GtkWidget *widget, double x, double y, int button, unsigned state)
{
    pressedButtons |= buttonMask(button);
    deliver(widget, GDK_BUTTON_PRESS, x, y, button, state, pressedButtons | (state & kModifierMasks));
}

void releaseButton(GtkWidget *widget, double x, double y, int button, unsigned state)
{
    pressedButtons &= ~buttonMask(button);
    deliver(widget, GDK_BUTTON_RELEASE, x, y, button, state | buttonMask(button),
            pressedButtons | (state & kModifierMasks));
}

void movePointer(GtkWidget *widget, int x, int y, unsigned state)
{
    const unsigned held = pressedButtons | (state & (kButtonMasks | kModifierMasks));
    deliver(widget, GDK_MOTION_NOTIFY, x, y, 0, held, held);
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
    GdkPixbuf *image = gdk_pixbuf_get_from_drawable(nullptr, pixmap, nullptr, 0, 0, 0, 0, width, height);
    g_object_unref(pixmap);
    return image;
}

void pixelAt(const GdkPixbuf *image, int x, int y, guchar rgb[3])
{
    const guchar *p = gdk_pixbuf_get_pixels(image) + y * gdk_pixbuf_get_rowstride(image) +
                      x * gdk_pixbuf_get_n_channels(image);
    std::copy(p, p + 3, rgb);
}

void beginCaptureStdout()
{
    fflush(stdout);
    gchar *path = nullptr;
    const int fd = g_file_open_tmp("vellora-stdout-XXXXXX", &path, nullptr);
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
    const std::string text = readFile(captureFile);
    g_unlink(captureFile.c_str());
    return text;
}
