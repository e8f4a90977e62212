// SPDX-License-Identifier: GPL-3.0-or-later
#include <gdk/gdkkeysyms.h>

#include "harness.h"
#include "ui.h"

// Pass points on the scan view: clicks at any zoom, the radio advance, nudges
// by buttons and keys, their records, the readout and the field outlines.

namespace {

class PassPointTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(ctx = startApp(), nullptr); }
    void TearDown() override { stopApp(ctx); }

    void openScan(int width, int height)
    {
        loadImage(ctx, writeScan(appDir() + "/scan.tif", "tiff", width, height, 0x606060).c_str());
        runPending();
        ASSERT_NE(ctx->scanPixbuf, nullptr);
    }

    void clickPoint(const char *radio, double x, double y)
    {
        setToggle(uiWidget(ctx, radio), true);
        clickScan(ctx, x, y);
    }

    void scrollScan(double x, double y, GdkScrollDirection direction)
    {
        GdkEvent *event = gdk_event_new(GDK_SCROLL);
        event->scroll.window = GDK_WINDOW(g_object_ref(ctx->widImgScan->window));
        event->scroll.send_event = TRUE;
        event->scroll.x = x;
        event->scroll.y = y;
        event->scroll.state = GDK_CONTROL_MASK;
        event->scroll.direction = direction;
        gtk_main_do_event(event);
        gdk_event_free(event);
        runPending();
    }

    GtkAdjustment *scroll(bool horizontal)
    {
        GtkViewport *viewport = GTK_VIEWPORT(gtk_widget_get_parent(ctx->widImgScan));
        return horizontal ? gtk_viewport_get_hadjustment(viewport) : gtk_viewport_get_vadjustment(viewport);
    }

    std::string record(const char *key)
    {
        const char *value = ctx->fileCtx.get(key);
        return value ? value : "(none)";
    }

    MainCtx *ctx = nullptr;
};

// Pixels in the box [x0, x1) x [y0, y1) drawn in the outline's yellow.
int yellowInBox(const GdkPixbuf *image, int x0, int y0, int x1, int y1)
{
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            guchar p[3];
            pixelAt(image, x, y, p);
            count += p[0] > 200 && p[1] > 200 && p[2] < 60;
        }
    }
    return count;
}

TEST_F(PassPointTest, ClicksAndNudgesStoreThePointsAndDropTheOldGeometry)
{
    openScan(300, 200);
    const char *geometry[] = {"Top0_0001", "Bot1_0002", "Draw0_0003", "AddTemp", "AddHygro"};
    auto setRecords = [this, &geometry] {
        for (const char *key : geometry)
            ctx->fileCtx.set(key, "1");
        ctx->fileCtx.set("DatePos1", "1");
        ctx->dirtyFlags = 0;
    };
    auto expectGeometryDropped = [this, &geometry] {
        for (const char *key : geometry)
            EXPECT_EQ(record(key), "(none)") << key;
        EXPECT_EQ(record("DatePos1"), "1");
        EXPECT_TRUE(ctx->dirtyFlags & PassPointsChanged);
    };
    const struct {
        const char *radio, *key;
        double x, y;
        const char *stored;
    } points[] = {{"P3", "Pass3", 40, 50, "1 40.000000 50.000000"},
                  {"P1", "Pass2", 70, 20, "1 70.000000 20.000000"},
                  {"P2", "Pass1", 5.5, 6, "1 5.500000 6.000000"}};
    for (const auto &p : points) {
        setRecords();
        clickPoint(p.radio, p.x, p.y);
        EXPECT_EQ(record(p.key), p.stored);
        expectGeometryDropped();
    }
    EXPECT_EQ(ctx->activePassPoint, 0) << "all set: the last point clicked stays selected";

    setRecords();
    for (const char *button : {"up", "right", "right", "down", "down", "left"}) {
        gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, button)));
        runPending();
    }
    EXPECT_EQ(record("Pass1") + "|" + record("Pass2") + "|" + record("Pass3"),
              "1 6.500000 7.000000|1 71.000000 21.000000|1 41.000000 51.000000");
    expectGeometryDropped();
}

TEST_F(PassPointTest, ClicksAdvanceTheRadioAndArrowKeysMoveOnlyTheSelectedPoint)
{
    openScan(300, 200);
    const char *radios[] = {"P2", "P1", "P3"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(uiWidget(ctx, radios[i])))) << i;
        clickScan(ctx, 20 + 100 * i, 30);
        EXPECT_EQ(ctx->activePassPoint, i < 2 ? i + 1 : 2);
    }
    setToggle(uiWidget(ctx, "P1"), true);
    for (guint key : {GDK_Left, GDK_Left, GDK_Down})
        pressKey(ctx, key);
    EXPECT_EQ(record("Pass2"), "1 118.000000 31.000000");
    EXPECT_EQ(record("Pass1") + "|" + record("Pass3"), "1 20.000000 30.000000|1 220.000000 30.000000");
}

// Opened fitted; Control+wheel zooms around the pointer; zoomed in, a click
// sets a point between scan pixels, and the readout names the scan position.
TEST_F(PassPointTest, ZoomKeepsThePointUnderThePointerAndPointsTakeFractions)
{
    openScan(3000, 2400);
    GtkAdjustment *h = scroll(true), *v = scroll(false);
    EXPECT_LE(ctx->scanZoom * 3000, h->page_size + 1);
    EXPECT_LE(ctx->scanZoom * 2400, v->page_size + 1);
    EXPECT_LT(ctx->scanZoom, 1.0);

    setZoom(ctx, ScanZoom, 1.0, ctx->widImgScan, -1, -1);
    runPending();
    gtk_adjustment_set_value(h, 500);
    gtk_adjustment_set_value(v, 300);
    runPending();
    const double px = 700, py = 450;  // scan pixel (700, 450) under the pointer
    scrollScan(px, py, GDK_SCROLL_UP);
    scrollScan(px * ctx->scanZoom, py * ctx->scanZoom, GDK_SCROLL_UP);
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
    GdkPixbuf *two = grabWidget(ctx->widImgScan);
    EXPECT_EQ(yellowInBox(two, 0, 0, 900, 1000),
              yellowInBox(two, 60, 60, 140, 140) + yellowInBox(two, 60, 860, 140, 940))
        << "only the two markers";
    g_object_unref(two);

    clickPoint("P3", 800, 900);
    GdkPixbuf *image = grabWidget(ctx->widImgScan);
    // Dashed edges along y 100 and 900: the temperature field x 100..428.6,
    // the hygrometer field 471.4..800, the gap between them and the scan
    // beyond them bare. Labels cover the ends near the markers.
    for (int y : {100, 900}) {
        const int temp = yellowInBox(image, 290, y, 420, y + 1);
        const int hygro = yellowInBox(image, 480, y, 620, y + 1);
        EXPECT_TRUE(temp > 30 && temp < 110 && hygro > 30 && hygro < 120) << y << ": " << temp << " " << hygro;
        EXPECT_EQ(yellowInBox(image, 436, y - 20, 465, y + 5), 0) << y;
    }
    EXPECT_EQ(yellowInBox(image, 830, 0, 900, 1000), 0);
    // The edges across the time axis at x 100, 429, 471 and 800.
    for (int x : {100, 429, 471, 800})
        EXPECT_GT(yellowInBox(image, x, 400, x + 1, 800), 100) << x;
    EXPECT_EQ(yellowInBox(image, 200, 400, 400, 800), 0);
    g_object_unref(image);
}

} // namespace
