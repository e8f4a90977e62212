// The application shell: start-up, the UI definition and its wiring, tracing,
// dialogs, status and progress, and how the program ends.

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include <glib/gstdio.h>

#include "handlers.h"
#include "harness.h"
#include "ui.h"

namespace {

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

size_t countOf(const std::string &text, const std::string &part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        n++;
    return n;
}

#define EXPECT_CONTAINS(text, part) EXPECT_GT(countOf(text, part), 0u) << (text)

std::vector<std::string> listDir(const std::string &dir)
{
    std::vector<std::string> names;
    GDir *d = g_dir_open(dir.c_str(), 0, nullptr);
    for (const gchar *name; d && (name = g_dir_read_name(d));)
        names.push_back(name);
    if (d)
        g_dir_close(d);
    std::sort(names.begin(), names.end());
    return names;
}

// ---- the real binary ------------------------------------------------------

struct RunResult {
    bool exited = false;  // ended through exit, not a signal
    int status = -1;
    std::string out;
};

RunResult runBinary(const std::string &dir, std::vector<std::string> args)
{
    std::vector<gchar *> argv;
    std::string exe = VELLORA_BINARY_DIR "/vellora";
    argv.push_back(const_cast<gchar *>(exe.c_str()));
    for (std::string &a : args)
        argv.push_back(const_cast<gchar *>(a.c_str()));
    argv.push_back(nullptr);
    gchar *out = nullptr;
    gint wait = 0;
    RunResult result;
    gboolean spawned = g_spawn_sync(dir.c_str(), argv.data(), nullptr, G_SPAWN_STDERR_TO_DEV_NULL,
                                    nullptr, nullptr, &out, nullptr, &wait, nullptr);
    EXPECT_TRUE(spawned) << "cannot run " << exe;
    result.exited = WIFEXITED(wait);
    result.status = result.exited ? WEXITSTATUS(wait) : -1;
    result.out = out ? out : "";
    g_free(out);
    return result;
}

// A work directory whose UI definition lacks the widget with this id.
std::string dirWithoutWidget(const std::string &id)
{
    std::string base = makeWorkDir();
    std::string glade = readFile(VELLORA_SOURCE_DIR "/glade/vellora.glade");
    std::string needle = "id=\"" + id + "\"";
    size_t at = glade.find(needle);
    EXPECT_NE(at, std::string::npos) << id;
    glade.replace(at, needle.size(), "id=\"" + id + "_gone\"");
    g_unlink((base + "/glade").c_str());
    g_mkdir_with_parents((base + "/glade").c_str(), 0755);
    writeFile(base + "/glade/vellora.glade", glade);
    return appDirOf(base);
}

TEST(Binary, MissingUiDefinitionEndsWithStatusOneAndPrintsNothing)
{
    std::string dir = makeWorkDir() + "/nested/work";
    g_mkdir_with_parents(dir.c_str(), 0755);
    RunResult r = runBinary(dir, {"-v"});
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
}

TEST(Binary, MissingWidgetStopsAtItsAssertionVisibleOnlyWithV)
{
    struct Case {
        const char *id;
        const char *expression;
    } cases[] = {
        {"calendar", "(mainCtx->widCalendar)"},
        {"imgtemp", "(mainCtx->subImgData[ SubImgTemp ].widget)"},
        {"hygrofilename", "(mainCtx->subImgData[SubImgHygro].wid_filename)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.id);
        std::string dir = dirWithoutWidget(c.id);
        RunResult traced = runBinary(dir, {"-v"});
        EXPECT_FALSE(traced.exited && traced.status == 0);
        EXPECT_CONTAINS(traced.out, "logFunc: file ");
        EXPECT_CONTAINS(traced.out, "app.cpp: line ");
        EXPECT_CONTAINS(traced.out, std::string(": assertion failed: ") + c.expression + "\n");

        RunResult quiet = runBinary(dir, {});
        EXPECT_FALSE(quiet.exited && quiet.status == 0);
        EXPECT_EQ(quiet.out, "");
    }
    // "-v" counts only as the first argument.
    RunResult late = runBinary(dirWithoutWidget("calendar"), {"--sync", "-v"});
    EXPECT_FALSE(late.exited && late.status == 0);
    EXPECT_EQ(late.out, "");
}

// ---- the entry routine in-process --------------------------------------------

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

int runVelloraMain(const std::string &dir, std::vector<std::string> args)
{
    std::string cwd = g_get_current_dir();
    EXPECT_EQ(chdir(dir.c_str()), 0);
    std::vector<char *> argv;
    std::string name = "vellora";
    argv.push_back(&name[0]);
    for (std::string &a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    guint closer = g_timeout_add(100, closeMainWindow, nullptr);
    int status = velloraMain(static_cast<int>(args.size() + 1), argv.data());
    g_source_remove(closer);
    EXPECT_EQ(chdir(cwd.c_str()), 0);
    verbose = 0;
    return status;
}

TEST(EntryRoutine, QuitAnsweredNoKeepsRunningThenOkEndsWithStatusZero)
{
    std::string dir = appDirOf(makeWorkDir());
    answerDialogs({AnswerNo, AnswerOk});
    beginCaptureStdout();
    int status = runVelloraMain(dir, {"-v"});
    std::string out = endCaptureStdout();

    EXPECT_EQ(status, 0);
    std::vector<DialogRecord> dialogs = takeDialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    for (const DialogRecord &d : dialogs) {
        EXPECT_EQ(d.title, "vellora question");
        EXPECT_EQ(d.text, "Really quit ?");
    }
    EXPECT_EQ(countOf(out, "on_mainwindow_delete_event\n"), 2u) << out;
    EXPECT_CONTAINS(out, "on_mainwindow_delete_event\ncb_destroy\n");
    // Nothing changed, so nothing was written.
    EXPECT_TRUE(listDir(dir).empty());
}

TEST(EntryRoutine, TracesNothingWhenVIsNotFirst)
{
    std::string dir = appDirOf(makeWorkDir());
    answerDialogs({AnswerOk});
    beginCaptureStdout();
    int status = runVelloraMain(dir, {"--sync", "-v"});
    EXPECT_EQ(endCaptureStdout(), "");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(takeDialogs().size(), 1u);
}

TEST(EntryRoutine, MissingUiDefinitionShowsNoWindow)
{
    std::string dir = makeWorkDir() + "/nested/work";
    g_mkdir_with_parents(dir.c_str(), 0755);
    GList *before = gtk_window_list_toplevels();
    EXPECT_EQ(runVelloraMain(dir, {}), 1);
    GList *after = gtk_window_list_toplevels();
    EXPECT_EQ(g_list_length(after), g_list_length(before));
    g_list_free(before);
    g_list_free(after);
    EXPECT_TRUE(takeDialogs().empty());
}

// ---- start-up state ---------------------------------------------------------------

TEST(StartUp, MainContextStartsAsSpecifiedWithTheParameterFile)
{
    std::string base = makeWorkDir();
    writeFile(appDirOf(base) + "/vellora.ini",
              "# local chart\nsrcInkColor 10 20 30\ndstCurveFilter 2.0\nsrcFieldHeightMM 80\n");
    writeFile(appDirOf(base) + "/vellora.ctx", "fileName=/nowhere/scan.tif\n");
    MainCtx *ctx = startApp(base);
    ASSERT_NE(ctx, nullptr);

    EXPECT_EQ(ctx->busy, 0);
    EXPECT_EQ(ctx->dirtyFlags, ImageChanged | PassPointsChanged | CurveChanged);
    EXPECT_STREQ(ctx->settingsCtx.get("fileName"), "/nowhere/scan.tif");
    EXPECT_FALSE(ctx->settingsCtx.isModified());
    EXPECT_EQ(ctx->params, &ctx->paramsRecord);
    EXPECT_EQ(ctx->params->srcFieldHeightMM, 80.0);
    EXPECT_EQ(ctx->params->dstPixelsPerMM, 8.0);  // default kept
    EXPECT_EQ(ctx->curveColor[0], 10);
    EXPECT_EQ(ctx->curveColor[1], 20);
    EXPECT_EQ(ctx->curveColor[2], 30);
    EXPECT_EQ(ctx->refColor.rgb[2], 30);
    EXPECT_EQ(ctx->smoothness, 2.0);
    EXPECT_EQ(ctx->timeStep, 60);
    EXPECT_EQ(ctx->markMode, 0);
    EXPECT_EQ(ctx->datePos[0], -1);
    EXPECT_EQ(ctx->datePos[1], -1);
    const DateTime &start = ctx->dateVal[0], &end = ctx->dateVal[1];
    EXPECT_EQ(start.status(), 0);
    EXPECT_EQ(start.minutesUntil(end), 25 * 60);
    EXPECT_EQ(start.year * 10000 + start.month * 100 + start.day, 20000101);
    EXPECT_EQ(start.hour, 12);
    EXPECT_EQ(ctx->subImgData[SubImgTemp].fitStatus, 1);
    EXPECT_EQ(ctx->subImgData[SubImgHygro].pixbuf, nullptr);
    EXPECT_EQ(gdk_cursor_get_cursor_type(ctx->cursorPencil), GDK_PENCIL);
    EXPECT_EQ(gdk_cursor_get_cursor_type(ctx->cursorPirate), GDK_PIRATE);
    gchar *font = pango_font_description_to_string(ctx->fontLarge);
    EXPECT_STREQ(font, "Sans Bold 18");
    g_free(font);
    stopApp(ctx);
}

TEST(StartUp, ShippedParameterFileHoldsEveryDefault)
{
    Params defaults{}, shipped{};
    setParamDefaults(defaults);
    EXPECT_EQ(loadParamFile(shipped, VELLORA_SOURCE_DIR "/run/vellora.ini"), 0);
    EXPECT_EQ(memcmp(&defaults, &shipped, sizeof(Params)), 0);
}

// ---- the UI definition --------------------------------------------------------------

class Shell : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx = startApp();
        ASSERT_NE(ctx, nullptr);
    }
    void TearDown() override
    {
        stopApp(ctx);
        takeDialogs();
    }
    GtkWidget *w(const char *name) { return uiWidget(ctx, name); }
    MainCtx *ctx = nullptr;
};

TEST_F(Shell, WidgetsHaveTheKindsTheHandlersExpect)
{
    const struct {
        const char *name;
        GType type;
    } kinds[] = {
        {"mainwindow", GTK_TYPE_WINDOW},        {"mainnotebook", GTK_TYPE_NOTEBOOK},
        {"imgtemp", GTK_TYPE_DRAWING_AREA},     {"imghygro", GTK_TYPE_DRAWING_AREA},
        {"imgscan", GTK_TYPE_DRAWING_AREA},     {"progressbar", GTK_TYPE_PROGRESS_BAR},
        {"calendar", GTK_TYPE_CALENDAR},        {"dateandtimeframe", GTK_TYPE_CONTAINER},
        {"hour", GTK_TYPE_SPIN_BUTTON},         {"minute", GTK_TYPE_SPIN_BUTTON},
        {"addTemp", GTK_TYPE_SPIN_BUTTON},      {"addHygro", GTK_TYPE_SPIN_BUTTON},
        {"diffday", GTK_TYPE_ENTRY},            {"diffminute", GTK_TYPE_ENTRY},
        {"selcurvecolor", GTK_TYPE_COLOR_BUTTON}, {"showcontrast", GTK_TYPE_TOGGLE_BUTTON},
        {"showtable", GTK_TYPE_TOGGLE_BUTTON},  {"timestep10", GTK_TYPE_RADIO_BUTTON},
        {"tempknotnumperc", GTK_TYPE_ENTRY},    {"hygrofilename", GTK_TYPE_ENTRY},
        {"savedhygrotable", GTK_TYPE_TOGGLE_BUTTON}, {"openfile", GTK_TYPE_FILE_CHOOSER_WIDGET},
        {"curvesmoothness", GTK_TYPE_RANGE},    {"autowindows", GTK_TYPE_BUTTON},
    };
    for (const auto &k : kinds)
        EXPECT_TRUE(G_TYPE_CHECK_INSTANCE_TYPE(w(k.name), k.type)) << k.name;

    EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(w("openfile"))),
              GTK_FILE_CHOOSER_ACTION_OPEN);
    EXPECT_TRUE(gtk_widget_get_visible(ctx->widMainWindow));
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(w("autowindows"))), "auto windows");
}

