#include <glib/gstdio.h>

#include "harness.h"
#include "scanfiles.h"
#include "ui.h"

// Opening scans through the chooser page: formats, refusals, the file context
// of each scan and the remembered scan.

namespace {

class IntakeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx = startApp();
        ASSERT_NE(ctx, nullptr);
        dir = appWorkDir() + "/scans";
        g_mkdir(dir.c_str(), 0755);
    }
    void TearDown() override
    {
        if (ctx && ctx->fileCtx.isModified())
            answerDialogs({AnswerNo});
        stopApp(ctx);
    }

    std::string scan(const std::string &name) { return writeScan(dir + "/" + name, "tiff", 60, 40); }
    // A click on the scan view stores a pass point, so the file context changes.
    void changeFileCtx() { pressButton(ctx->widImgScan, 10, 20); }
    std::string title() { return gtk_window_get_title(GTK_WINDOW(ctx->widMainWindow)); }

    MainCtx *ctx = nullptr;
    std::string dir;
};

TEST_F(IntakeTest, OpensTiffJpegAndBmp)
{
    const struct {
        const char *name, *type;
        int width;
    } formats[] = {{"a.tif", "tiff", 70}, {"b.jpg", "jpeg", 71}, {"c.bmp", "bmp", 72}};
    for (const auto &f : formats) {
        const std::string path = writeScan(dir + "/" + f.name, f.type, f.width, 50);
        SCOPED_TRACE(path);
        ctx->dirtyFlags = 0;
        chooseFile(ctx, path);
        EXPECT_TRUE(takeDialogs().empty());
        ASSERT_NE(ctx->scanPixbuf, nullptr);
        EXPECT_EQ(gdk_pixbuf_get_n_channels(ctx->scanPixbuf), 3);
        EXPECT_EQ(ctx->imageName, path);
        EXPECT_STREQ(ctx->fileCtx.fileName(), (path + ".ctx").c_str());
        EXPECT_STREQ(ctx->settingsCtx.get("fileName"), path.c_str());
        EXPECT_TRUE(ctx->dirtyFlags & ImageChanged);
        EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook)), 1);
        EXPECT_EQ(statusText(ctx), "set and show pass points");
        EXPECT_EQ(title(), path + "    vellora, support@vellora.org");
        int w, h;
        gtk_widget_get_size_request(ctx->widImgScan, &w, &h);
        EXPECT_EQ(w * 1000 + h, f.width * 1000 + 50);
    }
}

TEST_F(IntakeTest, ImageFilterTakesTheScanSuffixesInEitherCase)
{
    GtkFileFilter *images = gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(uiWidget(ctx, "openfile")));
    ASSERT_NE(images, nullptr);
    EXPECT_STREQ(gtk_file_filter_get_name(images), "images");
    const struct {
        const char *name;
        bool listed;
    } files[] = {{"CHART.TIF", true}, {"x.tif", true}, {"x.JPG", true}, {"x.bmp", true},
                 {"x.png", false}};
    for (const auto &f : files) {
        GtkFileFilterInfo info = {};
        info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
        info.display_name = f.name;
        EXPECT_EQ(gtk_file_filter_filter(images, &info) != FALSE, f.listed) << f.name;
    }
}

TEST_F(IntakeTest, RefusedFilesAndFoldersLeaveTheCurrentScan)
{
    const std::string good = scan("good.tif"), broken = dir + "/broken.jpg", folder = dir + "/sub";
    const std::string rgba = writeScan(dir + "/rgba.tif", "tiff", 30, 30, 0x102030, true);
    writeFile(broken, "not an image at all");
    g_mkdir(folder.c_str(), 0755);
    chooseFile(ctx, good);
    GdkPixbuf *current = ctx->scanPixbuf;
    const std::string before = title();

    answerDialogs({AnswerOk, AnswerOk});
    for (const std::string &path : {rgba, broken, folder})  // a folder is only navigation
        chooseFile(ctx, path);
    std::vector<DialogRecord> dialogs = takeDialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].title, "vellora error");
    EXPECT_EQ(dialogs[0].text, "wrong number of colorchannels instead of 3 in " + rgba);
    EXPECT_EQ(dialogs[1].text, "could not load image-file " + broken);
    EXPECT_EQ(ctx->scanPixbuf, current);
    EXPECT_EQ(ctx->imageName, good);
    EXPECT_STREQ(ctx->fileCtx.fileName(), (good + ".ctx").c_str());
    EXPECT_EQ(title(), before);
}

