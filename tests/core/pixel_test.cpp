// SPDX-License-Identifier: GPL-3.0-or-later

#include "coretest.h"
#include "inkclassifier.h"

const int kRefs[][3] = {{0, 0, 0},   {0, 200, 0},    {0, 0, 200},     {30, 40, 160},
                        {100, 0, 0}, {180, 120, 60}, {255, 255, 255}, {1, 1, 1}};

// Width 5 pads the rows; four channels check the channel stride and that
// alpha stays. Nothing outside the image is read or written.
TEST(PixelAccess, BoundsAndLayout)
{
    PixbufPtr img(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 5, 4));
    gdk_pixbuf_fill(img.get(), 0);
    const guchar rgb[3] = {10, 20, 30};
    for (auto &xy : {std::make_pair(-1, 0), std::make_pair(0, -1), std::make_pair(5, 0), std::make_pair(0, 4)}) {
        guchar keep[3] = {7, 8, 9};
        EXPECT_EQ(getPixel(img.get(), xy.first, xy.second, keep), -1);
        EXPECT_EQ(std::vector<guchar>(keep, keep + 3), std::vector<guchar>({7, 8, 9}));
        EXPECT_EQ(pixelAddress(img.get(), xy.first, xy.second), nullptr);
        putPixel(img.get(), xy.first, xy.second, rgb);
    }
    putPixel(img.get(), 4, 3, rgb);
    const guchar *p = gdk_pixbuf_get_pixels(img.get()) + 3 * gdk_pixbuf_get_rowstride(img.get()) + 4 * 4;
    EXPECT_EQ(pixelAddress(img.get(), 4, 3), p);
    EXPECT_EQ(std::vector<guchar>(p - 16, p + 4), std::vector<guchar>({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 20, 30, 0}));
}

TEST(ColorDistance, WorkedExamplesAndThreshold)
{
    const struct { int ref[3], p[3]; double distance; } cases[] = {
        {{0, 200, 0}, {10, 190, 5}, 15.0 * std::sqrt(125.0)}, {{0, 200, 0}, {40, 200, 40}, 3200.0},
        {{0, 200, 0}, {255, 255, 255}, 131553.8},           {{0, 0, 0}, {22, 22, 22}, 1452.0},
        {{0, 0, 0}, {23, 23, 23}, 1587.0},
        {{0, 0, 200}, {0, 30, 160}, 1500.0},  // 50 times off 30: exactly the threshold still counts
    };
    for (const auto &c : cases) {
        const guchar p[3] = {(guchar)c.p[0], (guchar)c.p[1], (guchar)c.p[2]};
        const RefColor ref = refOf(c.ref[0], c.ref[1], c.ref[2]);
        EXPECT_NEAR(colorDistance(ref, p), c.distance, 0.1) << c.p[0] << "," << c.p[1] << "," << c.p[2];
        EXPECT_EQ(isInk(ref, p), c.distance <= 1500.0) << c.p[0] << "," << c.p[1] << "," << c.p[2];
    }
    const guchar black[3] = {0, 0, 0};
    for (auto &r : kRefs) EXPECT_EQ(colorDistance(refOf(r[0], r[1], r[2]), black), 0.0) << "black is ink for " << r[0];
}

// The shortcuts of isInk and InkClassifier must decide exactly as
// colorDistance: at the corners and centre of every 16-wide classifier cell,
// and on the threshold itself.
TEST(IsInk, AgreesWithColorDistance)
{
    auto agree = [](const RefColor &ref, const InkClassifier &classifier, int a, int b, int c) {
        const guchar p[3] = {(guchar)a, (guchar)b, (guchar)c};
        const bool ink = colorDistance(ref, p) <= kInkDistance;
        return isInk(ref, p) == ink && classifier.isInk(p) == ink;
    };
    std::vector<int> values;
    for (int v = 0; v < 256; v += 16) values.insert(values.end(), {v, v + 7, v + 15});
    for (auto &r : kRefs) {
        const RefColor ref = refOf(r[0], r[1], r[2]);
        const InkClassifier classifier(ref);
        for (int a : values)
            for (int b : values)
                for (int c : values)
                    if (!agree(ref, classifier, a, b, c))
                        FAIL() << "ref " << r[0] << "," << r[1] << "," << r[2] << " pixel " << a << "," << b << "," << c;
    }
    // 1500 in exact arithmetic; rounding puts them on either side.
    const int band[][6] = {{0, 200, 0, 0, 240, 30}, {0, 200, 0, 0, 160, 30}, {0, 0, 200, 18, 24, 240},
                           {180, 120, 60, 100, 70, 50}, {180, 120, 60, 110, 58, 44}};
    for (auto &t : band) {
        const RefColor ref = refOf(t[0], t[1], t[2]);
        EXPECT_TRUE(agree(ref, InkClassifier(ref), t[3], t[4], t[5])) << t[3] << "," << t[4] << "," << t[5];
    }
}