TEST_F(Shell, RadioGroupsAndStartStatesMatchTheContext)
{
    auto sameGroup = [this](const char *a, const char *b) {
        return gtk_radio_button_get_group(GTK_RADIO_BUTTON(w(a))) ==
               gtk_radio_button_get_group(GTK_RADIO_BUTTON(w(b)));
    };
    auto active = [this](const char *name) {
        return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w(name)));
    };
    EXPECT_TRUE(sameGroup("P2", "P1") && sameGroup("P2", "P3"));
    EXPECT_TRUE(sameGroup("startdate", "enddate") && sameGroup("startdate", "retouchvertical") &&
                sameGroup("startdate", "drawcurve"));
    EXPECT_TRUE(sameGroup("timestep10", "timestep60"));
    EXPECT_TRUE(active("P2"));         // activePassPoint 0
    EXPECT_TRUE(active("startdate"));  // markMode 0
    EXPECT_TRUE(active("timestep60")); // timeStep 60
    EXPECT_FALSE(active("showcontrast") || active("showcurve") || active("showtable"));

    // The smoothness control starts where the curve weight starts.
    double v = gtk_range_get_value(GTK_RANGE(w("curvesmoothness")));
    EXPECT_EQ(std::pow(2.0, static_cast<int>(v + 0.5)), ctx->smoothness);
}

