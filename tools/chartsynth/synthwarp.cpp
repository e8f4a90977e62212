// SPDX-License-Identifier: GPL-3.0-or-later
// Paper that did not lie flat and pass points set a little off.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "synthhard.h"

namespace {

// Bilinear sample of an RGB image at continuous pixel position q (pixel
// centres on integers), the edge repeated beyond the image.
void sample(const guchar *pixels, int stride, int w, int h, Vec2 q, guchar out[3])
{
    double x = std::clamp(q.x, 0.0, w - 1.0), y = std::clamp(q.y, 0.0, h - 1.0);
    int x0 = std::min(int(x), w - 2), y0 = std::min(int(y), h - 2);
    double fx = x - x0, fy = y - y0;
    const guchar *p = pixels + size_t(y0) * stride + 3 * x0;
    for (int i = 0; i < 3; i++) {
        double top = p[i] + fx * (p[3 + i] - p[i]);
        double bottom = p[stride + i] + fx * (p[stride + 3 + i] - p[stride + i]);
        out[i] = guchar(std::lround(top + fy * (bottom - top)));
    }
}

}  // namespace

void curlPaper(const ChartLayout &L, double curlMM, Rng &rng, GdkPixbuf *scan)
{
    const int w = gdk_pixbuf_get_width(scan), h = gdk_pixbuf_get_height(scan);
    if (curlMM <= 0 || w < 2 || h < 2) return;
    const int stride = gdk_pixbuf_get_rowstride(scan);
    guchar *pixels = gdk_pixbuf_get_pixels(scan);
    const std::vector<guchar> flat(pixels, pixels + size_t(h - 1) * stride + 3 * w);
    // A bump of cos^2 shape, 50 mm wide, somewhere in the middle of the week.
    const double centre = rng.uniform(0.3, 0.7) * L.W, halfWidth = 25.0;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            Vec2 P = L.scanToPaper({double(x), double(y)});
            double t = (L.fieldBottom - P.y - centre) / halfWidth;
            if (std::fabs(t) >= 1.0) continue;
            double c = std::cos(0.5 * M_PI * t);
            // The content at u shows what lay flat at u - shift; u runs against paper y.
            Vec2 source = L.paperToScan({P.x, P.y + curlMM * c * c});
            sample(flat.data(), stride, w, h, source, pixels + size_t(y) * stride + 3 * x);
        }
}

void misplacePassPoints(double errorPx, Rng &rng, SynthChart &chart)
{
    for (Vec2 &p : chart.pass) {
        double a = rng.uniform(0, 2 * M_PI);
        p = {p.x + errorPx * std::cos(a), p.y + errorPx * std::sin(a)};
    }
}
