// SPDX-License-Identifier: GPL-3.0-or-later
#include "knots.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "inkclassifier.h"
#include "inksearch.h"

namespace {

// The weighted ink rows of one column: the knot is sumYW / sumW.
struct InkSums {
    int lo, hi;  // the column's window; empty (lo > hi) when not searched
    double sumW, sumYW;
};

// Adds every ink pixel of row y within its column's window, each weighted by
// the inverse of its colour distance. Walking the rows as they lie in memory
// keeps the image in cache; every column still sums its rows in increasing
// order, so the sums are those of a walk down each column.
void addInkRow(const guchar *row, int channels, const InkClassifier &ink, const RefColor &ref,
               int y, std::vector<InkSums> &columns)
{
    const int n = static_cast<int>(columns.size());
    for (int i = 0; i < n; ++i, row += channels) {
        if (!ink.mayBeInk(row))
            continue;
        InkSums &c = columns[i];
        if (y < c.lo || y > c.hi || !ink.isInk(row))
            continue;
        const double w = 1.0 / (colorDistance(ref, row) + kKnotWeightBias);
        c.sumYW += y * w;
        c.sumW += w;
    }
}

}  // namespace

int extractKnots(const GdkPixbuf *image, const RefColor &ref, const SpanArray *limitSpan,
                 const int *drawPos, int s, int e, int *knotPos, double *knotVal,
                 ProgressFn progress, void *progressUser)
{
    if (!image)
        return 0;
    const int width = gdk_pixbuf_get_width(image);
    const int height = gdk_pixbuf_get_height(image);
    // Marks may come from another geometry; the per-column arrays hold
    // exactly one entry per image column.
    s = std::max(s, 0);
    e = std::min(e, width - 1);
    if (s > e)
        return 0;
    std::vector<InkSums> columns(e - s + 1, InkSums{0, -1, 0.0, 0.0});
    int rowMin = height, rowMax = -1;
    for (int x = s; x <= e; ++x) {
        if (drawPos && drawPos[x] >= 0)
            continue;
        InkSums &c = columns[x - s];
        searchWindow(limitSpan, x, height, &c.lo, &c.hi);
        if (c.lo <= c.hi) {
            rowMin = std::min(rowMin, c.lo);
            rowMax = std::max(rowMax, c.hi);
        }
    }

    const InkClassifier ink(ref);
    const int channels = gdk_pixbuf_get_n_channels(image);
    const double rows = rowMax - rowMin + 1.0;
    for (int y = rowMin; y <= rowMax; ++y) {
        addInkRow(pixelAddress(image, s, y), channels, ink, ref, y, columns);
        if (progress)
            progress(progressUser, (y - rowMin + 1.0) / rows);
    }

    int count = 0;
    for (int x = s; x <= e; ++x) {
        const InkSums &c = columns[x - s];
        if (drawPos && drawPos[x] >= 0)
            knotVal[count] = drawPos[x];
        else if (c.sumW > 0.0)
            knotVal[count] = c.sumYW / c.sumW;
        else
            continue;
        knotPos[count++] = x;
    }
    return count;
}

SplineCurve *fitKnotCurve(const int *knotPos, const double *knotVal, int knotCount,
                          double smoothness, int *fitStatus)
{
    *fitStatus = 1;
    SplineCurve *curve =
        new (std::nothrow) SplineCurve(static_cast<unsigned>(std::max(knotCount, 0)), smoothness);
    if (!curve || curve->begin() != 0)
        return curve;
    for (int i = 0; i < knotCount; ++i)
        curve->add(knotPos[i], knotVal[i]);
    *fitStatus = curve->fit();
    return curve;
}

int knotCoverage(int knotCount, int s, int e)
{
    if (s >= e)
        return 0;
    const double step = 1.0 / (static_cast<double>(e) - s);
    return static_cast<int>(100.0 * step * knotCount + 0.5);
}

double smoothnessWeight(double v)
{
    // 2^k as a 32-bit power of two, hence |k| <= 30.
    const double t = std::trunc(v + 0.5);
    int k = 0;
    if (t >= 30.0)
        k = 30;
    else if (t <= -30.0)
        k = -30;
    else if (!std::isnan(t))
        k = static_cast<int>(t);
    const double power = static_cast<double>(1 << std::abs(k));
    return k >= 0 ? power : 1.0 / power;
}
