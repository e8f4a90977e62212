// SPDX-License-Identifier: GPL-3.0-or-later
#include "splinecurve.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <new>

#include "params.h"
#include "smoothspline.h"

namespace {

// The fit needs at least six points.
const unsigned kMinPoints = 6;

double *newArray(unsigned size)
{
    return new (std::nothrow) double[size]();
}

}  // namespace

// The printed scale, one row per 5 %: millimetres of 0, 5, ..., 100 %.
static const double kHygroTableMM[21] = {
    0.0,  7.5,  14.5, 21.0, 26.3, 31.3, 35.8, 39.9, 43.6, 47.0, 50.2,
    53.2, 56.0, 59.0, 62.0, 65.0, 67.9, 70.5, 74.0, 77.2, 82.0,
};

SplineCurve::SplineCurve(unsigned count, double weight)
    : capacity(count < kMinPoints ? 0 : count), y(nullptr), x(nullptr), w(nullptr), a(nullptr),
      b(nullptr), c(nullptr), d(nullptr), ready(0), weight(weight), added(0)
{
    if (capacity == 0)
        return;
    double **arrays[] = {&y, &x, &w, &a, &b, &c, &d};
    bool all = true;
    for (double **array : arrays) {
        *array = newArray(capacity + 1);
        all = all && *array;
    }
    ready = all ? 1 : 0;
}

SplineCurve::~SplineCurve()
{
    for (double *array : {y, x, w, a, b, c, d})
        delete[] array;
}

int SplineCurve::begin()
{
    added = 0;
    return ready ? 0 : -1;
}

int SplineCurve::add(double xv, double yv)
{
    if (added >= capacity)
        return -1;
    x[added] = xv;
    y[added] = yv;
    ++added;
    return 0;
}

int SplineCurve::fit()
{
    if (!ready || added != capacity)
        return -1;
    for (unsigned i = 0; i < capacity; ++i)
        w[i] = weight;
    return fitSmoothingSpline(static_cast<int>(capacity) - 1, x, y, w, 2, 0.0, 0.0, a, b, c, d);
}

double SplineCurve::value(double xv) const
{
    if (!ready)
        return 0.0;
    const unsigned last = capacity - 1;
    if (xv < x[0])
        xv = x[0];
    if (xv > x[last])
        xv = x[last];
    return evalSpline(static_cast<int>(last), x, a, b, c, d, xv);
}

MonotoneCurve::MonotoneCurve(const double *x, const double *y, int n)
{
    if (n < 2)
        return;
    xs.assign(x, x + n);
    ys.assign(y, y + n);
    std::vector<double> secant(n - 1);
    for (int k = 0; k + 1 < n; ++k)
        secant[k] = (y[k + 1] - y[k]) / (x[k + 1] - x[k]);
    slopes.assign(n, 0.0);
    slopes[0] = secant[0];
    slopes[n - 1] = secant[n - 2];
    for (int k = 1; k + 1 < n; ++k)
        slopes[k] = 0.5 * (secant[k - 1] + secant[k]);
    // Slopes beyond three times the secant would overshoot.
    for (int k = 0; k + 1 < n; ++k) {
        const double a = slopes[k] / secant[k], b = slopes[k + 1] / secant[k];
        const double r = a * a + b * b;
        if (r > 9.0) {
            const double t = 3.0 / std::sqrt(r);
            slopes[k] = t * a * secant[k];
            slopes[k + 1] = t * b * secant[k];
        }
    }
}

int MonotoneCurve::segmentOf(double x) const
{
    const int last = static_cast<int>(xs.size()) - 2;
    const int k = static_cast<int>(std::upper_bound(xs.begin(), xs.end(), x) - xs.begin()) - 1;
    return std::clamp(k, 0, last);
}

double MonotoneCurve::valueIn(int k, double x) const
{
    const double h = xs[k + 1] - xs[k];
    const double t = (x - xs[k]) / h, t2 = t * t, t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * ys[k] + (t3 - 2 * t2 + t) * h * slopes[k] +
           (-2 * t3 + 3 * t2) * ys[k + 1] + (t3 - t2) * h * slopes[k + 1];
}

double MonotoneCurve::value(double x) const
{
    if (empty())
        return 0.0;
    const double c = std::clamp(x, xs.front(), xs.back());
    return valueIn(segmentOf(c), c);
}

double MonotoneCurve::inverse(double y) const
{
    if (empty())
        return 0.0;
    // y rises or falls with x throughout; bisect in the segment holding y.
    const double sign = ys.back() > ys.front() ? 1.0 : -1.0;
    const double target = sign * y;
    if (!(target > sign * ys.front()))
        return xs.front();
    if (target >= sign * ys.back())
        return xs.back();
    int k = 0;
    while (sign * ys[k + 1] < target)
        ++k;
    double lo = xs[k], hi = xs[k + 1];
    for (int i = 0; i < 60 && lo < hi; ++i) {
        const double mid = 0.5 * (lo + hi);
        (sign * valueIn(k, mid) < target ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

HygroScale::HygroScale()
    : offset(0.0), lowPercent(0.0), highPercent(100.0), percentToMM(21, 1.0), mmToPercent(21, 1.0)
{
    fitBuiltIn();
}

HygroScale::HygroScale(const Params &params)
    : offset(0.0), lowPercent(0.0), highPercent(100.0), percentToMM(21, 1.0), mmToPercent(21, 1.0)
{
    const int n = params.hygroPairCount;
    if (n < 2) {
        fitBuiltIn();
        return;
    }
    // The curve runs over rising percent: a falling scale is read backwards.
    const bool falling = params.hygroPercent[n - 1] < params.hygroPercent[0];
    std::vector<double> percent(params.hygroPercent, params.hygroPercent + n);
    std::vector<double> mm(params.hygroMM, params.hygroMM + n);
    if (falling) {
        std::reverse(percent.begin(), percent.end());
        std::reverse(mm.begin(), mm.end());
    }
    lowPercent = percent.front();
    highPercent = percent.back();
    pairs = MonotoneCurve(percent.data(), mm.data(), n);
}

void HygroScale::fitBuiltIn()
{
    percentToMM.begin();
    mmToPercent.begin();
    for (int i = 0; i < 21; ++i) {
        percentToMM.add(5.0 * i, kHygroTableMM[i]);
        mmToPercent.add(kHygroTableMM[i], 5.0 * i);
    }
    percentToMM.fit();
    mmToPercent.fit();
}

double HygroScale::toPercent(double mm) const
{
    double r = pairs.empty() ? mmToPercent.value(mm + offset) : pairs.inverse(mm + offset);
    if (!(r >= lowPercent))
        r = lowPercent;
    if (r > highPercent)
        r = highPercent;
    return r;
}

double HygroScale::toMM(double percent) const
{
    double p = percent;
    if (!(p >= lowPercent))
        p = lowPercent;
    if (p > highPercent)
        p = highPercent;
    return (pairs.empty() ? percentToMM.value(p) : pairs.value(p)) - offset;
}
