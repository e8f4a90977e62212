#include <gtest/gtest.h>

#include <vector>

#include "coretest.h"
#include "pixelformat.h"

namespace {

std::vector<int> pixelOf(const GdkPixbuf *image, int x, int y)
{
    const guchar *p = gdk_pixbuf_read_pixels(image) + y * gdk_pixbuf_get_rowstride(image) +
                      x * gdk_pixbuf_get_n_channels(image);
    return std::vector<int>(p, p + gdk_pixbuf_get_n_channels(image));
}

} // namespace

// A pixel with alpha shows what it would on white paper; rows are read by
// their stride (an odd width pads them).
TEST(ToOpaqueRgb, CompositesAlphaOnWhite)
{
    GdkPixbuf *rgba = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 3, 2);
    const guchar pixels[2][3][4] = {{{10, 20, 30, 255}, {10, 20, 30, 0}, {0, 100, 200, 128}},
                                    {{255, 0, 0, 1}, {0, 0, 0, 254}, {77, 77, 77, 255}}};
    for (int y = 0; y < 2; ++y)
        std::copy(&pixels[y][0][0], &pixels[y][0][0] + 12, gdk_pixbuf_get_pixels(rgba) + y * gdk_pixbuf_get_rowstride(rgba));
    PixbufPtr rgb(toOpaqueRgb(rgba));
    ASSERT_TRUE(rgb);
    EXPECT_EQ(gdk_pixbuf_get_n_channels(rgb.get()), 3);
    EXPECT_FALSE(gdk_pixbuf_get_has_alpha(rgb.get()));
    const std::vector<int> expected[2][3] = {{{10, 20, 30}, {255, 255, 255}, {127, 177, 227}},
                                             {{255, 254, 254}, {1, 1, 1}, {77, 77, 77}}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(pixelOf(rgb.get(), x, y), expected[y][x]) << x << "," << y;
}

// An RGB image is handed back as it is; a grey file arrives as RGB.
TEST(ToOpaqueRgb, KeepsRgbAndReadsGreyFiles)
{
    const guchar grey[3] = {90, 90, 90};
    GdkPixbuf *plain = solidImage(4, 4, grey).release();
    EXPECT_EQ(toOpaqueRgb(plain), plain);
    g_object_unref(plain);
    EXPECT_EQ(toOpaqueRgb(nullptr), nullptr);

    makeFile("grey.pgm", std::string("P5\n3 1\n255\n\x00\x80\xff", 14));
    PixbufPtr loaded(toOpaqueRgb(gdk_pixbuf_new_from_file("grey.pgm", nullptr)));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(gdk_pixbuf_get_n_channels(loaded.get()), 3);
    EXPECT_EQ(pixelOf(loaded.get(), 1, 0), std::vector<int>({128, 128, 128}));
}
