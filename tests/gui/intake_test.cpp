// SPDX-License-Identifier: GPL-3.0-or-later
#include <glib/gstdio.h>

#include "coretest.h"
#include "harness.h"
#include "ui.h"

// Opening scans through the chooser page: formats, refusals, the file context
// of each scan and the remembered scan.

namespace {

class IntakeTest : public AppTest {
protected:
    std::string scan(const std::string &name) { return writeScan(appDir() + "/" + name, "tiff", 60, 40); }
    // A click on the scan view stores a pass point, so the file context changes.
    void changeFileCtx() { clickScan(ctx, 10, 20); }
};

// A scan with an alpha channel opens as RGB; a refused file leaves the current
// scan, and the message says why as the image library gives it.
TEST_F(IntakeTest, OpensTiffJpegBmpAndPngRefusedFilesLeaveTheCurrentScan)
{
    const char *const formats[][2] = {{"a.tif", "tiff"}, {"b.jpg", "jpeg"}, {"c.bmp", "bmp"}, {"d.png", "png"}};
    for (const auto &f : formats) {
        const bool alpha = std::string(f[1]) == "png";
        const std::string path = writeScan(appDir() + "/" + f[0], f[1], 70, 50, 0x808080, alpha);
        chooseFile(ctx, path);
        ASSERT_NE(ctx->scanPixbuf, nullptr) << path;
        EXPECT_EQ(gdk_pixbuf_get_n_channels(ctx->scanPixbuf), 3);
        EXPECT_EQ(ctx->imageName, path);
        EXPECT_STREQ(ctx->fileCtx.fileName(), (path + ".ctx").c_str());
        EXPECT_STREQ(ctx->settingsCtx.get("fileName"), path.c_str());
        EXPECT_EQ(currentPage(ctx), PassPointPage);
    }
    EXPECT_EQ(takeDialogs(), Dialogs{});

    const std::string good = ctx->imageName, broken = appDir() + "/broken.jpg";
    makeFile(broken, "not an image at all");
    GdkPixbuf *current = ctx->scanPixbuf;
    answerDialogs({AnswerOk});
    chooseFile(ctx, broken);
    const Dialogs shown = takeDialogs();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("vellora error: could not load image-file " + broken + ": ", 0), 0u) << shown[0];
    EXPECT_EQ(ctx->scanPixbuf, current);
    EXPECT_EQ(ctx->imageName, good);
    EXPECT_STREQ(ctx->fileCtx.fileName(), (good + ".ctx").c_str());
}

// The scan filter takes the scan suffixes in any case beside "All files"; a
// typed folder is entered, a typed scan opened; entering a folder (also by a
// double click) never opens a file in it.
TEST_F(IntakeTest, TheChooserFiltersScansEntersTypedFoldersAndOpensTypedScans)
{
    GtkFileChooser *chooser = GTK_FILE_CHOOSER(uiWidget(ctx, "openfile"));
    GtkFileFilter *scans = gtk_file_chooser_get_filter(chooser);
    ASSERT_NE(scans, nullptr);
    EXPECT_STREQ(gtk_file_filter_get_name(scans), "Chart scans");
    std::string shown;
    for (const char *name : {"CHART.TIF", "x.tiff", "x.Jpeg", "x.jpg", "x.bmp", "x.PNG", "x.txt", "x.tif.ctx", "tif"}) {
        GtkFileFilterInfo info = {GTK_FILE_FILTER_DISPLAY_NAME, nullptr, nullptr, name, nullptr};
        shown += gtk_file_filter_filter(scans, &info) ? std::string(name) + " " : "";
    }
    EXPECT_EQ(shown, "CHART.TIF x.tiff x.Jpeg x.jpg x.bmp x.PNG ");
    GSList *filters = gtk_file_chooser_list_filters(chooser);
    ASSERT_EQ(g_slist_length(filters), 2u);
    EXPECT_STREQ(gtk_file_filter_get_name(GTK_FILE_FILTER(filters->next->data)), "All files");
    g_slist_free(filters);

    const std::string sub = appDir() + "/sub";
    g_mkdir(sub.c_str(), 0755);
    writeScan(sub + "/photo.jpg", "jpeg", 50, 50);
    EXPECT_EQ(chooserFolder(ctx), g_get_home_dir()) << "not the empty recent list";

    const std::string chart = scan("chart.TIFF");
    typeLocation(ctx, chart);
    EXPECT_EQ(ctx->imageName, chart);

    typeLocation(ctx, sub);
    EXPECT_EQ(chooserFolder(ctx), sub);
    EXPECT_EQ(ctx->imageName, chart) << "nothing in the folder opened";
    EXPECT_EQ(takeDialogs(), Dialogs{});
}