TEST_F(Shell, ViewsReceiveTheEventsTheirHandlersNeed)
{
    const int fieldEvents = GDK_EXPOSURE_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                            GDK_POINTER_MOTION_MASK;
    EXPECT_EQ(gtk_widget_get_events(w("imgtemp")) & fieldEvents, fieldEvents);
    EXPECT_EQ(gtk_widget_get_events(w("imghygro")) & fieldEvents, fieldEvents);
    const int scanEvents = GDK_EXPOSURE_MASK | GDK_BUTTON_PRESS_MASK;
    EXPECT_EQ(gtk_widget_get_events(w("imgscan")) & scanEvents, scanEvents);
}

TEST_F(Shell, EveryHandlerIsConnectedWithTheContext)
{
    const struct {
        const char *widget;
        const char *signal;
        GCallback handler;
    } wiring[] = {
        {"mainwindow", "delete-event", G_CALLBACK(on_mainwindow_delete_event)},
        {"mainwindow", "destroy", G_CALLBACK(cb_destroy)},
        {"mainnotebook", "switch-page", G_CALLBACK(on_mainnotebook_switch_page)},
        {"openfile", "selection-changed", G_CALLBACK(on_openfile_selection_changed)},
        {"lastfile1", "clicked", G_CALLBACK(on_lastfile1_clicked)},
        {"lastfile2", "clicked", G_CALLBACK(on_lastfile2_clicked)},
        {"imgscan", "expose-event", G_CALLBACK(on_imgscan_expose_event)},
        {"imgscan", "button-press-event", G_CALLBACK(on_imgscan_button_press_event)},
        {"P2", "toggled", G_CALLBACK(on_P2_toggled)},
        {"P1", "toggled", G_CALLBACK(on_P1_toggled)},
        {"P3", "toggled", G_CALLBACK(on_P3_toggled)},
        {"up", "clicked", G_CALLBACK(on_up_clicked)},
        {"down", "clicked", G_CALLBACK(on_down_clicked)},
        {"left", "clicked", G_CALLBACK(on_left_clicked)},
        {"right", "clicked", G_CALLBACK(on_right_clicked)},
        {"imgtemp", "expose-event", G_CALLBACK(on_imgtemp_expose_event)},
        {"imghygro", "expose-event", G_CALLBACK(on_imghygro_expose_event)},
        {"imgtemp", "button-press-event", G_CALLBACK(on_imgtemp_button_press_event)},
        {"imgtemp", "button-release-event", G_CALLBACK(on_imgtemp_button_release_event)},
        {"imghygro", "button-press-event", G_CALLBACK(on_imghygro_button_press_event)},
        {"imghygro", "button-release-event", G_CALLBACK(on_imghygro_button_release_event)},
        {"startdate", "toggled", G_CALLBACK(on_startdate_toggled)},
        {"enddate", "toggled", G_CALLBACK(on_enddate_toggled)},
        {"retouchvertical", "toggled", G_CALLBACK(on_retouchvertical_toggled)},
        {"drawcurve", "toggled", G_CALLBACK(on_drawcurve_toggled)},
        {"calendar", "day-selected", G_CALLBACK(on_calendar_day_selected)},
        {"hour", "value-changed", G_CALLBACK(on_hour_changed)},
        {"minute", "value-changed", G_CALLBACK(on_minute_changed)},
        {"selcurvecolor", "color-set", G_CALLBACK(on_selcurvecolor_color_set)},
        {"showcontrast", "toggled", G_CALLBACK(on_showcontrast_toggled)},
        {"showcurve", "toggled", G_CALLBACK(on_showcurve_toggled)},
        {"showtable", "toggled", G_CALLBACK(on_showtable_toggled)},
        {"resetcolor", "clicked", G_CALLBACK(on_resetcolor_clicked)},
        {"resetvertical", "clicked", G_CALLBACK(on_resetvertical_clicked)},
        {"resetdrawpos", "clicked", G_CALLBACK(on_resetdrawpos_clicked)},
        {"imghygro", "motion-notify-event", G_CALLBACK(on_imghygro_motion_notify_event)},
        {"imgtemp", "motion-notify-event", G_CALLBACK(on_imgtemp_motion_notify_event)},
        {"curvesmoothness", "value-changed", G_CALLBACK(on_curvesmoothness_value_changed)},
        {"addTemp", "value-changed", G_CALLBACK(on_addTemp_changed)},
        {"addHygro", "value-changed", G_CALLBACK(on_addHygro_changed)},
        {"timestep10", "toggled", G_CALLBACK(on_timestep10_toggled)},
        {"timestep60", "toggled", G_CALLBACK(on_timestep60_toggled)},
        {"savetables", "clicked", G_CALLBACK(on_savetables_clicked)},
        {"autowindows", "clicked", G_CALLBACK(on_autowindows_clicked)},
    };
    for (const auto &c : wiring) {
        GtkWidget *widget = w(c.widget);
        guint id = g_signal_lookup(c.signal, G_OBJECT_TYPE(widget));
        ASSERT_NE(id, 0u) << c.widget << " " << c.signal;
        auto mask = static_cast<GSignalMatchType>(G_SIGNAL_MATCH_ID | G_SIGNAL_MATCH_FUNC |
                                                  G_SIGNAL_MATCH_DATA);
        EXPECT_NE(g_signal_handler_find(widget, mask, id, 0, nullptr,
                                        reinterpret_cast<gpointer>(c.handler), ctx),
                  0u)
            << c.widget << " " << c.signal;
    }
}

