// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_CORETEST_H
#define VELLORA_CORETEST_H

// Small helpers shared by the core unit tests, and what they all include.

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "chartsynth.h"  // PixbufPtr
#include "datetime.h"
#include "filectx.h"
#include "params.h"
#include "pixel.h"

// A new RGB image without alpha, every pixel rgb.
PixbufPtr solidImage(int w, int h, const guchar rgb[3]);
// True when pixel (x, y) lies inside and equals rgb.
bool pixelIs(const GdkPixbuf *image, int x, int y, const guchar rgb[3]);
RefColor refOf(int r, int g, int b);
// A scan as the program loads it; null, with a failure, when it cannot be.
PixbufPtr loadedScan(const std::string &path);

// Pixels in columns x0..x1, rows y0..y1 (clipped) for which match holds.
int countPixels(const GdkPixbuf *image, int x0, int x1, int y0, int y1,
                const std::function<bool(const guchar *rgb)> &match);

// An image file decoded again, for counting its pixels; empty when it cannot be.
struct DecodedImage {
    PixbufPtr image;
    int width() const { return image ? gdk_pixbuf_get_width(image.get()) : 0; }
    int height() const { return image ? gdk_pixbuf_get_height(image.get()) : 0; }
    // Pixels in the box, the whole image by default, whose colour passes the test.
    int count(bool (*test)(const guchar *), int x0 = 0, int y0 = 0, int x1 = 1 << 30, int y1 = 1 << 30) const
    {
        return image ? countPixels(image.get(), x0, x1 - 1, y0, y1 - 1, test) : 0;
    }
};
DecodedImage decodedImage(const std::string &path);

Params defaultParams();
// The middle value; NaN for none.
double median(std::vector<double> v);

std::string fileContents(const std::string &path);
void makeFile(const std::string &path, const std::string &bytes);

// The keys of ctx in order, each followed by a blank.
std::string keysOf(const FileCtx &ctx);

DateTime at(int year, int month, int day, int hour, int minute);
// "YYYY-MM-DD hh:mm", for comparing whole time stamps in one assertion.
std::string stamp(int year, int month, int day, int hour, int minute);
inline std::string stamp(const DateTime &dt) { return stamp(dt.year, dt.month, dt.day, dt.hour, dt.minute); }

// Switches the process to a German locale (decimal comma), generated into a
// folder of the test's own; false when that is not possible.
bool useDecimalCommaLocale();

// A ProgressFn that appends each fraction to the std::vector<double> at user.
inline void recordProgress(void *user, double f) { static_cast<std::vector<double> *>(user)->push_back(f); }

#endif
