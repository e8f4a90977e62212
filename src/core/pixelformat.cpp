// SPDX-License-Identifier: GPL-3.0-or-later
#include "pixelformat.h"

namespace {

bool isEightBitRgb(const GdkPixbuf *image)
{
    const int channels = gdk_pixbuf_get_n_channels(image);
    return gdk_pixbuf_get_colorspace(image) == GDK_COLORSPACE_RGB &&
           gdk_pixbuf_get_bits_per_sample(image) == 8 &&
           channels == (gdk_pixbuf_get_has_alpha(image) ? 4 : 3);
}

// c over white with coverage a, both 0..255, rounded.
guchar overWhite(guchar c, guchar a)
{
    return static_cast<guchar>((c * a + 255 * (255 - a) + 127) / 255);
}

void compositeRow(const guchar *src, guchar *dst, int width)
{
    for (int x = 0; x < width; ++x, src += 4, dst += 3) {
        for (int k = 0; k < 3; ++k)
            dst[k] = overWhite(src[k], src[3]);
    }
}

} // namespace

GdkPixbuf *toOpaqueRgb(GdkPixbuf *image)
{
    if (!image)
        return nullptr;
    if (!isEightBitRgb(image)) {
        g_object_unref(image);
        return nullptr;
    }
    if (!gdk_pixbuf_get_has_alpha(image))
        return image;
    const int width = gdk_pixbuf_get_width(image), height = gdk_pixbuf_get_height(image);
    GdkPixbuf *rgb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
    if (rgb) {
        const guchar *src = gdk_pixbuf_read_pixels(image);
        guchar *dst = gdk_pixbuf_get_pixels(rgb);
        const int srcStride = gdk_pixbuf_get_rowstride(image);
        const int dstStride = gdk_pixbuf_get_rowstride(rgb);
        for (int y = 0; y < height; ++y)
            compositeRow(src + (gsize)y * srcStride, dst + (gsize)y * dstStride, width);
    }
    g_object_unref(image);
    return rgb;
}
