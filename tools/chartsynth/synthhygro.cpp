// SPDX-License-Identifier: GPL-3.0-or-later
#include "synthhygro.h"

#include <algorithm>
#include <cmath>

namespace {

// Read off the standard chart's printed scale, one line every 5 %.
const double kPrintedMM[21] = {0.0,  7.5,  14.5, 21.0, 26.3, 31.3, 35.8, 39.9, 43.6, 47.0, 50.2,
                               53.2, 56.0, 59.0, 62.0, 65.0, 67.9, 70.5, 74.0, 77.2, 82.0};

} // namespace

double printedTemperatureMM(const Params &profile, double value)
{
    const double outer = profile.tempScale[0], inner = profile.tempScale[1];
    return (outer - value) / (outer - inner) * profile.srcFieldHeightMM;
}

PrintedHygroScale::PrintedHygroScale()
{
    std::vector<double> p(21);
    for (int k = 0; k <= 20; ++k) p[k] = 5.0 * k;
    setLines(p, std::vector<double>(kPrintedMM, kPrintedMM + 21));
}

PrintedHygroScale::PrintedHygroScale(const Params &profile) : PrintedHygroScale()
{
    const int n = profile.hygroPairCount;
    if (n < 2) return;
    std::vector<double> p(profile.hygroPercent, profile.hygroPercent + n);
    std::vector<double> m(profile.hygroMM, profile.hygroMM + n);
    if (p.back() < p.front()) {
        std::reverse(p.begin(), p.end());
        std::reverse(m.begin(), m.end());
    }
    setLines(p, m);
}

// Fritsch-Carlson slopes: a cubic through each pair of lines that never
// overshoots them.
void PrintedHygroScale::setLines(std::vector<double> percentRising, std::vector<double> mmOfThem)
{
    percent = std::move(percentRising);
    mm = std::move(mmOfThem);
    const size_t n = percent.size();
    std::vector<double> secant(n - 1);
    for (size_t k = 0; k + 1 < n; ++k) secant[k] = (mm[k + 1] - mm[k]) / (percent[k + 1] - percent[k]);
    slope.assign(n, 0.0);
    slope[0] = secant[0];
    slope[n - 1] = secant[n - 2];
    for (size_t k = 1; k + 1 < n; ++k)
        slope[k] = secant[k - 1] * secant[k] <= 0.0 ? 0.0 : 0.5 * (secant[k - 1] + secant[k]);
    for (size_t k = 0; k + 1 < n; ++k) {
        const double a = slope[k] / secant[k], b = slope[k + 1] / secant[k];
        const double r = a * a + b * b;
        if (r > 9.0) {
            const double t = 3.0 / std::sqrt(r);
            slope[k] = t * a * secant[k];
            slope[k + 1] = t * b * secant[k];
        }
    }
}

double PrintedHygroScale::toMM(double value) const
{
    const double p = std::clamp(value, percent.front(), percent.back());
    const size_t k = std::min<size_t>(std::upper_bound(percent.begin(), percent.end(), p) - percent.begin(),
                                      percent.size() - 1) - 1;
    const double h = percent[k + 1] - percent[k];
    const double t = (p - percent[k]) / h, t2 = t * t, t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * mm[k] + (t3 - 2 * t2 + t) * h * slope[k] + (-2 * t3 + 3 * t2) * mm[k + 1] +
           (t3 - t2) * h * slope[k + 1];
}
