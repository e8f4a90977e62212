// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_BENCHSCAN_H
#define VELLORA_BENCHSCAN_H

// A scan like a real one for the benchmarks: a 300 dpi chart lying turned by a
// quarter turn and a little more, paper with noise and a printed grid, and an
// ink curve across each field.

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cmath>
#include <cstdint>

#include "cutout.h"
#include "pixel.h"

namespace benchscan {

const guchar kInk[3] = {40, 60, 170};
const double kDpmm = 300.0 / 25.4;
const double kTurnDegrees = 91.5;

struct Noise {
    uint32_t state = 2463534242u;
    int next(int spread)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return (int)(state % (2 * spread + 1)) - spread;
    }
};

inline guchar clampByte(int v) { return (guchar)(v < 0 ? 0 : v > 255 ? 255 : v); }

// Pass points TopLeft, BottomLeft, BottomRight of the chart in the scan.
inline void passPoints(const Params &params, Vec2 pass[3])
{
    double a = kTurnDegrees * M_PI / 180.0;
    Vec2 timeDir{std::cos(a), -std::sin(a)}, acrossDir{std::sin(a), std::cos(a)};
    Vec2 bottomLeft{150.0, 3450.0};
    double W = params.srcFieldWidthMM * kDpmm;
    double B = (2 * params.srcFieldHeightMM + params.srcFieldDistMM) * kDpmm;
    pass[0] = Vec2{bottomLeft.x + W * timeDir.x, bottomLeft.y + W * timeDir.y};
    pass[1] = bottomLeft;
    pass[2] = Vec2{bottomLeft.x + B * acrossDir.x, bottomLeft.y + B * acrossDir.y};
}

// 2500 x 3500 pixels (the chart's time axis runs up the scan).
inline GdkPixbuf *makeScan()
{
    const int w = 2500, h = 3500;
    GdkPixbuf *scan = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h);
    guchar *px = gdk_pixbuf_get_pixels(scan);
    const int stride = gdk_pixbuf_get_rowstride(scan);
    Noise noise;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool grid = x % 47 < 2 || y % 59 < 2;
            guchar *p = px + (size_t)y * stride + 3 * x;
            int n = noise.next(6);
            p[0] = clampByte((grid ? 215 : 248) + n);
            p[1] = clampByte((grid ? 160 : 244) + n);
            p[2] = clampByte((grid ? 140 : 232) + n);
        }
    // A wavy pen line, three pixels wide, along each field.
    const double fieldOffsetMM[2] = {0.0, 92.7};
    for (int y = 0; y < h; ++y)
        for (double offset : fieldOffsetMM) {
            double mm = offset + 41.0 + 25.0 * std::sin(y / 300.0) + 6.0 * std::sin(y / 37.0);
            int cx = (int)(150.0 + mm * kDpmm);
            for (int x = cx - 1; x <= cx + 1; ++x) {
                guchar ink[3];
                for (int k = 0; k < 3; ++k)
                    ink[k] = clampByte(kInk[k] + noise.next(10));
                putPixel(scan, x, y, ink);
            }
        }
    return scan;
}

} // namespace benchscan

#endif
