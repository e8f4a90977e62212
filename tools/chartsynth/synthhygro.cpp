#include "synthhygro.h"

#include <algorithm>
#include <cmath>

namespace {

// Read off the printed scale, one line every 5 %.
const double kPrintedMM[21] = {0.0,  7.5,  14.5, 21.0, 26.3, 31.3, 35.8, 39.9, 43.6, 47.0, 50.2,
                               53.2, 56.0, 59.0, 62.0, 65.0, 67.9, 70.5, 74.0, 77.2, 82.0};
const double kStep = 5.0;

} // namespace

// Fritsch-Carlson slopes: a cubic through each pair of lines that never
// overshoots them.
PrintedHygroScale::PrintedHygroScale()
{
    double secant[20];
    for (int k = 0; k < 20; ++k)
        secant[k] = (kPrintedMM[k + 1] - kPrintedMM[k]) / kStep;
    slope[0] = secant[0];
    slope[20] = secant[19];
    for (int k = 1; k < 20; ++k)
        slope[k] = secant[k - 1] * secant[k] <= 0.0 ? 0.0 : 0.5 * (secant[k - 1] + secant[k]);
    for (int k = 0; k < 20; ++k) {
        const double a = slope[k] / secant[k], b = slope[k + 1] / secant[k];
        const double r = a * a + b * b;
        if (r > 9.0) {
            const double t = 3.0 / std::sqrt(r);
            slope[k] = t * a * secant[k];
            slope[k + 1] = t * b * secant[k];
        }
    }
}

double PrintedHygroScale::toMM(double percent) const
{
    const double p = std::clamp(percent, 0.0, 100.0);
    const int k = std::min(static_cast<int>(p / kStep), 19);
    const double t = (p - k * kStep) / kStep, t2 = t * t, t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * kPrintedMM[k] + (t3 - 2 * t2 + t) * kStep * slope[k] +
           (-2 * t3 + 3 * t2) * kPrintedMM[k + 1] + (t3 - t2) * kStep * slope[k + 1];
}
