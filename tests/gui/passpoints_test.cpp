// SPDX-License-Identifier: GPL-3.0-or-later
#include <gdk/gdkkeysyms.h>

#include "coretest.h"
#include "harness.h"
#include "ui.h"

// Pass points on the scan view: clicks at any zoom, the radio advance, nudges
// by buttons and keys, their records, the readout and the field outlines.

namespace {

class PassPointTest : public AppTest {
protected:
    void openScan(int width, int height)
    {
        loadImage(ctx, writeScan(appDir() + "/scan.tif", "tiff", width, height, 0x606060).c_str());
        runPending();
        ASSERT_NE(ctx->scanPixbuf, nullptr);
    }

    void clickPoint(const char *radio, double x, double y)
    {
        setToggle(ctx, radio);
        clickScan(ctx, x, y);
    }
    std::string record(const char *key) { return ctx->fileCtx.get(key) ? ctx->fileCtx.get(key) : "(none)"; }
    std::string points() { return record("Pass1") + "|" + record("Pass2") + "|" + record("Pass3"); }
};

// Pixels in columns x0..x1 and rows y0..y1 drawn in the outline's yellow.
int yellowIn(const Grab &image, int x0, int x1, int y0, int y1) { return image.count(x0, x1, y0, y1, {255, 255, 0}); }

// Each click stores its point and advances the radio; the nudge buttons move
// all three, the arrow keys only the selected one. Any move drops the
// geometry that depends on the points.
TEST_F(PassPointTest, ClicksAndNudgesStoreThePointsAndDropTheOldGeometry)
{
    openScan(300, 200);
    const auto dropsGeometry = [this](const std::function<void()> &move) {  // which records: the core's test
        ctx->fileCtx.set("Top0_0001", "1");
        ctx->dirtyFlags = 0;
        move();
        EXPECT_EQ(record("Top0_0001"), "(none)");
        EXPECT_EQ(ctx->dirtyFlags & PassPointsChanged, PassPointsChanged);
    };
    const char *const radios[] = {"P2", "P1", "P3"};
    const double at[3][2] = {{5.5, 6}, {70, 20}, {40, 50}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(uiWidget(ctx, radios[i])))) << i;
        dropsGeometry([&] { clickScan(ctx, at[i][0], at[i][1]); });
        EXPECT_EQ(ctx->activePassPoint, i < 2 ? i + 1 : 2);
    }
    EXPECT_EQ(points(), "1 5.500000 6.000000|1 70.000000 20.000000|1 40.000000 50.000000");
    dropsGeometry([this] {
        for (const char *button : {"up", "right", "right", "down", "down", "left"})
            clickButton(ctx, button);
    });
    EXPECT_EQ(points(), "1 6.500000 7.000000|1 71.000000 21.000000|1 41.000000 51.000000");
    setToggle(ctx, "P1");
    dropsGeometry([this] {
        for (guint key : {GDK_Left, GDK_Left, GDK_Down})
            pressKey(ctx, key);
    });
    EXPECT_EQ(points(), "1 6.500000 7.000000|1 69.000000 22.000000|1 41.000000 51.000000");
}

// Opened fitted; Control+wheel zooms around the pointer; zoomed in, a click
// sets a point between scan pixels, and the readout names the scan position.
TEST_F(PassPointTest, ZoomKeepsThePointUnderThePointerAndPointsTakeFractions)
{
    openScan(3000, 2400);
    GtkAdjustment *h = scrollOf(ctx->widImgScan, true), *v = scrollOf(ctx->widImgScan, false);
    EXPECT_LE(ctx->scanZoom * 3000, h->page_size + 1);
    EXPECT_LE(ctx->scanZoom * 2400, v->page_size + 1);

    setZoom(ctx, ScanZoom, 1.0, ctx->widImgScan, -1, -1);
    runPending();
    gtk_adjustment_set_value(h, 500);
    gtk_adjustment_set_value(v, 300);
    runPending();
    const double px = 700, py = 450;  // scan pixel (700, 450) under the pointer
    controlScroll(ctx->widImgScan, px, py, GDK_SCROLL_UP);
    controlScroll(ctx->widImgScan, px * ctx->scanZoom, py * ctx->scanZoom, GDK_SCROLL_UP);
    EXPECT_NEAR(ctx->scanZoom, 2.0, 1e-9);
    runPending();
    EXPECT_NEAR(px * 2 - h->value, px - 500, 1.0) << "the point stays where the pointer is";
    EXPECT_NEAR(py * 2 - v->value, py - 300, 1.0);

    setZoom(ctx, ScanZoom, 4.0, ctx->widImgScan, -1, -1);
    runPending();
    click(ctx->widImgScan, 4 * 700 + 1, 4 * 450 + 2);
    EXPECT_EQ(record("Pass1"), "1 700.250000 450.500000");
    movePointer(ctx->widImgScan, 4 * 700 + 3, 4 * 450 + 2);
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(ctx->widReadout)), "scan pixel x 700.8  y 450.5");
}

TEST_F(PassPointTest, FieldOutlinesAppearOnceAllThreePointsAreSet)
{
    openScan(900, 1000);
    setZoom(ctx, ScanZoom, 1.0, ctx->widImgScan, -1, -1);
    clickPoint("P2", 100, 100);
    clickPoint("P1", 100, 900);
    const Grab two(ctx->widImgScan);
    EXPECT_EQ(yellowIn(two, 0, 899, 0, 999), yellowIn(two, 60, 139, 60, 139) + yellowIn(two, 60, 139, 860, 939))
        << "only the two markers";

    clickPoint("P3", 800, 900);
    const Grab image(ctx->widImgScan);
    // Dashed edges along y 100 and 900: the temperature field x 100..428.6,
    // the hygrometer field 471.4..800, the gap between them and the scan
    // beyond them bare. Labels cover the ends near the markers.
    for (int y : {100, 900}) {
        EXPECT_GT(yellowIn(image, 290, 419, y, y), 30) << y;
        EXPECT_LT(yellowIn(image, 290, 419, y, y), 110) << y;
        EXPECT_GT(yellowIn(image, 480, 619, y, y), 30) << y;
        EXPECT_LT(yellowIn(image, 480, 619, y, y), 120) << y;
        EXPECT_EQ(yellowIn(image, 436, 464, y - 20, y + 4), 0) << y;
    }
    EXPECT_EQ(yellowIn(image, 830, 899, 0, 999), 0);
    // The edges across the time axis at x 100, 429, 471 and 800.
    for (int x : {100, 429, 471, 800})
        EXPECT_GT(yellowIn(image, x, x, 400, 799), 100) << x;
    EXPECT_EQ(yellowIn(image, 200, 399, 400, 799), 0);
}

} // namespace