TEST_F(IntakeTest, ReopeningAScanRestoresItsRecords)
{
    const std::string a = scan("a.tif"), b = scan("b.tif");
    writeFile(a + ".ctx", "AddHygro=-2.250000\nAddTemp=1.500000\nCurveColor= 10 200  30\n"
                          "DatePos2=345\nDateVal1=y 2001 m 02 d 03 h 08 m 05\n"
                          "Pass1=1 12.500000 40.250000\nPass3=0 1.000000 2.000000\nTimeStep=10\n");
    chooseFile(ctx, a);
    EXPECT_TRUE(takeDialogs().empty());
    EXPECT_EQ(ctx->passPoints[0].set, 1);
    EXPECT_DOUBLE_EQ(ctx->passPoints[0].x, 12.5);
    EXPECT_DOUBLE_EQ(ctx->passPoints[0].y, 40.25);
    EXPECT_EQ(ctx->passPoints[2].set, 0);
    EXPECT_EQ(ctx->datePos[1], 345);
    EXPECT_EQ(ctx->dateVal[0].hour * 100 + ctx->dateVal[0].minute, 805);
    GdkColor color;
    gtk_color_button_get_color(GTK_COLOR_BUTTON(ctx->widSelCurveColor), &color);
    EXPECT_EQ(color.green, 200 * 256);
    EXPECT_EQ(ctx->curveColor[1], 200);
    EXPECT_EQ(ctx->timeStep, 10);
    EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ctx->widtimestep10)));
    EXPECT_DOUBLE_EQ(ctx->subImgData[SubImgTemp].addValue, 1.5);
    EXPECT_DOUBLE_EQ(gtk_spin_button_get_value(GTK_SPIN_BUTTON(ctx->widAddHygro)), -2.25);
    // Applying the records changed nothing, so leaving the scan asks nothing.
    EXPECT_FALSE(ctx->fileCtx.isModified());

    chooseFile(ctx, b);
    EXPECT_TRUE(takeDialogs().empty());
    // Only the pass points start anew; the rest carries over to a scan without records.
    EXPECT_EQ(ctx->passPoints[0].set, 0);
    EXPECT_EQ(ctx->datePos[1], 345);
}

TEST_F(IntakeTest, RecordsThatDoNotScanAreIgnored)
{
    const std::string a = scan("a.tif");
    writeFile(a + ".ctx", "AddHygro=1e999\nAddTemp=nan\nCurveColor=nan\nDatePos1=x\n"
                          "DateVal1=y 20\nPass1=abc\nPass2=1 5 nan\nTimeStep=30\n");
    chooseFile(ctx, a);
    EXPECT_EQ(ctx->passPoints[0].set + ctx->passPoints[1].set, 0);
    EXPECT_EQ(ctx->datePos[0], -1);
    EXPECT_EQ(ctx->dateVal[0].year * 100 + ctx->dateVal[0].hour, 200012);
    EXPECT_EQ(ctx->curveColor[0], ctx->params->srcInkColor[0]);
    EXPECT_EQ(ctx->timeStep, 60);
    EXPECT_EQ(ctx->subImgData[SubImgTemp].addValue, 0.0);
    EXPECT_EQ(ctx->subImgData[SubImgHygro].addValue, 0.0);
}

TEST_F(IntakeTest, LeavingAChangedScanAsksNoKeepsItsFileOkWritesIt)
{
    const std::string a = scan("a.tif"), b = scan("b.tif"), c = scan("c.tif");
    const std::string stored = "Pass1=1 30.000000 31.000000\n";
    writeFile(a + ".ctx", stored);
    g_mkdir((c + ".ctx").c_str(), 0755);  // a folder where the file should go
    chooseFile(ctx, a);
    changeFileCtx();
    answerDialogs({AnswerNo});
    chooseFile(ctx, b);
    std::vector<DialogRecord> dialogs = takeDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, "vellora question");
    EXPECT_EQ(dialogs[0].text, "Save file context " + a + ".ctx ?");
    EXPECT_EQ(readFile(a + ".ctx"), stored);

    chooseFile(ctx, a);
    EXPECT_TRUE(takeDialogs().empty());
    EXPECT_DOUBLE_EQ(ctx->passPoints[0].x, 30.0);
    changeFileCtx();
    answerDialogs({AnswerOk});
    chooseFile(ctx, c);
    EXPECT_EQ(takeDialogs().size(), 1u);
    EXPECT_EQ(readFile(a + ".ctx"), "Pass1=1 10.000000 20.000000\n");

    changeFileCtx();
    answerDialogs({AnswerOk, AnswerOk});
    chooseFile(ctx, b);
    dialogs = takeDialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[1].title, "vellora error");
    EXPECT_EQ(dialogs[1].text, "could not write file context " + c + ".ctx");
}

TEST_F(IntakeTest, LongPathsAreKeptWhole)
{
    std::string deep = dir;
    for (char c = 'a'; c < 'f'; ++c)
        deep += "/" + std::string(60, c);
    g_mkdir_with_parents(deep.c_str(), 0755);
    const std::string path = writeScan(deep + "/chart.tif", "tiff", 20, 20), b = scan("b.tif");
    chooseFile(ctx, path);
    EXPECT_EQ(ctx->imageName, path);
    changeFileCtx();
    answerDialogs({AnswerOk});
    chooseFile(ctx, b);
    ASSERT_EQ(takeDialogs().size(), 1u);
    EXPECT_TRUE(g_file_test((path + ".ctx").c_str(), G_FILE_TEST_EXISTS));
}

TEST(RememberedScan, IsPreselectedWithEitherSeparator)
{
    const std::string folder = makeWorkDir() + "/scans", file = folder + "/chart.tif";
    g_mkdir(folder.c_str(), 0755);
    writeScan(file, "tiff", 20, 20);
    for (const std::string &remembered : {file, folder + "\\chart.tif"}) {
        SCOPED_TRACE(remembered);
        const std::string base = makeWorkDir();
        writeFile(appDirOf(base) + "/vellora.ctx", "fileName=" + remembered + "\n");
        MainCtx *ctx = startApp(base);
        ASSERT_NE(ctx, nullptr);
        EXPECT_TRUE(waitUntil([ctx, &file] { return chosenFile(ctx) == file; }));
        gchar *current = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(uiWidget(ctx, "openfile")));
        EXPECT_STREQ(current, folder.c_str());
        g_free(current);
        stopApp(ctx);
    }
}

} // namespace
