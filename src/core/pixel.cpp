// SPDX-License-Identifier: GPL-3.0-or-later
#include "pixel.h"

#include <cmath>

guchar *pixelAddress(const GdkPixbuf *image, int x, int y)
{
    if (x < 0 || y < 0 || x >= gdk_pixbuf_get_width(image) || y >= gdk_pixbuf_get_height(image))
        return nullptr;
    return gdk_pixbuf_get_pixels(image) + (gsize)y * gdk_pixbuf_get_rowstride(image) +
           (gsize)x * gdk_pixbuf_get_n_channels(image);
}

int getPixel(const GdkPixbuf *image, int x, int y, guchar rgb[3])
{
    const guchar *p = pixelAddress(image, x, y);
    if (!p)
        return -1;
    rgb[0] = p[0];
    rgb[1] = p[1];
    rgb[2] = p[2];
    return 0;
}

void putPixel(GdkPixbuf *image, int x, int y, const guchar rgb[3])
{
    guchar *p = pixelAddress(image, x, y);
    if (!p)
        return;
    p[0] = rgb[0];
    p[1] = rgb[1];
    p[2] = rgb[2];
}

void makeRefColor(RefColor &ref, const guchar rgb[3])
{
    int sumSq = 0;
    for (int k = 0; k < 3; ++k) {
        ref.rgb[k] = rgb[k];
        sumSq += rgb[k] * rgb[k];
    }
    ref.norm = std::sqrt((double)sumSq);
    for (int k = 0; k < 3; ++k)
        ref.unit[k] = rgb[k] / (1e-7 + ref.norm);
}

// Squared distance of p from the line through black and the reference colour.
static inline double offLineSquared(const RefColor &ref, const guchar p[3])
{
    double s = 0.0;
    for (int k = 0; k < 3; ++k)
        s += (double)p[k] * ref.unit[k];
    double sum = 0.0;
    for (int k = 0; k < 3; ++k) {
        double e = (double)p[k] - s * ref.unit[k];
        sum += e * e;
    }
    return sum;
}

static inline int distSquared(const RefColor &ref, const guchar p[3])
{
    int sum = 0;
    for (int k = 0; k < 3; ++k) {
        int d = (int)p[k] - (int)ref.rgb[k];
        sum += d * d;
    }
    return sum;
}

double colorDistance(const RefColor &ref, const guchar p[3])
{
    return std::sqrt((double)distSquared(ref, p)) * std::sqrt(offLineSquared(ref, p));
}

bool isInk(const RefColor &ref, const guchar p[3])
{
    // dist^2 * off^2 differs from colorDistance^2 only by a few roundings, far
    // inside this band; only products within it need the exact computation.
    const double limitSq = kInkDistance * kInkDistance;
    const double band = 1e-9 * limitSq;
    double product = (double)distSquared(ref, p) * offLineSquared(ref, p);
    if (product < limitSq - band)
        return true;
    if (product > limitSq + band)
        return false;
    return colorDistance(ref, p) <= kInkDistance;
}
