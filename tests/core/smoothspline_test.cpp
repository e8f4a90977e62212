// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "smoothspline.h"

namespace {

// n + 1 points with irregular abscissae, wavy values and unequal weights.
struct Fit {
    int n;
    std::vector<double> x, y, w, a, b, c, d;
    explicit Fit(int n_) : n(n_), x(n_ + 1), y(n_ + 1), w(n_ + 1), a(n_ + 1), b(n_ + 1), c(n_ + 1), d(n_ + 1)
    {
        for (int i = 0; i <= n; ++i) {
            x[i] = i == 0 ? -3.0 : x[i - 1] + 0.4 + 0.9 * ((i * 7 - 7) % 5) / 4.0;
            y[i] = std::sin(0.8 * x[i]) + 0.3 * ((i * 5) % 3);
            w[i] = 0.5 + (i % 4);
        }
    }
    int run(int mode, double marg0 = 0.0, double margN = 0.0)
    {
        return fitSmoothingSpline(n, x.data(), y.data(), w.data(), mode, marg0, margN, a.data(), b.data(),
                                  c.data(), d.data());
    }
    // k-th derivative of interval i's polynomial at its left (p = 0) or right end.
    double deriv(int i, int k, bool right) const
    {
        const double p = right ? x[i + 1] - x[i] : 0.0;
        const double v[4] = {a[i] + p * (b[i] + p * (c[i] + p * d[i])), b[i] + p * (2 * c[i] + 3 * p * d[i]),
                             2 * c[i] + 6 * d[i] * p, 6 * d[i]};
        return v[k];
    }
};

}  // namespace

// Inputs no spline can be fitted to are refused, whatever the mode.
TEST(SmoothSpline, RefusesUnusableInput)
{
    const struct {
        int n, mode;
        void (*spoil)(Fit &);
    } cases[] = {
        {4, 2, [](Fit &) {}},                                  // too few points
        {6, 2, [](Fit &f) { f.x[6] = f.x[5]; }},               // equal abscissae
        {6, 2, [](Fit &f) { f.w[3] = -1; }},                   // a negative weight
        {6, 9, [](Fit &) {}},                                  // no such end condition
        {5, 4, [](Fit &f) { f.y[5] = f.y[0] + 1; }},           // periodic ends that differ
    };
    for (const auto &t : cases) {
        Fit f(t.n);
        t.spoil(f);
        EXPECT_NE(f.run(t.mode), 0) << "n " << t.n << " mode " << t.mode;
    }
}

// The minimiser is the C2 cubic spline whose third-derivative jump at each
// knot equals the weighted residual there, under the mode's end condition;
// together these fix the solution, so they check each mode completely.
TEST(SmoothSpline, OptimalityAndEndConditionsOfEachMode)
{
    const int n = 11;
    for (int mode = 1; mode <= 4; ++mode) {
        SCOPED_TRACE(mode);
        Fit f(n);
        if (mode == 4)
            f.y[n] = f.y[0], f.w[n] = f.w[0];
        ASSERT_EQ(f.run(mode, 0.7, -0.4), 0);
        for (int i = 0; i <= n; ++i) {
            for (int k = 0; i > 0 && i < n && k < 3; ++k)  // value, slope and curvature continuous
                EXPECT_NEAR(f.deriv(i - 1, k, true), f.deriv(i, k, false), 1e-9) << i << " " << k;
            const double left = i > 0 ? f.d[i - 1] : (mode == 4 ? f.d[n - 1] : 0.0);
            const double right = i < n ? f.d[i] : (mode == 4 ? f.d[0] : 0.0);
            EXPECT_NEAR(f.w[i] * (f.y[i] - f.a[i]), 6 * (right - left), 1e-9) << i;
        }
        EXPECT_NEAR(f.deriv(n - 1, 0, true), f.a[n], 1e-9);
        if (mode == 4) {
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(f.deriv(n - 1, k, true), f.deriv(0, k, false), 1e-9) << k;
        } else {
            EXPECT_NEAR(f.deriv(0, mode, false), 0.7, 1e-9);
            EXPECT_NEAR(f.deriv(n - 1, mode, true), -0.4, 1e-9);
        }
    }
}

// Huge weights interpolate, tiny ones give the least-squares line, and a
// straight line stays itself under any weights.
TEST(SmoothSpline, InterpolationLeastSquaresAndStraightLineLimits)
{
    Fit loose(10), stiff(10), line(10);
    std::fill(loose.w.begin(), loose.w.end(), 1e10);
    std::fill(stiff.w.begin(), stiff.w.end(), 1e-10);
    for (int i = 0; i <= line.n; ++i) line.y[i] = 2.5 * line.x[i] - 1.0;
    ASSERT_EQ(loose.run(2) + stiff.run(2) + line.run(2), 0);
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    const int m = stiff.n + 1;
    for (int i = 0; i < m; ++i)
        sx += stiff.x[i], sy += stiff.y[i], sxx += stiff.x[i] * stiff.x[i], sxy += stiff.x[i] * stiff.y[i];
    const double slope = (m * sxy - sx * sy) / (m * sxx - sx * sx), icpt = (sy - slope * sx) / m;
    for (int i = 0; i < m; ++i) {
        EXPECT_NEAR(loose.a[i], loose.y[i], 1e-6) << i;
        EXPECT_NEAR(stiff.a[i], icpt + slope * stiff.x[i], 1e-5) << i;
        EXPECT_NEAR(line.a[i], line.y[i], 1e-12) << i;
        const int k = std::min(i, line.n - 1);  // the last knot ends interval n-1
        EXPECT_NEAR(std::fabs(line.b[k] - 2.5) + std::fabs(line.c[k]) + std::fabs(line.d[k]), 0.0, 1e-12) << i;
    }
}