// ---- tracing ----------------------------------------------------------------------------

// Clicks that run handlers doing nothing but their trace line.
std::string clickQuietHandlers(MainCtx *ctx)
{
    beginCaptureStdout();
    gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "lastfile1")));
    gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "lastfile2")));
    logFunc(nullptr, G_LOG_LEVEL_WARNING, "a log message", nullptr);
    trace("free text\n");
    return endCaptureStdout();
}

TEST(Tracing, VerboseWritesEachHandlerNameAndLogMessages)
{
    MainCtx *ctx = startApp(std::string(), true);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(clickQuietHandlers(ctx),
              "on_lastfile1_clicked\non_lastfile2_clicked\nlogFunc: a log message\nfree text\n");

    beginCaptureStdout();
    stopApp(ctx);
    EXPECT_CONTAINS(endCaptureStdout(), "cb_destroy\n");
}

TEST(Tracing, WithoutVerboseNothingIsWritten)
{
    MainCtx *ctx = startApp();
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(clickQuietHandlers(ctx), "");
    beginCaptureStdout();
    g_log(nullptr, G_LOG_LEVEL_WARNING, "through the installed handler");
    stopApp(ctx);
    EXPECT_EQ(endCaptureStdout(), "");
}

// ---- dialogs ---------------------------------------------------------------------------

