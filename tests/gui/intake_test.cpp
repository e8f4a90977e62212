#include <string>

#include <glib/gstdio.h>

#include "harness.h"
#include "scanfiles.h"
#include "ui.h"

// Opening scans through the chooser page: formats, refusals, the file context
// of each scan and the remembered scan.

namespace {

const char *const kTitleTail = "    vellora, support@vellora.org";

int currentPage(MainCtx *ctx)
{
    return gtk_notebook_get_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook));
}

std::string windowTitle(MainCtx *ctx)
{
    return gtk_window_get_title(GTK_WINDOW(ctx->widMainWindow));
}

class IntakeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx = startApp();
        dir = appWorkDir() + "/scans";
        g_mkdir_with_parents(dir.c_str(), 0755);
        runPending();
        takeDialogs();
    }
    void TearDown() override
    {
        if (ctx->fileCtx.isModified())
            answerDialogs({AnswerNo});
        stopApp(ctx);
    }

    std::string scan(const char *name, const char *type = "tiff", int w = 60, int h = 40)
    {
        return writeScan(dir + "/" + name, type, w, h);
    }

    // A click on the scan view stores a pass point, so the file context changes.
    void changeFileCtx() { pressButton(ctx->widImgScan, 10, 20); }

    MainCtx *ctx = nullptr;
    std::string dir;
};

} // namespace

TEST_F(IntakeTest, OpensThreeChannelTiffJpegAndBmp)
{
    const std::string paths[] = {scan("a.tif", "tiff", 70, 50), scan("b.jpg", "jpeg", 71, 51),
                                 scan("c.bmp", "bmp", 72, 52)};
    for (int i = 0; i < 3; ++i) {
        const std::string &path = paths[i];
        ctx->dirtyFlags = 0;
        chooseFile(ctx, path);
        SCOPED_TRACE(path);
        EXPECT_TRUE(takeDialogs().empty());
        ASSERT_NE(ctx->scanPixbuf, nullptr);
        EXPECT_EQ(gdk_pixbuf_get_n_channels(ctx->scanPixbuf), 3);
        EXPECT_EQ(ctx->imageName, path);
        EXPECT_STREQ(ctx->fileCtx.fileName(), (path + ".ctx").c_str());
        EXPECT_STREQ(ctx->settingsCtx.get("fileName"), path.c_str());
        EXPECT_TRUE(ctx->dirtyFlags & ImageChanged);
        EXPECT_EQ(currentPage(ctx), 1);
        EXPECT_EQ(statusText(ctx), "set and show pass points");
        EXPECT_EQ(windowTitle(ctx), path + kTitleTail);
        int w, h;
        gtk_widget_get_size_request(ctx->widImgScan, &w, &h);
        EXPECT_EQ(w, 70 + i);
        EXPECT_EQ(h, 50 + i);
    }
    gtk_notebook_set_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook), 0);
    runPending();
    EXPECT_EQ(statusText(ctx), "select scanned image to process");
}

TEST_F(IntakeTest, RefusedFilesLeaveTheCurrentScan)
{
    std::string good = scan("good.tif");
    std::string rgbaTiff = writeScan(dir + "/rgba.tif", "tiff", 30, 30, 0x102030, true);
    std::string rgbaPng = writeScan(dir + "/rgba.png", "png", 30, 30, 0x102030, true);
    std::string broken = dir + "/broken.jpg";
    writeFile(broken, "not an image at all");
    chooseFile(ctx, good);
    GdkPixbuf *current = ctx->scanPixbuf;
    const std::string title = windowTitle(ctx);

    answerDialogs({AnswerOk});
    ctx->dirtyFlags = 0;
    chooseFile(ctx, rgbaTiff);
    EXPECT_TRUE(ctx->dirtyFlags & ImageChanged);  // also after a refusal
    // The chooser does not list PNG files; loading one directly is refused as well.
    answerDialogs({AnswerOk});
    loadImage(ctx, rgbaPng.c_str());
    answerDialogs({AnswerOk});
    chooseFile(ctx, broken);

    std::vector<DialogRecord> dialogs = takeDialogs();
    ASSERT_EQ(dialogs.size(), 3u);
    EXPECT_EQ(dialogs[0].title, "vellora error");
    EXPECT_EQ(dialogs[0].text, "wrong number of colorchannels instead of 3 in " + rgbaTiff);
    EXPECT_EQ(dialogs[1].text, "wrong number of colorchannels instead of 3 in " + rgbaPng);
    EXPECT_EQ(dialogs[2].text, "could not load image-file " + broken);
    EXPECT_EQ(ctx->scanPixbuf, current);
    EXPECT_EQ(ctx->imageName, good);
    EXPECT_STREQ(ctx->fileCtx.fileName(), (good + ".ctx").c_str());
    EXPECT_EQ(windowTitle(ctx), title);
    EXPECT_EQ(currentPage(ctx), 0);
}

