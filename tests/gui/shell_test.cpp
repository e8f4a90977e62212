// SPDX-License-Identifier: GPL-3.0-or-later
// The application shell: entry routine, tracing, dialogs, status, accessible
// names and how the program ends.

#include <unistd.h>

#include <cstring>
#include <map>

#include <glib/gstdio.h>

#include "coretest.h"
#include "harness.h"
#include "ui.h"

namespace {

guint toplevelCount()
{
    GList *toplevels = gtk_window_list_toplevels();
    const guint count = g_list_length(toplevels);
    g_list_free(toplevels);
    return count;
}

// Closes the main window from inside the main loop, as the user does.
gboolean closeMainWindow(gpointer)
{
    GList *toplevels = gtk_window_list_toplevels();
    for (GList *l = toplevels; l; l = l->next) {
        if (strcmp(gtk_widget_get_name(GTK_WIDGET(l->data)), "mainwindow") == 0) {
            sendDeleteEvent(GTK_WIDGET(l->data));  // may end the others in the list
            break;
        }
    }
    g_list_free(toplevels);
    return TRUE;
}

// Runs velloraMain in dir, closing its window every 100 ms; out gets its output.
int runVelloraMain(const std::string &dir, bool traced, std::string &out)
{
    gchar *home = g_get_current_dir();
    EXPECT_EQ(chdir(dir.c_str()), 0);
    char name[] = "vellora", option[] = "-v";  // gtk_init may rewrite them
    char *argv[] = {name, traced ? option : nullptr, nullptr};
    const guint closer = g_timeout_add(100, closeMainWindow, nullptr);
    testing::internal::CaptureStdout();
    const int status = velloraMain(traced ? 2 : 1, argv);
    out = testing::internal::GetCapturedStdout();
    g_source_remove(closer);
    EXPECT_EQ(chdir(home), 0);
    g_free(home);
    verbose = 0;
    return status;
}

TEST(EntryRoutine, TracesOnlyWithVAndWritesNothingWithoutChanges)
{
    const struct { bool traced, withUi; int status; const char *out; } runs[] = {
        {true, true, 0, "UI definition: DIR/../glade/vellora.glade\nsettings store: DIR/vellora.ctx\n"
                        "on_mainwindow_delete_event\ncb_destroy\n"},
        {false, true, 0, ""},
        {true, false, 1, ""}};  // no UI definition: no window either
    for (const auto &r : runs) {
        std::string dir = makeAppDir();
        if (r.withUi)
            answerDialogs({AnswerOk});
        else
            g_mkdir((dir += "/nested").c_str(), 0755);
        const guint windows = toplevelCount();
        std::string out;
        EXPECT_EQ(runVelloraMain(dir, r.traced, out), r.status);
        std::string expected = r.out;
        for (std::string::size_type at; (at = expected.find("DIR")) != std::string::npos;)
            expected.replace(at, 3, dir);
        EXPECT_EQ(out, expected);
        EXPECT_EQ(takeDialogs(), r.withUi ? Dialogs{"vellora question: Really quit ?"} : Dialogs{});
        if (!r.withUi) {
            EXPECT_EQ(toplevelCount(), windows) << "a window without a UI definition";
        }
        EXPECT_EQ(g_rmdir(dir.c_str()), 0) << "the run wrote into " << dir;
    }
}

using Shell = AppTest;

// A line the parameter file cannot use stops the reading; the user is told,
// and the smoothness control starts at the weight the file gives.
TEST_F(Shell, TellsWhereTheParameterFileStoppedAndStartsTheSmoothnessFromIt)
{
    ASSERT_NO_FATAL_FAILURE(start("dstCurveFilter 4\nsrcFieldWidthMM 250.5\nsrcFieldHeigth 80\nsrcRadiusMM 1\n"));
    EXPECT_EQ(statusText(ctx), "vellora.ini: line 3 not understood; the lines after it are ignored");
    EXPECT_EQ(gtk_range_get_value(GTK_RANGE(ctx->widCurveSmoothness)), 2.0);
    EXPECT_EQ(knotWeight(ctx->settings, *ctx->params), 4.0);
}

TEST_F(Shell, ProgressMovesOnlyAtWholeTwentieths)
{
    // A loop reporting every column draws (and pumps events) 20 times.
    std::vector<double> shown;
    g_signal_connect(ctx->widProgressBar, "notify::fraction", G_CALLBACK(+[](GObject *bar, GParamSpec *, gpointer log) {
        static_cast<std::vector<double> *>(log)->push_back(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(bar)));
    }), &shown);
    for (int i = 0; i <= 1000; i++)
        progressCallback(ctx, i / 1000.0);
    ASSERT_EQ(shown.size(), 20u);
    for (size_t k = 0; k < shown.size(); k++)
        EXPECT_NEAR(shown[k], (k + 1) / 20.0, 0.0015) << k;
}