TEST_F(Shell, QuestionJoinsItsPartsAndOnlyOkCounts)
{
    answerDialogs({AnswerOk, AnswerNo, AnswerClose});
    EXPECT_EQ(askQuestion(ctx, "Save file context ", "/scans/a b.tif.ctx", " ?"), 1);
    EXPECT_EQ(askQuestion(ctx, "Really quit ?"), 0);
    EXPECT_EQ(askQuestion(ctx, "Really quit ?"), 0);
    EXPECT_EQ(ctx->busy, 0);

    std::vector<DialogRecord> d = takeDialogs();
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[0].title, "vellora question");
    EXPECT_EQ(d[0].text, "Save file context /scans/a b.tif.ctx ?");
    std::sort(d[0].buttons.begin(), d[0].buttons.end());
    EXPECT_EQ(d[0].buttons, (std::vector<std::string>{GTK_STOCK_NO, GTK_STOCK_OK}));
    EXPECT_EQ(d[0].wrapMode, GTK_WRAP_WORD);
    EXPECT_TRUE(d[0].modal);
    EXPECT_EQ(d[0].parentName, "mainwindow");
    EXPECT_EQ(d[0].width, 600);
    EXPECT_EQ(d[0].height, 400);
    EXPECT_FALSE(d[2].unexpected);
}

