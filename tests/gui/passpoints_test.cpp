#include "harness.h"
#include "scanfiles.h"
#include "ui.h"

// Pass points on the scan view: the radio group, clicks, nudges, their
// records, and what the view draws.

namespace {

class PassPointTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx = startApp();
        ASSERT_NE(ctx, nullptr);
    }
    void TearDown() override
    {
        if (ctx && ctx->fileCtx.isModified())
            answerDialogs({AnswerNo});  // nothing here is meant to be saved
        stopApp(ctx);
    }

    void openScan(int width, int height)
    {
        const std::string path = writeScan(appWorkDir() + "/scan.tif", "tiff", width, height, 0x606060);
        loadImage(ctx, path.c_str());
        runPending();
        ASSERT_NE(ctx->scanPixbuf, nullptr);
    }

    void clickPoint(const char *radio, double x, double y)
    {
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(uiWidget(ctx, radio)), TRUE);
        pressButton(ctx->widImgScan, x, y);
        releaseButton(ctx->widImgScan, x, y);
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

    MainCtx *ctx = nullptr;
};

bool isYellow(const guchar *p)
{
    return p[0] > 200 && p[1] > 200 && p[2] < 60;
}

bool isLabel(const guchar *p)
{
    return p[0] < 60 && p[1] < 60 && p[2] < 60;
}

// Pixels in the box [x0, x1) x [y0, y1) that pass the test.
int countInBox(const GdkPixbuf *image, int x0, int y0, int x1, int y1, bool (*test)(const guchar *))
{
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            guchar rgb[3];
            pixelAt(image, x, y, rgb);
            count += test(rgb);
        }
    }
    return count;
}

TEST_F(PassPointTest, EachRadioButtonChoosesThePointThatAClickSets)
{
    openScan(300, 200);
    const struct {
        const char *radio, *key;
        int index;
        double x, y;
        const char *stored;
    } points[] = {{"P3", "Pass3", 2, 40, 50, "1 40.000000 50.000000"},
                  {"P1", "Pass2", 1, 70, 20, "1 70.000000 20.000000"},
                  {"P2", "Pass1", 0, 5.5, 6, "1 5.500000 6.000000"}};
    for (const auto &p : points) {
        ctx->dirtyFlags = 0;
        clickPoint(p.radio, p.x, p.y);
        EXPECT_EQ(record(p.key), p.stored);
        EXPECT_EQ(ctx->activePassPoint, p.index) << "the active point does not advance";
        EXPECT_TRUE(ctx->dirtyFlags & PassPointsChanged);
    }

    // Opening a scan starts the points anew with TopLeft active, also in the radio group.
    clickPoint("P3", 10, 10);
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
    for (const char *button : {"up", "right", "right", "down", "down", "left"})
        nudge(button);
    EXPECT_TRUE(ctx->dirtyFlags & PassPointsChanged);
    EXPECT_EQ(record("Pass1"), "1 11.000000 21.000000");
    // Unset points move and are stored too, with their set flag.
    EXPECT_EQ(record("Pass2"), "0 1.000000 1.000000");
    EXPECT_EQ(record("Pass3"), "0 1.000000 1.000000");
}

TEST_F(PassPointTest, ClicksAndNudgesDropTheRecordsOfTheOldGeometry)
{
    openScan(300, 200);
    const char *geometry[] = {"Top0_0001", "Bot1_0002", "Draw0_0003", "AddTemp", "AddHygro"};
    const char *kept[] = {"DatePos1", "DateVal1", "CurveColor", "TimeStep"};
    for (bool click : {true, false}) {
        for (const char *key : geometry)
            ctx->fileCtx.set(key, "1");
        for (const char *key : kept)
            ctx->fileCtx.set(key, "1");
        if (click)
            clickPoint("P1", 30, 40);
        else
            nudge("left");
        for (const char *key : geometry)
            EXPECT_EQ(ctx->fileCtx.get(key), nullptr) << key;
        for (const char *key : kept)
            EXPECT_NE(ctx->fileCtx.get(key), nullptr) << key;
    }
}

TEST_F(PassPointTest, FieldOutlinesAppearOnceAllThreePointsAreSet)
{
    openScan(900, 1000);
    clickPoint("P2", 100, 100);
    clickPoint("P1", 100, 900);
    GdkPixbuf *two = grabWidget(ctx->widImgScan);
    EXPECT_EQ(countInBox(two, 0, 0, 900, 1000, isYellow) - countInBox(two, 60, 60, 140, 140, isYellow) -
                  countInBox(two, 60, 860, 140, 940, isYellow),
              0) << "only the two markers";
    g_object_unref(two);

    clickPoint("P3", 800, 900);
    GdkPixbuf *image = grabWidget(ctx->widImgScan);
    // Edges along TopLeft + BottomRight - BottomLeft and BottomLeft-BottomRight:
    // the temperature field x 100..428.6, the hygrometer field 471.4..800,
    // dashed, with the gap between the fields and the scan beyond them bare.
    // Labels cover the ends near the markers.
    for (int y : {100, 900}) {
        const int temp = countInBox(image, 290, y, 420, y + 1, isYellow);
        const int hygro = countInBox(image, 480, y, 620, y + 1, isYellow);
        EXPECT_TRUE(temp > 30 && temp < 110) << y << ": " << temp;
        EXPECT_TRUE(hygro > 30 && hygro < 120) << y << ": " << hygro;
        EXPECT_EQ(countInBox(image, 436, y - 20, 465, y + 5, isYellow), 0) << y;
    }
    EXPECT_EQ(countInBox(image, 830, 0, 900, 1000, isYellow), 0);
    // The edges across the time axis run up from there, at x 100, 429, 471 and 800.
    for (int x : {100, 429, 471, 800})
        EXPECT_GT(countInBox(image, x, 400, x + 1, 800, isYellow), 100) << x;
    EXPECT_EQ(countInBox(image, 200, 400, 400, 800, isYellow), 0);
    g_object_unref(image);
}

TEST_F(PassPointTest, LabelsMoveLeftOnlyBeyondSixTenthsOfTheWidth)
{
    openScan(600, 300);
    clickPoint("P2", 360, 100);  // x / width = 0.6 exactly: label on the right
    clickPoint("P1", 361, 200);  // just beyond: label 164 pixels left of the centre
    GdkPixbuf *image = grabWidget(ctx->widImgScan);
    EXPECT_GT(countInBox(image, 380, 100, 520, 124, isLabel), 20);
    EXPECT_EQ(countInBox(image, 200, 100, 330, 124, isLabel), 0);
    EXPECT_GT(countInBox(image, 200, 200, 330, 224, isLabel), 20);
    EXPECT_EQ(countInBox(image, 390, 200, 600, 224, isLabel), 0);
    g_object_unref(image);
}

} // namespace