// The records reach the settings through the core's loading, which the batch
// shares: the workflow test's comparison holds what they load.
TEST_F(IntakeTest, ReopeningAScanShowsItsRecords)
{
    const std::string a = scan("a.tif");
    makeFile(a + ".ctx", "AddHygro=-2.250000\nCurveColor= 10 200  30\nDatePos2=345\n"
                         "DateVal1=y 2001 m 02 d 03 h 08 m 05\nTimeStep=10\n");
    chooseFile(ctx, a);
    GdkColor color;
    gtk_color_button_get_color(GTK_COLOR_BUTTON(ctx->widSelCurveColor), &color);
    EXPECT_EQ(color.green, 200 * 256);
    EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ctx->widtimestep10)));
    EXPECT_EQ(gtk_spin_button_get_value(GTK_SPIN_BUTTON(ctx->widAddHygro)), -2.25);
    // The stored start shown at once; with one mark placed, no difference yet.
    guint year, month, day;
    gtk_calendar_get_date(GTK_CALENDAR(ctx->widCalendar), &year, &month, &day);
    EXPECT_EQ((std::vector<guint>{year, month + 1, day}), (std::vector<guint>{2001, 2, 3}));
    EXPECT_EQ(gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(ctx->widMinute)), 5);
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(ctx->widDiffDay)), "");
    // Applying the records changed nothing, so leaving the scan asks nothing.
    EXPECT_FALSE(ctx->fileCtx.isModified());
    chooseFile(ctx, scan("b.tif"));
    EXPECT_EQ(takeDialogs(), Dialogs{});

    // A scan without records shows the start values, not a's.
    EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ctx->widtimestep60)));
    EXPECT_EQ(gtk_spin_button_get_value(GTK_SPIN_BUTTON(ctx->widAddHygro)), 0.0);
    changeFileCtx();
    EXPECT_EQ(keysOf(ctx->fileCtx), "Pass1 ");
}

TEST_F(IntakeTest, LeavingAChangedScanAsksNoKeepsItsFileOkWritesIt)
{
    std::string deep = appDir();
    for (char c = 'a'; c < 'f'; ++c)
        deep += "/" + std::string(60, c);
    g_mkdir_with_parents(deep.c_str(), 0755);
    const std::string a = writeScan(deep + "/chart.tif", "tiff", 60, 40), b = scan("b.tif");
    const std::string stored = "Pass1=1 30.000000 31.000000\n";
    makeFile(a + ".ctx", stored);
    chooseFile(ctx, a);
    changeFileCtx();
    answerDialogs({AnswerNo});
    chooseFile(ctx, b);
    const Dialogs asked = takeDialogs();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].substr(0, asked[0].find('\n')), "vellora question: Save file context " + a + ".ctx ?");
    EXPECT_NE(asked[0].find("search windows and drawn rows) is lost."), std::string::npos) << "No says what is lost";
    EXPECT_EQ(lastDialog().buttons, (std::vector<std::string>{"*_Save", "_Don't save"}));
    EXPECT_EQ(fileContents(a + ".ctx"), stored);

    chooseFile(ctx, a);
    changeFileCtx();
    answerDialogs({AnswerOk});
    chooseFile(ctx, b);
    EXPECT_EQ(takeDialogs().size(), 1u);
    EXPECT_EQ(fileContents(a + ".ctx"), "Pass1=1 10.000000 20.000000\n");
}

TEST_F(IntakeTest, TheRememberedScanIsPreselectedWithEitherSeparator)
{
    const std::string folder = makeAppDir(), file = writeScan(folder + "/chart.tif", "tiff", 20, 20);
    for (const std::string &remembered : {file, folder + "\\chart.tif"}) {
        ASSERT_NO_FATAL_FAILURE(start("", "fileName=" + remembered + "\n"));
        EXPECT_TRUE(waitUntil([this, &file] { return chosenFile(ctx) == file; })) << remembered;
        EXPECT_EQ(chooserFolder(ctx), folder);
    }
}

} // namespace
