// The application shell: start-up, the UI definition and its wiring, tracing,
// dialogs, status and progress, and how the program ends.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <set>

#include <glib/gstdio.h>

#include "handlers.h"
#include "harness.h"
#include "scanfiles.h"
#include "ui.h"

namespace {

bool contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

// The chooser reports the folder it reads asynchronously at any moment.
std::string withoutChooserTrace(std::string out)
{
    const std::string line = "on_openfile_selection_changed\n";
    for (size_t at; (at = out.find(line)) != std::string::npos;)
        out.erase(at, line.size());
    return out;
}

int entriesIn(const std::string &dir)
{
    int n = 0;
    GDir *d = g_dir_open(dir.c_str(), 0, nullptr);
    while (d && g_dir_read_name(d))
        n++;
    if (d)
        g_dir_close(d);
    return n;
}

// ---- the real binary: an assertion ends it ---------------------------------

struct BinaryRun {
    int status;  // -1 when ended by a signal
    std::string out;
};

BinaryRun runBinary(const std::string &dir, const char *arg)
{
    const gchar *argv[] = {VELLORA_BINARY_DIR "/vellora", arg, nullptr};
    gchar *out = nullptr;
    gint wait = 0;
    EXPECT_TRUE(g_spawn_sync(dir.c_str(), const_cast<gchar **>(argv), nullptr,
                             G_SPAWN_STDERR_TO_DEV_NULL, nullptr, nullptr, &out, nullptr, &wait, nullptr));
    BinaryRun run{WIFEXITED(wait) ? WEXITSTATUS(wait) : -1, out ? out : ""};
    g_free(out);
    return run;
}

// A program directory whose UI definition lacks the widget with this id.
std::string dirWithoutWidget(const std::string &id)
{
    const std::string base = makeWorkDir();
    std::string glade = readFile(VELLORA_SOURCE_DIR "/glade/vellora.glade");
    const std::string needle = "id=\"" + id + "\"";
    const size_t at = glade.find(needle);
    EXPECT_NE(at, std::string::npos) << id;
    glade.replace(at, needle.size(), "id=\"" + id + "_gone\"");
    g_unlink((base + "/glade").c_str());
    g_mkdir((base + "/glade").c_str(), 0755);
    writeFile(base + "/glade/vellora.glade", glade);
    return appDirOf(base);
}

TEST(Binary, MissingWidgetStopsAtItsAssertionVisibleOnlyWithV)
{
    const char *const cases[][2] = {
        {"calendar", "(mainCtx->widCalendar)"},
        {"imgtemp", "(mainCtx->subImgData[ SubImgTemp ].widget)"},
        {"hygrofilename", "(mainCtx->subImgData[SubImgHygro].wid_filename)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c[0]);
        const std::string dir = dirWithoutWidget(c[0]);
        const BinaryRun traced = runBinary(dir, "-v");
        EXPECT_NE(traced.status, 0);
        EXPECT_TRUE(contains(traced.out, "logFunc: file ") && contains(traced.out, "app.cpp: line ") &&
                    contains(traced.out, std::string(": assertion failed: ") + c[1] + "\n"))
            << traced.out;
        const BinaryRun quiet = runBinary(dir, nullptr);
        EXPECT_NE(quiet.status, 0);
        EXPECT_EQ(quiet.out, "");
    }
}

// ---- the entry routine in-process ---------------------------------------------

// Closes the main window from inside the main loop, as the user does.
gboolean closeMainWindow(gpointer)
{
    GList *toplevels = gtk_window_list_toplevels();
    for (GList *l = toplevels; l; l = l->next) {
        if (strcmp(gtk_widget_get_name(GTK_WIDGET(l->data)), "mainwindow") == 0) {
            sendDeleteEvent(GTK_WIDGET(l->data));
            break;
        }
    }
    g_list_free(toplevels);
    return TRUE;
}

guint toplevelCount()
{
    GList *toplevels = gtk_window_list_toplevels();
    const guint count = g_list_length(toplevels);
    g_list_free(toplevels);
    return count;
}

// Runs velloraMain in dir, trying to close its window every 100 ms; out gets
// what it writes to standard output.
int runVelloraMain(const std::string &dir, std::vector<std::string> args, std::string &out)
{
    gchar *cwd = g_get_current_dir();
    EXPECT_EQ(chdir(dir.c_str()), 0);
    std::vector<char *> argv{const_cast<char *>("vellora")};
    for (std::string &a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    const guint closer = g_timeout_add(100, closeMainWindow, nullptr);
    beginCaptureStdout();
    const int status = velloraMain(static_cast<int>(args.size() + 1), argv.data());
    out = endCaptureStdout();
    g_source_remove(closer);
    EXPECT_EQ(chdir(cwd), 0);
    g_free(cwd);
    verbose = 0;
    return status;
}

TEST(EntryRoutine, TracesOnlyWithVFirstAndEndsWithItsStatus)
{
    const struct {
        std::vector<std::string> args;
        bool withUi;
        int status;
        const char *out;
    } runs[] = {{{"-v"}, true, 0, "on_mainwindow_delete_event\ncb_destroy\n"},
                {{"--sync", "-v"}, true, 0, ""},
                {{"-v"}, false, 1, ""}};  // no UI definition: no window either
    for (const auto &r : runs) {
        std::string dir = appDirOf(makeWorkDir());
        if (r.withUi)
            answerDialogs({AnswerOk});
        else
            g_mkdir((dir += "/nested").c_str(), 0755);
        const guint windows = toplevelCount();
        std::string out;
        EXPECT_EQ(runVelloraMain(dir, r.args, out), r.status);
        EXPECT_EQ(withoutChooserTrace(out), r.out);
        const std::vector<DialogRecord> dialogs = takeDialogs();
        ASSERT_EQ(dialogs.size(), r.withUi ? 1u : 0u);
        if (r.withUi) {
            EXPECT_EQ(dialogs[0].title + ": " + dialogs[0].text, "vellora question: Really quit ?");
        } else {
            EXPECT_EQ(toplevelCount(), windows);
        }
        EXPECT_EQ(entriesIn(dir), 0) << "nothing changed, so nothing is written";
    }
}

// ---- start-up and quitting without changes -------------------------------------

TEST(StartUp, ReadsParameterFileAndSettingsStoreAndWritesNothingWithoutChanges)
{
    const std::string base = makeWorkDir(), store = appDirOf(base) + "/vellora.ctx";
    writeFile(appDirOf(base) + "/vellora.ini",
              "# local chart\nsrcInkColor 10 20 30\ndstCurveFilter 2.0\nsrcFieldHeightMM 80\n");
    writeFile(store, "fileName=/nowhere/scan.tif\n");
    struct stat before, after;
    ASSERT_EQ(stat(store.c_str(), &before), 0);

    MainCtx *ctx = startApp(base);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(ctx->params->srcFieldHeightMM, 80.0);
    EXPECT_EQ(ctx->params->dstPixelsPerMM, 8.0);  // default kept
    EXPECT_EQ(ctx->curveColor[2], 30);
    EXPECT_EQ(ctx->smoothness, 2.0);
    EXPECT_STREQ(ctx->settingsCtx.get("fileName"), "/nowhere/scan.tif");
    EXPECT_EQ(ctx->dirtyFlags, ImageChanged | PassPointsChanged | CurveChanged);
    stopApp(ctx);

    ASSERT_EQ(stat(store.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // not replaced
    EXPECT_EQ(after.st_mtim.tv_sec * 1000000000 + after.st_mtim.tv_nsec,
              before.st_mtim.tv_sec * 1000000000 + before.st_mtim.tv_nsec);
    EXPECT_EQ(entriesIn(appDirOf(base)), 2);
    EXPECT_TRUE(takeDialogs().empty());
}

TEST(StartUp, ShippedParameterFileHoldsEveryDefault)
{
    Params defaults{}, shipped{};
    setParamDefaults(defaults);
    EXPECT_EQ(loadParamFile(shipped, VELLORA_SOURCE_DIR "/run/vellora.ini"), 0);
    EXPECT_EQ(memcmp(&defaults, &shipped, sizeof(Params)), 0);
}

// ---- the running program ---------------------------------------------------------

class Shell : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx = startApp();
        ASSERT_NE(ctx, nullptr);
    }
    void TearDown() override { stopApp(ctx); }
    GtkWidget *w(const char *name) { return uiWidget(ctx, name); }
    MainCtx *ctx = nullptr;
};

// The value of attribute name in the XML element starting at at.
std::string attribute(const std::string &xml, size_t at, const std::string &name)
{
    const size_t start = xml.find(" " + name + "=\"", at);
    if (start == std::string::npos || start > xml.find('>', at))
        return std::string();
    const size_t from = start + name.size() + 3;
    return xml.substr(from, xml.find('"', from) - from);
}

TEST_F(Shell, EveryDeclaredHandlerIsNamedInTheUiDefinitionAndConnectedWithTheContext)
{
    std::set<std::string> declared;
    const std::string header = readFile(VELLORA_SOURCE_DIR "/src/gtk/handlers.h");
    for (size_t at = header.find(" on_"); at != std::string::npos; at = header.find(" on_", at + 1))
        declared.insert(header.substr(at + 1, header.find('(', at) - at - 1));
    ASSERT_FALSE(declared.empty());

    // Signals follow their widget's opening tag, before its children.
    const std::string glade = readFile(VELLORA_SOURCE_DIR "/glade/vellora.glade");
    std::string widget;
    for (size_t at = glade.find('<'); at != std::string::npos; at = glade.find('<', at + 1)) {
        if (glade.compare(at, 8, "<widget ") == 0)
            widget = attribute(glade, at, "id");
        if (glade.compare(at, 8, "<signal ") != 0)
            continue;
        const std::string signal = attribute(glade, at, "name"), handler = attribute(glade, at, "handler");
        EXPECT_EQ(declared.erase(handler), 1u) << handler << " undeclared or named twice";
        GtkWidget *target = w(widget.c_str());
        const guint id = g_signal_lookup(signal.c_str(), G_OBJECT_TYPE(target));
        const auto match = static_cast<GSignalMatchType>(G_SIGNAL_MATCH_ID | G_SIGNAL_MATCH_DATA);
        EXPECT_NE(g_signal_handler_find(target, match, id, 0, nullptr, nullptr, ctx), 0u)
            << widget << " " << signal << " " << handler;
    }
    for (const std::string &missing : declared)
        ADD_FAILURE() << missing << " is not in the UI definition";
}

TEST_F(Shell, RadioButtonsFormTheirGroupsAndViewsGetTheirEvents)
{
    const std::vector<std::vector<const char *>> groups = {
        {"P2", "P1", "P3"}, {"startdate", "enddate", "retouchvertical", "drawcurve"}, {"timestep10", "timestep60"}};
    for (const auto &group : groups) {
        for (const char *name : group)
            EXPECT_EQ(gtk_radio_button_get_group(GTK_RADIO_BUTTON(w(name))),
                      gtk_radio_button_get_group(GTK_RADIO_BUTTON(w(group[0]))))
                << name;
    }
    // Synthesised events pass by the masks; the user's do not.
    const int field = GDK_EXPOSURE_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                      GDK_POINTER_MOTION_MASK;
    const int scan = GDK_EXPOSURE_MASK | GDK_BUTTON_PRESS_MASK;
    EXPECT_EQ(gtk_widget_get_events(w("imgtemp")) & field, field);
    EXPECT_EQ(gtk_widget_get_events(w("imghygro")) & field, field);
    EXPECT_EQ(gtk_widget_get_events(w("imgscan")) & scan, scan);
}

TEST(Tracing, VerboseTracesHandlersAndLogMessagesOtherwiseNothing)
{
    for (bool verbose : {true, false}) {
        MainCtx *ctx = startApp(std::string(), verbose);
        ASSERT_NE(ctx, nullptr);
        beginCaptureStdout();
        gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "lastfile1")));
        gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "lastfile2")));
        g_log(nullptr, G_LOG_LEVEL_WARNING, "a log message");
        trace("free text\n");
        stopApp(ctx);
        EXPECT_EQ(withoutChooserTrace(endCaptureStdout()),
                  verbose ? "on_lastfile1_clicked\non_lastfile2_clicked\nlogFunc: a log message\n"
                            "free text\ncb_destroy\n"
                          : "");
    }
}