TEST_F(Shell, QuitAnsweredNoKeepsRunningOkEndsAndWritesTheChangedStore)
{
    ctx->settingsCtx.set("fileName", "/scans/chart 7.tif");
    answerDialogs({AnswerNo});
    sendDeleteEvent(ctx->widMainWindow);
    EXPECT_TRUE(appWindowAlive());
    EXPECT_FALSE(g_file_test((appDir() + "/vellora.ctx").c_str(), G_FILE_TEST_EXISTS));
    answerDialogs({AnswerOk});
    sendDeleteEvent(ctx->widMainWindow);
    EXPECT_FALSE(appWindowAlive());
    EXPECT_EQ(takeDialogs(), Dialogs(2, "vellora question: Really quit ?"));
    EXPECT_EQ(lastDialog().buttons, (std::vector<std::string>{"*_Quit", "gtk-cancel"}));
    EXPECT_EQ(fileContents(appDir() + "/vellora.ctx"), "fileName=/scans/chart 7.tif\n");
}

// Whatever the scan and page, the window asks for no more than a 1024 x 768
// screen holds and never outgrows the screen's work area: views scroll. A
// line of text gets a small dialog, a long one wraps instead of widening it;
// the one button of a message is the default.
TEST_F(Shell, WindowAndDialogsFitSmallScreens)
{
    loadImage(ctx, writeScan(appDir() + "/big.tif", "tiff", 3400, 4800).c_str());
    answerDialogs({AnswerOk, AnswerOk, AnswerOk, AnswerOk});
    GdkScreen *screen = gdk_screen_get_default();
    for (int page = 0; page < 4; ++page) {
        showPage(ctx, page);
        GtkRequisition wanted;
        gtk_widget_size_request(ctx->widMainWindow, &wanted);
        EXPECT_LE(wanted.width, 1024) << page;
        EXPECT_LE(wanted.height, 740) << page;
        EXPECT_LE(ctx->widMainWindow->allocation.width, gdk_screen_get_width(screen)) << page;
        EXPECT_LE(ctx->widMainWindow->allocation.height, gdk_screen_get_height(screen)) << page;
    }

    answerDialogs({AnswerOk, AnswerOk});
    showError(ctx, "missing tables");
    const GtkRequisition small = lastDialog().size;
    EXPECT_EQ(lastDialog().buttons, std::vector<std::string>{"*gtk-ok"});
    showError(ctx, std::string(40, 'x').append(" ").append(std::string(300, 'y')).c_str());
    const GtkRequisition wrapped = lastDialog().size;
    EXPECT_LE(small.width, 400);
    EXPECT_LE(small.height, 150);
    EXPECT_LE(wrapped.width, 700);
    EXPECT_GT(wrapped.height, small.height + 30);
}

bool interactive(GtkWidget *w)
{
    return GTK_IS_BUTTON(w) || GTK_IS_RANGE(w) || GTK_IS_ENTRY(w) || GTK_IS_CALENDAR(w) ||
           GTK_IS_FILE_CHOOSER(w) || GTK_IS_NOTEBOOK(w) || GTK_IS_PANED(w) ||
           GTK_IS_DRAWING_AREA(w) || (GTK_IS_SCROLLED_WINDOW(w) && GTK_WIDGET_CAN_FOCUS(w));
}

// A label that names a control rather than a group, a page or itself; the
// help, readout and verdict texts name nothing.
bool namingLabel(GtkWidget *w)
{
    GtkWidget *parent = gtk_widget_get_parent(w);
    const std::string name = gtk_widget_get_name(w);
    return GTK_IS_LABEL(w) && !GTK_IS_NOTEBOOK(parent) && !GTK_IS_BUTTON(parent) &&
           !(GTK_IS_FRAME(parent) && gtk_frame_get_label_widget(GTK_FRAME(parent)) == w) &&
           name != "passpointhelp" && name != "readout" && name != "verdict";
}

// Every control has an accessible name of its own, and every label beside a
// control is its mnemonic label.
TEST_F(Shell, EveryControlHasItsOwnAccessibleNameAndLabelsTheirWidgets)
{
    std::vector<GtkWidget *> controls, labels;
    forEachWidget(ctx->widMainWindow, [&controls, &labels](GtkWidget *w) {
        if (interactive(w))
            controls.push_back(w);
        if (namingLabel(w))
            labels.push_back(w);
        return !GTK_IS_FILE_CHOOSER(w) && !GTK_IS_BUTTON(w);  // their insides are GTK's own
    });
    EXPECT_GE(controls.size(), 60u);
    std::map<std::string, std::string> owner;
    for (GtkWidget *w : controls) {
        const char *accessible = atk_object_get_name(gtk_widget_get_accessible(w));
        const std::string id = gtk_widget_get_name(w);
        ASSERT_NE(accessible, nullptr) << id;
        EXPECT_NE(std::string(accessible), "") << id;
        EXPECT_TRUE(owner.emplace(accessible, id).second) << id << " and " << owner[accessible] << ": " << accessible;
    }
    EXPECT_GE(labels.size(), 20u);
    for (GtkWidget *label : labels)
        EXPECT_NE(gtk_label_get_mnemonic_widget(GTK_LABEL(label)), nullptr) << gtk_widget_get_name(label);
}

} // namespace