TEST_F(IntakeTest, SelectingAFolderIsOnlyNavigation)
{
    std::string sub = dir + "/sub";
    g_mkdir(sub.c_str(), 0755);
    ctx->dirtyFlags = 0;
    chooseFile(ctx, sub);
    EXPECT_TRUE(takeDialogs().empty());
    EXPECT_EQ(ctx->scanPixbuf, nullptr);
    EXPECT_EQ(ctx->dirtyFlags, 0);
}

TEST_F(IntakeTest, ReopeningAScanRestoresItsRecords)
{
    std::string a = scan("a.tif"), b = scan("b.tif");
    writeFile(a + ".ctx",
              "AddHygro=-2.250000\nAddTemp=1.500000\nCurveColor= 10 200  30\n"
              "DatePos1=12\nDatePos2=345\nDateVal1=y 2001 m 02 d 03 h 08 m 05\n"
              "DateVal2=y 2001 m 02 d 10 h 17 m 30\nPass1=1 12.500000 40.250000\n"
              "Pass2=1 15.000000 300.000000\nPass3=0 1.000000 2.000000\nTimeStep=10\n");
    chooseFile(ctx, a);
    EXPECT_TRUE(takeDialogs().empty());
    EXPECT_EQ(ctx->passPoints[0].set, 1);
    EXPECT_DOUBLE_EQ(ctx->passPoints[0].x, 12.5);
    EXPECT_DOUBLE_EQ(ctx->passPoints[0].y, 40.25);
    EXPECT_EQ(ctx->passPoints[1].set, 1);
    EXPECT_EQ(ctx->passPoints[2].set, 0);
    EXPECT_EQ(ctx->datePos[0], 12);
    EXPECT_EQ(ctx->datePos[1], 345);
    EXPECT_EQ(ctx->dateVal[0].minute, 5);
    EXPECT_EQ(ctx->dateVal[1].day, 10);
    EXPECT_EQ(ctx->curveColor[1], 200);
    EXPECT_EQ(ctx->refColor.rgb[2], 30);
    GdkColor color;
    gtk_color_button_get_color(GTK_COLOR_BUTTON(ctx->widSelCurveColor), &color);
    EXPECT_EQ(color.red, 10 * 256);
    EXPECT_EQ(color.green, 200 * 256);
    EXPECT_EQ(ctx->timeStep, 10);
    EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ctx->widtimestep10)));
    EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ctx->widtimestep60)));
    EXPECT_DOUBLE_EQ(ctx->subImgData[SubImgTemp].addValue, 1.5);
    EXPECT_DOUBLE_EQ(ctx->hygroScale.getOffset(), -2.25);
    EXPECT_DOUBLE_EQ(gtk_spin_button_get_value(GTK_SPIN_BUTTON(ctx->widAddHygro)), -2.25);
    // Applying the records changed nothing, so leaving the scan asks nothing.
    EXPECT_FALSE(ctx->fileCtx.isModified());

    chooseFile(ctx, b);
    EXPECT_TRUE(takeDialogs().empty());
    // Only the pass points start anew; the rest carries over to a scan without records.
    EXPECT_EQ(ctx->passPoints[0].set + ctx->passPoints[1].set + ctx->passPoints[2].set, 0);
    EXPECT_EQ(ctx->activePassPoint, 0);
    EXPECT_EQ(ctx->datePos[1], 345);
    EXPECT_EQ(ctx->timeStep, 10);
    EXPECT_EQ(ctx->curveColor[0], 10);
}