// ---- dialogs, status and progress ------------------------------------------------------

// A dialog in one line: title, text, buttons, modality and parent.
std::string summary(const DialogRecord &d)
{
    std::string line = d.title + "|" + d.text + "|";
    for (const std::string &b : d.buttons)
        line += b + " ";
    return line + (d.modal ? "modal " : "") + d.parentName;
}

// The busy flag of the program whenever one of its dialogs appears.
struct BusyProbe {
    MainCtx *ctx;
    std::vector<int> busy;
};

gboolean sampleBusy(GSignalInvocationHint *, guint, const GValue *params, gpointer data)
{
    auto *probe = static_cast<BusyProbe *>(data);
    if (GTK_IS_DIALOG(g_value_get_object(&params[0])))
        probe->busy.push_back(probe->ctx->busy);
    return TRUE;
}

TEST_F(Shell, DialogsShowTheirJoinedTextOnlyOkCountsAndMessagesHoldBusy)
{
    BusyProbe probe{ctx, {}};
    const guint map = g_signal_lookup("map", GTK_TYPE_WIDGET);
    const gulong hook = g_signal_add_emission_hook(map, 0, sampleBusy, &probe, nullptr);
    answerDialogs({AnswerOk, AnswerNo, AnswerClose, AnswerOk, AnswerOk});
    EXPECT_EQ(askQuestion(ctx, "Save file context ", "/scans/a b.tif.ctx", " ?"), 1);
    EXPECT_EQ(askQuestion(ctx, "Really quit ?"), 0);
    EXPECT_EQ(askQuestion(ctx, "Really quit ?"), 0);  // closed by the window manager
    showWarning(ctx, "paper speed not exact, please check dates, mmPerHour=", "11.2",
                ", should be srcMMPerHour=", "12.0");
    showError(ctx, "could not load image-file ", "/scans/x.tif");
    g_signal_remove_emission_hook(map, hook);
    EXPECT_EQ(probe.busy, (std::vector<int>{0, 0, 0, 1, 1}));
    EXPECT_EQ(ctx->busy, 0);

    const std::vector<DialogRecord> d = takeDialogs();
    ASSERT_EQ(d.size(), 5u);
    EXPECT_EQ(summary(d[0]), "vellora question|Save file context /scans/a b.tif.ctx ?|"
                             "gtk-no gtk-ok modal mainwindow");
    EXPECT_EQ(summary(d[3]), "vellora warning|paper speed not exact, please check dates, "
                             "mmPerHour=11.2, should be srcMMPerHour=12.0|gtk-dialog-warning modal mainwindow");
    EXPECT_EQ(summary(d[4]), "vellora error|could not load image-file /scans/x.tif|"
                             "gtk-dialog-error modal mainwindow");
}

