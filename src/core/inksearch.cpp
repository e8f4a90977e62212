// SPDX-License-Identifier: GPL-3.0-or-later
#include "inksearch.h"

#include <algorithm>
#include <vector>

#include "inkclassifier.h"

void searchWindow(const SpanArray *limitSpan, int x, int h, int *lo, int *hi)
{
    int bot = limitSpan ? limitSpan->getBot(x) : -1;
    int top = limitSpan ? limitSpan->getTop(x) : -1;
    if (bot == -1)
        bot = 0;
    if (top == -1)
        top = h - 1;
    // Rows outside the image hold no ink, so clamping changes no result.
    *lo = std::max(bot, 0);
    *hi = std::min(top, h - 1);
}

void findColumnSpan(const GdkPixbuf *image, const RefColor &ref, int x, int h,
                    const SpanArray *limitSpan, SpanArray *contrastSpan)
{
    int lo, hi;
    searchWindow(limitSpan, x, h, &lo, &hi);
    hi = std::min(hi, gdk_pixbuf_get_height(image) - 1);
    int first = -1, last = -1;
    if (x >= 0 && x < gdk_pixbuf_get_width(image)) {
        const int stride = gdk_pixbuf_get_rowstride(image);
        const guchar *p = pixelAddress(image, x, 0);
        for (int y = lo; y <= hi; ++y) {
            if (isInk(ref, p + (gsize)y * stride)) {
                if (first < 0)
                    first = y;
                last = y;
            }
        }
    }
    contrastSpan->setBot(x, first);
    contrastSpan->setTop(x, last);
}

// The same search as findColumnSpan on every column, but walking the image
// row by row as it lies in memory.
void findCurveSpans(const GdkPixbuf *image, const RefColor &ref, const SpanArray *limitSpan,
                    SpanArray *contrastSpan)
{
    const int w = gdk_pixbuf_get_width(image), h = gdk_pixbuf_get_height(image);
    const int stride = gdk_pixbuf_get_rowstride(image);
    const int channels = gdk_pixbuf_get_n_channels(image);
    const guchar *pixels = gdk_pixbuf_get_pixels(image);
    const InkClassifier classifier(ref);

    std::vector<int> lo(w), hi(w), first(w, -1), last(w, -1);
    int rowMin = h, rowMax = -1;
    for (int x = 0; x < w; ++x) {
        searchWindow(limitSpan, x, h, &lo[x], &hi[x]);
        if (lo[x] <= hi[x]) {
            rowMin = std::min(rowMin, lo[x]);
            rowMax = std::max(rowMax, hi[x]);
        }
    }
    for (int y = rowMin; y <= rowMax; ++y) {
        const guchar *p = pixels + (gsize)y * stride;
        for (int x = 0; x < w; ++x, p += channels) {
            if (y < lo[x] || y > hi[x] || !classifier.isInk(p))
                continue;
            if (first[x] < 0)
                first[x] = y;
            last[x] = y;
        }
    }
    for (int x = 0; x < w; ++x) {
        contrastSpan->setBot(x, first[x]);
        contrastSpan->setTop(x, last[x]);
    }
}