TEST_F(Shell, UnansweredQuestionIsClosedAndCountsAsNo)
{
    EXPECT_EQ(askQuestion(ctx, "overwrite file", "/t/T1.txt", " ?"), 0);
    std::vector<DialogRecord> d = takeDialogs();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_TRUE(d[0].unexpected);
    EXPECT_EQ(d[0].text, "overwrite file/t/T1.txt ?");
}

// Samples busy when a dialog appears.
struct BusyProbe {
    MainCtx *ctx;
    int busy;
};

gboolean sampleBusy(GSignalInvocationHint *, guint, const GValue *params, gpointer data)
{
    auto *probe = static_cast<BusyProbe *>(data);
    if (GTK_IS_DIALOG(g_value_get_object(&params[0])))
        probe->busy = probe->ctx->busy;
    return TRUE;
}

TEST_F(Shell, WarningAndErrorDialogsHoldBusyWhileShown)
{
    BusyProbe probe{ctx, -1};
    guint map = g_signal_lookup("map", GTK_TYPE_WIDGET);
    gulong hook = g_signal_add_emission_hook(map, 0, sampleBusy, &probe, nullptr);
    answerDialogs({AnswerOk, AnswerOk, AnswerOk});

    showWarning(ctx, "paper speed not exact, please check dates, mmPerHour=", "11.2",
                ", should be srcMMPerHour=", "12.0");
    EXPECT_EQ(probe.busy, 1);
    EXPECT_EQ(ctx->busy, 0);
    probe.busy = -1;
    showError(ctx, "could not load image-file ", "/scans/x.tif");
    EXPECT_EQ(probe.busy, 1);
    EXPECT_EQ(ctx->busy, 0);
    probe.busy = -1;
    askQuestion(ctx, "Really quit ?");
    EXPECT_EQ(probe.busy, 0);  // a question leaves busy alone
    g_signal_remove_emission_hook(map, hook);

    std::vector<DialogRecord> d = takeDialogs();
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[0].title, "vellora warning");
    EXPECT_EQ(d[0].text,
              "paper speed not exact, please check dates, mmPerHour=11.2, should be srcMMPerHour=12.0");
    EXPECT_EQ(d[0].buttons, std::vector<std::string>{GTK_STOCK_DIALOG_WARNING});
    EXPECT_EQ(d[0].wrapMode, GTK_WRAP_WORD_CHAR);
    EXPECT_EQ(d[1].title, "vellora error");
    EXPECT_EQ(d[1].text, "could not load image-file /scans/x.tif");
    EXPECT_EQ(d[1].buttons, std::vector<std::string>{GTK_STOCK_DIALOG_ERROR});
    EXPECT_EQ(d[1].wrapMode, GTK_WRAP_WORD_CHAR);
    EXPECT_EQ(d[1].parentName, "mainwindow");
}

// ---- status and progress -------------------------------------------------------------------

TEST_F(Shell, StatusTextIsJoinedIntoTheProgressBarAndClearedByEmptyText)
{
    GtkProgressBar *bar = GTK_PROGRESS_BAR(ctx->widProgressBar);
    setStatus(ctx, "contrast sub image ", "1", " ...");
    EXPECT_STREQ(gtk_progress_bar_get_text(bar), "contrast sub image 1 ...");
    setStatus(ctx, "");
    const gchar *text = gtk_progress_bar_get_text(bar);
    EXPECT_TRUE(!text || !*text) << text;
    EXPECT_EQ(ctx->busy, 0);
}

void countFractionChange(GObject *, GParamSpec *, gpointer count)
{
    ++*static_cast<int *>(count);
}