void countFractionChange(GObject *, GParamSpec *, gpointer count)
{
    ++*static_cast<int *>(count);
}

TEST_F(Shell, StatusIsJoinedIntoTheBarAndProgressMovesOnlyAtWholeTwentieths)
{
    GtkProgressBar *bar = GTK_PROGRESS_BAR(ctx->widProgressBar);
    setStatus(ctx, "contrast sub image ", "1", " ...");
    EXPECT_EQ(statusText(ctx), "contrast sub image 1 ...");
    setStatus(ctx, "");
    EXPECT_EQ(statusText(ctx), "");

    setProgress(ctx, 0.5);
    const struct {
        double reported, shown;
    } steps[] = {{0.0, 0.0}, {0.04, 0.0}, {0.05, 0.05}, {0.09, 0.05}};  // a new run starts at once
    for (const auto &s : steps) {
        setProgress(ctx, s.reported);
        EXPECT_EQ(gtk_progress_bar_get_fraction(bar), s.shown) << s.reported;
    }
    EXPECT_EQ(ctx->busy, 0);

    // A loop reporting every column draws (and pumps events) 20 times.
    setProgress(ctx, 0.0);
    int changes = 0;
    g_signal_connect(bar, "notify::fraction", G_CALLBACK(countFractionChange), &changes);
    for (int i = 0; i <= 1000; i++)
        progressCallback(ctx, i / 1000.0);
    EXPECT_EQ(changes, 20);
    EXPECT_EQ(gtk_progress_bar_get_fraction(bar), 1.0);
}

