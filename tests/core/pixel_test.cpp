#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "inkclassifier.h"
#include "pixel.h"
#include "spanarray.h"

namespace {

RefColor refOf(int r, int g, int b)
{
    RefColor ref;
    const guchar rgb[3] = {(guchar)r, (guchar)g, (guchar)b};
    makeRefColor(ref, rgb);
    return ref;
}

double distanceOf(const RefColor &ref, int r, int g, int b)
{
    const guchar p[3] = {(guchar)r, (guchar)g, (guchar)b};
    return colorDistance(ref, p);
}

const int kRefs[][3] = {{0, 0, 0},     {0, 200, 0},   {0, 0, 200},     {30, 40, 160},
                        {255, 255, 255}, {100, 0, 0}, {180, 120, 60}, {1, 1, 1}};

} // namespace

TEST(PixelAccess, BoundsAndLayout)
{
    // Width 5 makes the rows padded; four channels check the channel stride.
    GdkPixbuf *img = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 5, 4);
    ASSERT_NE(img, nullptr);
    gdk_pixbuf_fill(img, 0x00000000);
    const guchar rgb[3] = {10, 20, 30};
    putPixel(img, 4, 3, rgb);
    guchar *p = gdk_pixbuf_get_pixels(img) + 3 * gdk_pixbuf_get_rowstride(img) + 4 * 4;
    EXPECT_EQ(pixelAddress(img, 4, 3), p);
    EXPECT_EQ(p[2], 30);
    EXPECT_EQ(p[3], 0) << "alpha must stay";

    guchar out[3] = {7, 7, 7};
    EXPECT_EQ(getPixel(img, 4, 3, out), 0);
    EXPECT_EQ(out[0], 10);
    EXPECT_EQ(out[2], 30);

    const int outside[][2] = {{-1, 0}, {0, -1}, {5, 0}, {0, 4}};
    for (auto &xy : outside) {
        guchar keep[3] = {7, 8, 9};
        EXPECT_EQ(getPixel(img, xy[0], xy[1], keep), -1);
        EXPECT_EQ(keep[0], 7);
        EXPECT_EQ(keep[2], 9);
        EXPECT_EQ(pixelAddress(img, xy[0], xy[1]), nullptr);
        putPixel(img, xy[0], xy[1], rgb); // must not write anywhere
    }
    g_object_unref(img);
}

TEST(ColorDistance, WorkedExamples)
{
    RefColor green = refOf(0, 200, 0);
    EXPECT_NEAR(green.norm, 200.0, 1e-12);
    EXPECT_NEAR(distanceOf(green, 10, 190, 5), 15.0 * std::sqrt(125.0), 1e-6);
    EXPECT_NEAR(distanceOf(green, 40, 200, 40), 3200.0, 1e-6);
    EXPECT_NEAR(distanceOf(green, 255, 255, 255), 131553.8, 0.1);

    for (auto &r : kRefs)
        EXPECT_EQ(distanceOf(refOf(r[0], r[1], r[2]), 0, 0, 0), 0.0) << "black is always ink";

    RefColor black = refOf(0, 0, 0);
    EXPECT_EQ(black.unit[0], 0.0);
    EXPECT_NEAR(distanceOf(black, 22, 22, 22), 1452.0, 1e-9);
    EXPECT_NEAR(distanceOf(black, 23, 23, 23), 1587.0, 1e-9);
}

TEST(IsInk, ThresholdCases)
{
    const guchar p22[3] = {22, 22, 22}, p23[3] = {23, 23, 23};
    RefColor black = refOf(0, 0, 0);
    EXPECT_TRUE(isInk(black, p22));
    EXPECT_FALSE(isInk(black, p23));

    // dist 50 times off 30: exactly the threshold, which still counts as ink.
    RefColor blue = refOf(0, 0, 200);
    const guchar exact[3] = {0, 30, 160};
    ASSERT_EQ(colorDistance(blue, exact), kInkDistance);
    EXPECT_TRUE(isInk(blue, exact));
}

// Every colour of the cube against three references; against the others the
// corners and some inner colours of every 16-wide cell of InkClassifier.
TEST(IsInk, AgreesWithColorDistanceEverywhere)
{
    std::vector<int> all, cellPoints;
    for (int v = 0; v < 256; ++v) {
        all.push_back(v);
        if (v % 16 == 0 || v % 16 == 5 || v % 16 == 10 || v % 16 == 15)
            cellPoints.push_back(v);
    }
    int nearThreshold = 0;
    for (int i = 0; i < 8; ++i) {
        const int *r = kRefs[i];
        RefColor ref = refOf(r[0], r[1], r[2]);
        InkClassifier classifier(ref);
        const std::vector<int> &values = i < 3 ? all : cellPoints;
        for (int a : values)
            for (int b : values)
                for (int c : values) {
                    const guchar p[3] = {(guchar)a, (guchar)b, (guchar)c};
                    double d = colorDistance(ref, p);
                    bool expected = d <= kInkDistance;
                    nearThreshold += std::fabs(d - kInkDistance) < 1e-9;
                    if (isInk(ref, p) != expected || classifier.isInk(p) != expected)
                        FAIL() << "ref " << r[0] << "," << r[1] << "," << r[2] << " pixel " << a
                               << "," << b << "," << c << " distance " << d;
                }
    }
    EXPECT_GT(nearThreshold, 0) << "the colours should reach the guard band";
}

TEST(SpanArray, AllocationAndBounds)
{
    for (int n : {0, -3}) {
        SpanArray none(n);
        EXPECT_EQ(none.count, 0);
        EXPECT_EQ(none.getTop(0), -1);
        none.setTop(0, 5); // ignored, no arrays
    }
    SpanArray span(4);
    ASSERT_EQ(span.count, 4);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(span.getBot(x) + span.getTop(x), -2);
    span.setBot(3, 9);
    span.setTop(0, 11);
    span.setBot(4, 1);
    span.setBot(-1, 1);
    EXPECT_EQ(span.getBot(3), 9);
    EXPECT_EQ(span.getTop(0), 11);
    EXPECT_EQ(span.getBot(4), -1);
    EXPECT_EQ(span.getBot(-1), -1);
    EXPECT_EQ(span.bot[2], -1) << "out-of-range sets must not land elsewhere";
    span.reset();
    EXPECT_EQ(span.getBot(3), -1);
    EXPECT_EQ(span.getTop(0), -1);
}
