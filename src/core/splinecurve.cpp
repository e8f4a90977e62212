#include "splinecurve.h"

#include <initializer_list>
#include <new>

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

HygroScale::HygroScale() : offset(0.0), percentToMM(21, 1.0), mmToPercent(21, 1.0)
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
    double r = mmToPercent.value(mm + offset);
    if (!(r >= 0.0))
        r = 0.0;
    if (r > 100.0)
        r = 100.0;
    return r;
}

double HygroScale::toMM(double percent) const
{
    double p = percent;
    if (!(p >= 0.0))
        p = 0.0;
    if (p > 100.0)
        p = 100.0;
    return percentToMM.value(p) - offset;
}
