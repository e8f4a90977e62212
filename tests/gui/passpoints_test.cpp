#include <string>

#include "harness.h"
#include "scanfiles.h"
#include "ui.h"

// Pass points on the scan view: the radio group, clicks, nudges, their
// records, and what the view draws.

namespace {

const unsigned kGrey = 0x606060;

class PassPointTest : public ::testing::Test {
protected:
    void SetUp() override { ctx = startApp(); }
    void TearDown() override
    {
        // Nothing here is meant to be saved.
        if (ctx->fileCtx.isModified())
            answerDialogs({AnswerNo});
        stopApp(ctx);
    }

    void openScan(int width, int height)
    {
        std::string path = writeScan(appWorkDir() + "/scan.tif", "tiff", width, height, kGrey);
        loadImage(ctx, path.c_str());
        runPending();
        ASSERT_NE(ctx->scanPixbuf, nullptr);
    }

    void choosePoint(const char *radio)
    {
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(uiWidget(ctx, radio)), TRUE);
        runPending();
    }

    void clickPoint(const char *radio, double x, double y)
    {
        choosePoint(radio);
        pressButton(ctx->widImgScan, x, y);
        releaseButton(ctx->widImgScan, x, y);
        runPending();
    }

    // The scan view scrolls in its viewport; only what is on the screen is drawn.
    void showScanBottom()
    {
        GtkViewport *viewport = GTK_VIEWPORT(gtk_widget_get_parent(ctx->widImgScan));
        GtkAdjustment *v = gtk_viewport_get_vadjustment(viewport);
        gtk_adjustment_set_value(v, v->upper - v->page_size);
        runPending();
    }

    void nudge(const char *button)
    {
        gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, button)));
        runPending();
    }

    std::string record(const char *key)
    {
        const char *value = ctx->fileCtx.get(key);
        return value ? value : "(none)";
    }

    // Records that depend on the field geometry, and some that do not.
    void storeSideRecords()
    {
        const char *keys[] = {"Top0_0001", "Bot1_0002", "Draw0_0003", "AddTemp", "AddHygro",
                              "DatePos1", "DateVal1", "CurveColor", "TimeStep"};
        for (const char *key : keys)
            ctx->fileCtx.set(key, "1");
    }

    void expectOnlyGeometryRecordsRemoved()
    {
        for (const char *gone : {"Top0_0001", "Bot1_0002", "Draw0_0003", "AddTemp", "AddHygro"})
            EXPECT_EQ(ctx->fileCtx.get(gone), nullptr) << gone;
        for (const char *kept : {"DatePos1", "DateVal1", "CurveColor", "TimeStep"})
            EXPECT_NE(ctx->fileCtx.get(kept), nullptr) << kept;
    }

    MainCtx *ctx = nullptr;
};

bool isYellow(const guchar *p)
{
    return p[0] > 200 && p[1] > 200 && p[2] < 60;
}

bool isBlack(const guchar *p)
{
    return p[0] < 60 && p[1] < 60 && p[2] < 60;
}

// Pixels along a horizontal (dx = 1) or vertical (dy = 1) run from (x, y)
// that pass the test.
int countPixels(const GdkPixbuf *image, int x, int y, int dx, int dy, int n,
                bool (*test)(const guchar *))
{
    int count = 0;
    for (int i = 0; i < n; ++i) {
        guchar rgb[3];
        pixelAt(image, x + i * dx, y + i * dy, rgb);
        count += test(rgb);
    }
    return count;
}

// Pixels in the box [x0, x1) x [y0, y1) that pass the test.
int countInBox(const GdkPixbuf *image, int x0, int y0, int x1, int y1,
               bool (*test)(const guchar *))
{
    int count = 0;
    for (int y = y0; y < y1; ++y)
        count += countPixels(image, x0, y, 1, 0, x1 - x0, test);
    return count;
}

} // namespace

TEST_F(PassPointTest, RadioButtonsChooseThePointThatAClickSets)
{
    openScan(300, 200);
    EXPECT_EQ(ctx->activePassPoint, 0);
    choosePoint("P3");
    EXPECT_EQ(ctx->activePassPoint, 2);
    choosePoint("P1");
    EXPECT_EQ(ctx->activePassPoint, 1);
    choosePoint("P2");
    EXPECT_EQ(ctx->activePassPoint, 0);

    ctx->dirtyFlags = 0;
    clickPoint("P3", 40, 50);
    EXPECT_EQ(ctx->passPoints[2].set, 1);
    EXPECT_DOUBLE_EQ(ctx->passPoints[2].x, 40.0);
    EXPECT_DOUBLE_EQ(ctx->passPoints[2].y, 50.0);
    EXPECT_EQ(ctx->passPoints[0].set, 0);
    EXPECT_EQ(ctx->activePassPoint, 2);  // the active point does not advance
    EXPECT_TRUE(ctx->dirtyFlags & PassPointsChanged);
    EXPECT_EQ(record("Pass3"), "1 40.000000 50.000000");
    EXPECT_EQ(record("Pass1"), "(none)");

    clickPoint("P3", 70, 20);
    clickPoint("P2", 5, 6);
    EXPECT_EQ(record("Pass3"), "1 70.000000 20.000000");
    EXPECT_EQ(record("Pass1"), "1 5.000000 6.000000");

    // Opening a scan starts the points anew with TopLeft active, also in the radio group.
    choosePoint("P3");
    openScan(300, 200);
    EXPECT_EQ(ctx->passPoints[2].set, 0);
    EXPECT_EQ(ctx->activePassPoint, 0);
    EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(uiWidget(ctx, "P2"))));
}

