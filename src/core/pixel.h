// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_PIXEL_H
#define VELLORA_PIXEL_H

#include <gdk-pixbuf/gdk-pixbuf.h>

// Bounds-tested access to 8-bit pixbuf pixels.
guchar *pixelAddress(const GdkPixbuf *image, int x, int y);
// 0 and the pixel's first three bytes in rgb; -1 (rgb untouched) outside.
int getPixel(const GdkPixbuf *image, int x, int y, guchar rgb[3]);
// Writes the three bytes when (x, y) lies inside; otherwise does nothing.
void putPixel(GdkPixbuf *image, int x, int y, const guchar rgb[3]);

// The ink colour to follow and its direction from black.
struct RefColor {
    guchar rgb[3];
    double norm;
    double unit[3];
};

// A pixel is ink when its colour distance is at most this.
const double kInkDistance = 1500.0;

void makeRefColor(RefColor &ref, const guchar rgb[3]);
// Euclidean distance from the reference times the distance from the line
// through black and the reference.
double colorDistance(const RefColor &ref, const guchar p[3]);
// colorDistance(ref, p) <= kInkDistance, decided without square roots where
// the result is certain; exactly the same decision.
bool isInk(const RefColor &ref, const guchar p[3]);

#endif