TEST_F(IntakeTest, RecordsThatDoNotScanAreIgnored)
{
    std::string a = scan("a.tif");
    writeFile(a + ".ctx",
              "AddHygro=1e999\nAddTemp=nan\nCurveColor=nan\nDatePos1=x\n"
              "DateVal1=y 20\nPass1=abc\nPass2=1 5 nan\nTimeStep=30\n");
    chooseFile(ctx, a);
    EXPECT_EQ(ctx->passPoints[0].set, 0);
    EXPECT_EQ(ctx->passPoints[1].set, 0);
    EXPECT_EQ(ctx->datePos[0], -1);
    EXPECT_EQ(ctx->dateVal[0].year, 2000);
    EXPECT_EQ(ctx->dateVal[0].hour, 12);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ctx->curveColor[i], ctx->params->srcInkColor[i]);
    EXPECT_EQ(ctx->timeStep, 60);
    EXPECT_EQ(ctx->subImgData[SubImgTemp].addValue, 0.0);
    EXPECT_EQ(ctx->subImgData[SubImgHygro].addValue, 0.0);
}

TEST_F(IntakeTest, LeavingAChangedScanAsksAndNoKeepsItsFile)
{
    std::string a = scan("a.tif"), b = scan("b.tif");
    const std::string stored = "Pass1=1 30.000000 31.000000\n";
    writeFile(a + ".ctx", stored);
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
    chooseFile(ctx, b);
    EXPECT_EQ(takeDialogs().size(), 1u);
    EXPECT_EQ(readFile(a + ".ctx"), "Pass1=1 10.000000 20.000000\n");
}

TEST_F(IntakeTest, ASaveThatFailsIsReported)
{
    std::string a = scan("a.tif"), b = scan("b.tif");
    g_mkdir((a + ".ctx").c_str(), 0755);  // a folder where the file should go
    chooseFile(ctx, a);
    changeFileCtx();
    answerDialogs({AnswerOk, AnswerOk});
    chooseFile(ctx, b);
    std::vector<DialogRecord> dialogs = takeDialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[1].title, "vellora error");
    EXPECT_EQ(dialogs[1].text, "could not write file context " + a + ".ctx");
}

TEST_F(IntakeTest, LongPathsAreKeptWhole)
{
    std::string deep = dir;
    for (int i = 0; i < 5; ++i)
        deep += "/" + std::string(60, static_cast<char>('a' + i));
    g_mkdir_with_parents(deep.c_str(), 0755);
    std::string path = writeScan(deep + "/chart.tif", "tiff", 20, 20), b = scan("b.tif");
    ASSERT_GT(path.size(), 300u);
    chooseFile(ctx, path);
    EXPECT_EQ(ctx->imageName, path);
    EXPECT_STREQ(ctx->fileCtx.fileName(), (path + ".ctx").c_str());
    changeFileCtx();
    answerDialogs({AnswerOk});
    chooseFile(ctx, b);
    ASSERT_EQ(takeDialogs().size(), 1u);
    EXPECT_TRUE(fileExists(path + ".ctx"));
}

namespace {

struct Remembered {
    MainCtx *ctx;
    std::string file;
};

bool chooserSelectedRemembered(void *data)
{
    Remembered *r = static_cast<Remembered *>(data);
    char *name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(uiWidget(r->ctx, "openfile")));
    bool selected = name && r->file == name;
    g_free(name);
    return selected;
}

// Starts the program with "fileName" naming the scan as given, and expects the
// chooser in the scan's folder with the scan selected.
void expectRememberedScanPreselected(const std::string &remembered, const std::string &folder,
                                     const std::string &file)
{
    std::string workDir = makeWorkDir();
    writeFile(appDirOf(workDir) + "/vellora.ctx", "fileName=" + remembered + "\n");
    MainCtx *ctx = startApp(workDir);
    ASSERT_NE(ctx, nullptr);
    Remembered r{ctx, file};
    EXPECT_TRUE(waitUntil(chooserSelectedRemembered, &r)) << remembered;
    char *current = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(uiWidget(ctx, "openfile")));
    EXPECT_EQ(std::string(current ? current : ""), folder);
    g_free(current);
    takeDialogs();
    stopApp(ctx);
}

} // namespace

TEST(RememberedScan, IsPreselectedWithEitherSeparator)
{
    const std::string folder = makeWorkDir() + "/scans";
    g_mkdir(folder.c_str(), 0755);
    writeScan(folder + "/chart.tif", "tiff", 20, 20);
    expectRememberedScanPreselected(folder + "/chart.tif", folder, folder + "/chart.tif");
    expectRememberedScanPreselected(folder + "\\chart.tif", folder, folder + "/chart.tif");
}