TEST_F(Shell, ProgressMovesOnlyAtWholeTwentieths)
{
    GtkProgressBar *bar = GTK_PROGRESS_BAR(ctx->widProgressBar);
    setProgress(ctx, 0.5);
    setProgress(ctx, 0.0);  // a new run starts its first step at once
    EXPECT_EQ(gtk_progress_bar_get_fraction(bar), 0.0);
    setProgress(ctx, 0.04);
    EXPECT_EQ(gtk_progress_bar_get_fraction(bar), 0.0);
    setProgress(ctx, 0.05);
    EXPECT_EQ(gtk_progress_bar_get_fraction(bar), 0.05);
    setProgress(ctx, 0.09);
    EXPECT_EQ(gtk_progress_bar_get_fraction(bar), 0.05);
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

// ---- ending -------------------------------------------------------------------------------

TEST_F(Shell, QuitAnsweredNoKeepsProgramAndStateOkEndsIt)
{
    ctx->markMode = 2;
    ctx->settingsCtx.set("fileName", "/scans/chart 7.tif");
    answerDialogs({AnswerNo});
    sendDeleteEvent(ctx->widMainWindow);
    EXPECT_TRUE(appWindowAlive());
    EXPECT_EQ(ctx->markMode, 2);
    EXPECT_TRUE(ctx->settingsCtx.isModified());
    EXPECT_TRUE(listDir(appWorkDir()).empty());

    answerDialogs({AnswerOk});
    sendDeleteEvent(ctx->widMainWindow);
    EXPECT_FALSE(appWindowAlive());
    std::vector<DialogRecord> d = takeDialogs();
    ASSERT_EQ(d.size(), 2u);  // the changed settings store is written without a question
    EXPECT_EQ(d[1].text, "Really quit ?");
    EXPECT_EQ(readFile(appWorkDir() + "/vellora.ctx"), "fileName=/scans/chart 7.tif\n");
}

TEST(Ending, QuittingWithoutChangesWritesNothing)
{
    std::string base = makeWorkDir();
    std::string store = appDirOf(base) + "/vellora.ctx";
    writeFile(store, "fileName=/nowhere/scan.tif\n");
    struct stat before;
    ASSERT_EQ(stat(store.c_str(), &before), 0);

    MainCtx *ctx = startApp(base);
    ASSERT_NE(ctx, nullptr);
    stopApp(ctx);

    struct stat after;
    ASSERT_EQ(stat(store.c_str(), &after), 0);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_ino, before.st_ino);  // not replaced
    EXPECT_EQ(listDir(appDirOf(base)), std::vector<std::string>{"vellora.ctx"});
    EXPECT_TRUE(takeDialogs().empty());
}

// ---- layout --------------------------------------------------------------------------------

bool fitsInside(GtkWidget *widget, GtkWidget *window)
{
    int x, y;
    if (!gtk_widget_translate_coordinates(widget, window, 0, 0, &x, &y))
        return false;
    GtkRequisition req;
    gtk_widget_get_child_requisition(widget, &req);
    const GtkAllocation &a = widget->allocation;
    return x >= 0 && y >= 0 && x + a.width <= window->allocation.width &&
           y + a.height <= window->allocation.height && a.width >= req.width &&
           a.height >= req.height;
}

TEST_F(Shell, MainWindowFitsTheSmallestSupportedScreen)
{
    GtkRequisition req;
    gtk_widget_size_request(ctx->widMainWindow, &req);
    EXPECT_LE(req.width, 1280);
    EXPECT_LE(req.height, 800);
    int width, height;
    gtk_window_get_default_size(GTK_WINDOW(ctx->widMainWindow), &width, &height);
    EXPECT_LE(width, 1280);
    EXPECT_LE(height, 800);

    // Every control gets its full size on its page; the pages' entry actions
    // are not the subject here.
    g_signal_handlers_block_by_func(ctx->widMainNoteBook,
                                    reinterpret_cast<gpointer>(on_mainnotebook_switch_page), ctx);
    const std::vector<std::vector<const char *>> pages = {
        {"openfile", "lastfile1", "lastfile2", "progressbar"},
        {"P2", "P1", "P3", "up", "down", "left", "right"},
        {"startdate", "drawcurve", "calendar", "hour", "minute", "diffday", "diffminute",
         "selcurvecolor", "resetcolor", "curvesmoothness", "addTemp", "addHygro", "showcontrast",
         "showtable", "resetvertical", "resetdrawpos", "autowindows"},
        {"timestep10", "timestep60", "tempknotnumperc", "tempfilename", "savedtemptable",
         "hygrocnt", "hygrofilename", "savedhygrotable", "savetables"},
    };
    for (size_t page = 0; page < pages.size(); page++) {
        gtk_notebook_set_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook), page);
        runPending();
        for (const char *name : pages[page])
            EXPECT_TRUE(fitsInside(w(name), ctx->widMainWindow)) << "page " << page << ": " << name;
    }
}