TEST_F(Shell, QuitAnsweredNoKeepsTheProgramOkEndsItAndWritesTheChangedStore)
{
    ctx->settingsCtx.set("fileName", "/scans/chart 7.tif");
    answerDialogs({AnswerNo});
    sendDeleteEvent(ctx->widMainWindow);
    EXPECT_TRUE(appWindowAlive());
    EXPECT_EQ(entriesIn(appWorkDir()), 0);

    answerDialogs({AnswerOk});
    sendDeleteEvent(ctx->widMainWindow);
    EXPECT_FALSE(appWindowAlive());
    const std::vector<DialogRecord> d = takeDialogs();
    ASSERT_EQ(d.size(), 2u) << "the changed settings store is written without a question";
    EXPECT_EQ(d[1].text, "Really quit ?");
    EXPECT_EQ(readFile(appWorkDir() + "/vellora.ctx"), "fileName=/scans/chart 7.tif\n");
}

TEST_F(Shell, MainWindowFitsTheSmallestSupportedScreen)
{
    GtkRequisition req;
    gtk_widget_size_request(ctx->widMainWindow, &req);
    int width, height;
    gtk_window_get_default_size(GTK_WINDOW(ctx->widMainWindow), &width, &height);
    EXPECT_TRUE(req.width <= 1280 && req.height <= 800 && width <= 1280 && height <= 800)
        << req.width << "x" << req.height << ", default " << width << "x" << height;
}

} // namespace
