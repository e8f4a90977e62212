#include "knots.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "inkclassifier.h"
#include "inksearch.h"

namespace {

// Centre of the ink pixels of column x between rows lo and hi, each weighted
// by the inverse of its colour distance; false when the window holds no ink.
bool inkCentre(const GdkPixbuf *image, const InkClassifier &ink, const RefColor &ref, int x,
               int lo, int hi, double *row)
{
    if (lo > hi)
        return false;
    const int stride = gdk_pixbuf_get_rowstride(image);
    const guchar *column = pixelAddress(image, x, 0);
    double sumW = 0.0, sumYW = 0.0;
    for (int y = lo; y <= hi; ++y) {
        const guchar *p = column + (gsize)y * stride;
        if (!ink.isInk(p))
            continue;
        const double w = 1.0 / (colorDistance(ref, p) + kKnotWeightBias);
        sumYW += y * w;
        sumW += w;
    }
    if (!(sumW > 0.0))
        return false;
    *row = sumYW / sumW;
    return true;
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
    const double step = s < e ? 1.0 / (e - s) : 0.0;
    const InkClassifier ink(ref);
    int count = 0;
    for (int x = s; x <= e; ++x) {
        double row;
        bool found;
        if (drawPos && drawPos[x] >= 0) {
            row = drawPos[x];
            found = true;
        } else {
            int lo, hi;
            searchWindow(limitSpan, x, height, &lo, &hi);
            found = inkCentre(image, ink, ref, x, lo, hi, &row);
        }
        if (found) {
            knotPos[count] = x;
            knotVal[count] = row;
            ++count;
        }
        if (progress)
            progress(progressUser, (x - s) * step);
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
