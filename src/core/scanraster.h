// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_SCANRASTER_H
#define VELLORA_SCANRASTER_H

// Unchecked, fast reads of an 8-bit scan for the detectors, which test the
// bounds once per profile instead of once per pixel.

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "geometry.h"

// 255 less the luma of an RGB pixel, so that printed lines and ink are high.
inline int darknessOf(const guchar *p) { return 255 - ((77 * p[0] + 150 * p[1] + 29 * p[2]) >> 8); }

class ScanRaster {
public:
    explicit ScanRaster(const GdkPixbuf *scan)
        : pixels(scan ? gdk_pixbuf_read_pixels(scan) : nullptr),
          stride(scan ? gdk_pixbuf_get_rowstride(scan) : 0),
          channels(scan ? gdk_pixbuf_get_n_channels(scan) : 0),
          w(scan ? gdk_pixbuf_get_width(scan) : 0), h(scan ? gdk_pixbuf_get_height(scan) : 0)
    {
        if (!scan || gdk_pixbuf_get_bits_per_sample(scan) != 8 || channels < 3) w = h = 0;
    }

    bool usable() const { return w > 0 && h > 0; }
    int width() const { return w; }
    int height() const { return h; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
    // Inside the area the pixels cover, [-0.5, w - 0.5) x [-0.5, h - 0.5).
    bool containsPoint(Vec2 p) const { return p.x >= -0.5 && p.y >= -0.5 && p.x < w - 0.5 && p.y < h - 0.5; }
    const guchar *at(int x, int y) const { return pixels + size_t(y) * stride + size_t(x) * channels; }
    int darkness(int x, int y) const { return darknessOf(at(x, y)); }

private:
    const guchar *pixels;
    int stride, channels, w, h;
};

#endif
