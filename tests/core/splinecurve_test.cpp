// SPDX-License-Identifier: GPL-3.0-or-later

#include "coretest.h"
#include "smoothspline.h"
#include "splinecurve.h"
#include "valuescale.h"

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
    const struct { int n, mode; void (*spoil)(Fit &); } cases[] = {
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

// Huge weights interpolate, tiny ones give the least-squares line.
TEST(SmoothSpline, InterpolationAndLeastSquaresLimits)
{
    Fit loose(10), stiff(10);
    std::fill(loose.w.begin(), loose.w.end(), 1e10);
    std::fill(stiff.w.begin(), stiff.w.end(), 1e-10);
    ASSERT_EQ(loose.run(2) + stiff.run(2), 0);
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    const int m = stiff.n + 1;
    for (int i = 0; i < m; ++i)
        sx += stiff.x[i], sy += stiff.y[i], sxx += stiff.x[i] * stiff.x[i], sxy += stiff.x[i] * stiff.y[i];
    const double slope = (m * sxy - sx * sy) / (m * sxx - sx * sx), icpt = (sy - slope * sx) / m;
    for (int i = 0; i < m; ++i) {
        EXPECT_NEAR(loose.a[i], loose.y[i], 1e-6) << i;
        EXPECT_NEAR(stiff.a[i], icpt + slope * stiff.x[i], 1e-5) << i;
    }
}

TEST(SplineCurve, NeedsSixPointsAndTakesNoMore)
{
    SplineCurve five(5, 1.0);
    EXPECT_EQ(five.begin() + five.add(1.0, 1.0) + five.fit(), -3);

    SplineCurve curve(6, 4.0);
    ASSERT_EQ(curve.begin(), 0);
    for (int i = 0; i < 5; ++i) curve.add(10.0 * i, 3.0 + 0.5 * i);
    EXPECT_EQ(curve.fit(), -1) << "a point is missing";
    EXPECT_EQ(curve.add(50.0, 5.5), 0);
    EXPECT_EQ(curve.add(60.0, 1000.0), -1) << "must not overwrite anything";
    ASSERT_EQ(curve.fit(), 0);
    EXPECT_NEAR(curve.value(25.0), 4.25, 1e-12) << "a line fits itself";
    EXPECT_EQ(curve.value(-100.0), curve.value(0.0)) << "constant beyond the ends";
    EXPECT_EQ(curve.value(75.0), curve.value(50.0)) << "constant beyond the ends";

    // begin starts over: a non-increasing point set is the fit's code 3.
    ASSERT_EQ(curve.begin(), 0);
    for (int i = 0; i < 6; ++i) curve.add(i == 3 ? 20.0 : 10.0 * i, 1.0);
    EXPECT_EQ(curve.fit(), 3);
}

// Millimetres of every printed 5 % line, read off a chart.
TEST(HygroScale, FollowsThePrintedScaleClampedWithOffset)
{
    const double printed[21] = {0.0,  7.5,  14.5, 21.0, 26.3, 31.3, 35.8, 39.9, 43.6, 47.0, 50.2,
                                53.2, 56.0, 59.0, 62.0, 65.0, 67.9, 70.5, 74.0, 77.2, 82.0};
    HygroScale scale;
    for (int i = 0; i <= 20; ++i) {
        EXPECT_NEAR(scale.toMM(5.0 * i), printed[i], 0.06) << i;
        EXPECT_NEAR(scale.toPercent(printed[i]), 5.0 * i, 0.2) << i;
    }
    const double clamped[][2] = {{0.0, 0.0}, {82.0, 100.0}, {-5.0, 0.0}, {NAN, 0.0}};  // smoothed slightly below 0 at 0
    for (auto &c : clamped) EXPECT_EQ(scale.toPercent(c[0]), c[1]) << c[0];
    EXPECT_EQ(scale.toMM(150.0), scale.toMM(100.0));
    EXPECT_EQ(scale.toMM(-3.0), scale.toMM(0.0));

    const double at50 = scale.toPercent(50.2), mm40 = scale.toMM(40.0);
    scale.setOffset(2.0);
    EXPECT_DOUBLE_EQ(scale.toPercent(48.2), at50);
    EXPECT_DOUBLE_EQ(scale.toMM(40.0), mm40 - 2.0);
}

// A profile's scale passes through every pair and never turns back between
// them, rising or falling; reading a row and placing its value agree.
TEST(HygroScale, ProfilePairsAreFollowedExactlyAndMonotone)
{
    Params p = defaultParams();
    const double percent[] = {0, 10, 20, 50, 80, 100}, mm[] = {0, 13, 24.5, 51.5, 73.5, 90};
    p.hygroPairCount = 6;
    std::copy(percent, percent + 6, p.hygroPercent);
    std::copy(mm, mm + 6, p.hygroMM);
    const HygroScale scale(p);
    p.hygroPairCount = 2, p.hygroPercent[0] = 100, p.hygroPercent[1] = 0, p.hygroMM[1] = 66;
    HygroScale linear(p);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(scale.toPercent(mm[i]), percent[i], 1e-9) << mm[i];
    double previous = -1.0;
    for (double m = 0.0; m <= 90.0; m += 0.25) {
        const double value = scale.toPercent(m);
        EXPECT_GT(value, previous) << m;
        EXPECT_NEAR(scale.toMM(value), m, 1e-9) << m;
        EXPECT_NEAR(linear.toPercent(m), std::max(0.0, 100.0 - m * 100.0 / 66.0), 1e-9) << m;
        previous = value;
    }
    linear.setOffset(6.0);
    EXPECT_NEAR(linear.toPercent(27.0), 50.0, 1e-9);
}

// A Fahrenheit chart printed 110 F at the outer edge and 0 F at the gap over
// 66 mm, and one printed the other way round: rows and the offset in the
// chart's unit, SEF values in C.
TEST(TempScale, ProfileScaleAndUnit)
{
    Params p = defaultParams();
    p.srcFieldHeightMM = 66.0, p.tempScale[0] = 110.0, p.tempScale[1] = 0.0, p.tempUnit = TempFahrenheit;
    const double offsets[2] = {1.5, 0.0};
    const ValueScales scales(p, offsets);
    EXPECT_NEAR(scales.valueAtRow(0, 8.0 * 33.0), 56.5, 1e-12);
    EXPECT_NEAR(scales.mmOf(0, 56.5), 33.0, 1e-12);
    EXPECT_NEAR(celsiusOf(p, 212.0), 100.0, 1e-12);
    p.tempScale[0] = -35.0, p.tempScale[1] = 45.0, p.tempUnit = TempCelsius;
    EXPECT_NEAR(ValueScales(p, offsets).valueAtRow(0, 8.0 * 66.0), 46.5, 1e-12);
    EXPECT_EQ(celsiusOf(p, 21.5), 21.5);
}