gboolean recordPress(GtkWidget *, GdkEventButton *event, gpointer data)
{
    auto *at = static_cast<std::vector<double> *>(data);
    at->push_back(event->x);
    at->push_back(event->y);
    return FALSE;
}

TEST_F(Shell, HeldButtonsAndModifiersReachThePointerQuery)
{
    if (!pointerStateAvailable())
        GTEST_SKIP() << "no XTest: the X server cannot hold buttons";
    g_signal_handlers_block_by_func(ctx->widMainNoteBook,
                                    reinterpret_cast<gpointer>(on_mainnotebook_switch_page), ctx);
    gtk_widget_set_size_request(ctx->widImgScan, 300, 200);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook), 1);
    runPending();

    movePointer(ctx->widImgScan, 40, 30, GDK_BUTTON3_MASK | GDK_CONTROL_MASK);
    int x, y;
    GdkModifierType state;
    gdk_window_get_pointer(ctx->widImgScan->window, &x, &y, &state);
    EXPECT_EQ(x, 40);
    EXPECT_EQ(y, 30);
    EXPECT_TRUE(state & GDK_BUTTON3_MASK);
    EXPECT_TRUE(state & GDK_CONTROL_MASK);

    movePointer(ctx->widImgScan, 41, 30);
    gdk_window_get_pointer(ctx->widImgScan->window, &x, &y, &state);
    EXPECT_FALSE(state & (GDK_BUTTON3_MASK | GDK_CONTROL_MASK));

    // A press holds its button until the release, and reaches the view once,
    // with its exact position.
    std::vector<double> pressedAt;
    g_signal_connect(ctx->widImgScan, "button-press-event", G_CALLBACK(recordPress), &pressedAt);
    pressButton(ctx->widImgScan, 49.5, 20.25, 1);
    EXPECT_EQ(pressedAt, (std::vector<double>{49.5, 20.25}));
    movePointer(ctx->widImgScan, 60, 20);
    gdk_window_get_pointer(ctx->widImgScan->window, &x, &y, &state);
    EXPECT_TRUE(state & GDK_BUTTON1_MASK);
    releaseButton(ctx->widImgScan, 60, 20, 1);
    gdk_window_get_pointer(ctx->widImgScan->window, &x, &y, &state);
    EXPECT_FALSE(state & GDK_BUTTON1_MASK);
    EXPECT_EQ(pressedAt.size(), 2u);
}

gboolean paintFarRight(GtkWidget *widget, GdkEventExpose *, gpointer)
{
    GdkGC *gc = gdk_gc_new(widget->window);
    GdkColor red = {0, 0xffff, 0, 0};
    gdk_gc_set_rgb_fg_color(gc, &red);
    gdk_draw_rectangle(widget->window, gc, TRUE, 2200, 0, 50, 50);
    g_object_unref(gc);
    return FALSE;
}

TEST_F(Shell, GrabShowsAViewAlsoWhereItIsScrolledAway)
{
    g_signal_handlers_block_by_func(ctx->widMainNoteBook,
                                    reinterpret_cast<gpointer>(on_mainnotebook_switch_page), ctx);
    GtkWidget *view = ctx->subImgData[SubImgTemp].widget;
    gtk_widget_set_size_request(view, 2300, 656);
    g_signal_handlers_block_by_func(view, reinterpret_cast<gpointer>(on_imgtemp_expose_event), ctx);
    g_signal_connect(view, "expose-event", G_CALLBACK(paintFarRight), nullptr);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook), 2);

    GdkPixbuf *image = grabWidget(view);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(gdk_pixbuf_get_width(image), 2300);
    EXPECT_EQ(gdk_pixbuf_get_height(image), 656);
    guchar rgb[3];
    pixelAt(image, 2210, 10, rgb);
    EXPECT_EQ(rgb[0] * 65536 + rgb[1] * 256 + rgb[2], 0xff0000);
    pixelAt(image, 2190, 10, rgb);
    EXPECT_NE(rgb[0] * 65536 + rgb[1] * 256 + rgb[2], 0xff0000);
    g_object_unref(image);
}

} // namespace