TEST_F(PassPointTest, NudgesMoveAndStoreEveryPoint)
{
    openScan(300, 200);
    clickPoint("P2", 10, 20);
    ctx->dirtyFlags = 0;
    nudge("up");
    EXPECT_TRUE(ctx->dirtyFlags & PassPointsChanged);
    nudge("right");
    nudge("right");
    nudge("down");
    nudge("down");
    nudge("left");
    EXPECT_EQ(record("Pass1"), "1 11.000000 21.000000");
    // Unset points move and are stored too, with their set flag.
    EXPECT_EQ(record("Pass2"), "0 1.000000 1.000000");
    EXPECT_EQ(record("Pass3"), "0 1.000000 1.000000");
}

TEST_F(PassPointTest, ClicksAndNudgesDropTheRecordsOfTheOldGeometry)
{
    openScan(300, 200);
    storeSideRecords();
    clickPoint("P1", 30, 40);
    expectOnlyGeometryRecordsRemoved();
    storeSideRecords();
    nudge("left");
    expectOnlyGeometryRecordsRemoved();
}

TEST_F(PassPointTest, FieldOutlinesAppearOnceAllThreePointsAreSet)
{
    openScan(900, 1000);
    clickPoint("P2", 100, 100);
    clickPoint("P1", 100, 900);
    showScanBottom();
    GdkPixbuf *two = grabWidget(ctx->widImgScan);
    EXPECT_EQ(countInBox(two, 290, 896, 900, 905, isYellow), 0);
    EXPECT_EQ(countPixels(two, 429, 400, 0, 1, 400, isYellow), 0);
    g_object_unref(two);

    clickPoint("P3", 800, 900);
    showScanBottom();
    GdkPixbuf *image = grabWidget(ctx->widImgScan);
    // Edges along BottomLeft-BottomRight: the temperature field x 100..428.6,
    // the hygrometer field 471.4..800, dashed, with the gap between the fields
    // and the scan beyond them bare. Labels cover the ends near the markers.
    int temp = countPixels(image, 290, 900, 1, 0, 130, isYellow);
    int hygro = countPixels(image, 480, 900, 1, 0, 140, isYellow);
    EXPECT_GT(temp, 30);
    EXPECT_LT(temp, 110);
    EXPECT_GT(hygro, 30);
    EXPECT_LT(hygro, 120);
    EXPECT_EQ(countInBox(image, 436, 880, 465, 905, isYellow), 0);
    EXPECT_EQ(countInBox(image, 830, 600, 900, 1000, isYellow), 0);
    // The edges across the time axis run up from there, at x 100, 429, 471 and 800.
    for (int x : {100, 429, 471, 800})
        EXPECT_GT(countPixels(image, x, 400, 0, 1, 400, isYellow), 100) << x;
    EXPECT_EQ(countInBox(image, 200, 400, 400, 800, isYellow), 0);
    g_object_unref(image);
}

TEST_F(PassPointTest, LabelsMoveLeftOnlyBeyondSixTenthsOfTheWidth)
{
    openScan(600, 300);
    clickPoint("P2", 360, 100);  // x / width = 0.6 exactly: label on the right
    clickPoint("P1", 361, 200);  // just beyond: label 164 pixels left of the centre
    GdkPixbuf *image = grabWidget(ctx->widImgScan);
    EXPECT_GT(countInBox(image, 380, 100, 520, 124, isBlack), 20);
    EXPECT_EQ(countInBox(image, 200, 100, 330, 124, isBlack), 0);
    EXPECT_GT(countInBox(image, 200, 200, 330, 224, isBlack), 20);
    EXPECT_EQ(countInBox(image, 390, 200, 600, 224, isBlack), 0);
    // Markers: yellow ring, cross arms that leave the centre free.
    guchar rgb[3];
    pixelAt(image, 360 + 11, 100 - 11, rgb);
    EXPECT_TRUE(isYellow(rgb));
    pixelAt(image, 360 - 15, 100, rgb);
    EXPECT_TRUE(isBlack(rgb));
    pixelAt(image, 360, 100, rgb);
    EXPECT_FALSE(isBlack(rgb));
    g_object_unref(image);
}
