// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <vector>

#include "coretest.h"
#include "pixelformat.h"

namespace {

std::vector<int> pixelOf(const GdkPixbuf *image, int x, int y)
{
    const int n = gdk_pixbuf_get_n_channels(image);
    const guchar *p = gdk_pixbuf_read_pixels(image) + y * gdk_pixbuf_get_rowstride(image) + x * n;
    return std::vector<int>(p, p + n);
}

} // namespace

// A pixel with alpha shows what it would on white paper; rows are read by
// their stride (an odd width pads them). An RGB image passes as it is.
TEST(ToOpaqueRgb, CompositesAlphaOnWhiteAndKeepsRgb)
{
    GdkPixbuf *rgba = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 3, 2);
    const guchar pixels[2][12] = {{10, 20, 30, 255, 10, 20, 30, 0, 0, 100, 200, 128},
                                  {255, 0, 0, 1, 0, 0, 0, 254, 77, 77, 77, 255}};
    for (int y = 0; y < 2; ++y)
        std::copy(pixels[y], pixels[y] + 12, gdk_pixbuf_get_pixels(rgba) + y * gdk_pixbuf_get_rowstride(rgba));
    PixbufPtr rgb(toOpaqueRgb(rgba));
    ASSERT_TRUE(rgb);
    EXPECT_EQ(gdk_pixbuf_get_n_channels(rgb.get()), 3);
    const std::vector<int> expected[2][3] = {{{10, 20, 30}, {255, 255, 255}, {127, 177, 227}},
                                             {{255, 254, 254}, {1, 1, 1}, {77, 77, 77}}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(pixelOf(rgb.get(), x, y), expected[y][x]) << x << "," << y;

    GdkPixbuf *plain = solidImage(4, 4, pixels[1] + 8).release();
    EXPECT_EQ(toOpaqueRgb(plain), plain);
    g_object_unref(plain);
}
