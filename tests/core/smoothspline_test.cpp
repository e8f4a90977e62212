#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "smoothspline.h"

namespace {

struct Fit {
    int n;
    std::vector<double> x, y, w, a, b, c, d;
    explicit Fit(int n_) : n(n_), x(n_ + 1), y(n_ + 1), w(n_ + 1, 1.0), a(n_ + 1), b(n_ + 1),
                           c(n_ + 1), d(n_ + 1) {}
    int run(int mode, double marg0 = 0.0, double margN = 0.0)
    {
        return fitSmoothingSpline(n, x.data(), y.data(), w.data(), mode, marg0, margN, a.data(),
                                  b.data(), c.data(), d.data());
    }
    double h(int i) const { return x[i + 1] - x[i]; }
    // Value, slope and curvature of interval i's polynomial at its right end.
    double endValue(int i) const { double p = h(i); return a[i] + p * (b[i] + p * (c[i] + p * d[i])); }
    double endSlope(int i) const { double p = h(i); return b[i] + p * (2 * c[i] + 3 * p * d[i]); }
    double endCurv(int i) const { return 2 * c[i] + 6 * d[i] * h(i); }
    double eval(double xv) const
    {
        return evalSpline(n, x.data(), a.data(), b.data(), c.data(), d.data(), xv);
    }
};

// Irregular abscissae, wavy values and unequal weights.
Fit irregular(int n, double weightScale = 1.0)
{
    Fit f(n);
    double xv = -3.0;
    for (int i = 0; i <= n; ++i) {
        f.x[i] = xv;
        xv += 0.4 + 0.9 * ((i * 7) % 5) / 4.0;
        f.y[i] = std::sin(0.8 * f.x[i]) + 0.3 * ((i * 5) % 3);
        f.w[i] = weightScale * (0.5 + (i % 4));
    }
    return f;
}

double tol(double scale) { return 1e-9 * (1.0 + std::fabs(scale)); }

}  // namespace

TEST(SmoothSpline, ResultCodesInOrder)
{
    Fit f = irregular(5);
    EXPECT_EQ(f.run(2), 0);
    Fit few = irregular(4);
    few.w[0] = 0.0;
    EXPECT_EQ(few.run(9), 2);

    Fit eq = irregular(6);
    eq.x[6] = eq.x[5];  // equal pair at the very end
    eq.w[2] = -1.0;
    EXPECT_EQ(eq.run(9), 3);

    Fit zw = irregular(6);
    zw.w[6] = 0.0;
    EXPECT_EQ(zw.run(0), 5);
    zw.w[6] = -2.0;
    EXPECT_EQ(zw.run(2), 5);

    Fit m = irregular(6);
    EXPECT_EQ(m.run(0), 6);
    EXPECT_EQ(m.run(5), 6);

    Fit per = irregular(5);
    per.y[5] = per.y[0] + 1.0;
    EXPECT_EQ(per.run(4), 4);
    per.y[5] = per.y[0];
    per.w[5] = per.w[0] + 1.0;
    EXPECT_EQ(per.run(4), 4);
    per.w[5] = per.w[0];
    EXPECT_EQ(per.run(4), -1);
}

TEST(SmoothSpline, StraightLineIsReproducedForAnyWeights)
{
    Fit f = irregular(9);
    for (int i = 0; i <= f.n; ++i)
        f.y[i] = 2.5 * f.x[i] - 1.0;
    ASSERT_EQ(f.run(2), 0);
    for (int i = 0; i < f.n; ++i) {
        EXPECT_NEAR(f.c[i], 0.0, 1e-12);
        EXPECT_NEAR(f.d[i], 0.0, 1e-12);
        EXPECT_NEAR(f.a[i], f.y[i], 1e-12);
        EXPECT_NEAR(f.b[i], 2.5, 1e-12);
    }
    EXPECT_NEAR(f.a[f.n], f.y[f.n], 1e-12);
}

// The band system written out densely from its defining formulas.
TEST(SmoothSpline, SolutionSatisfiesBandSystem)
{
    Fit f = irregular(8);
    const double marg0 = 0.6, margN = -1.4;
    ASSERT_EQ(f.run(2, marg0, margN), 0);
    const int n = f.n;
    EXPECT_DOUBLE_EQ(f.c[0], marg0 / 2);
    EXPECT_DOUBLE_EQ(f.c[n], margN / 2);
    std::vector<double> h(n), g(n), q(n + 1), s(n - 1);
    for (int i = 0; i < n; ++i) {
        h[i] = f.h(i);
        g[i] = 1 / h[i];
    }
    for (int i = 0; i <= n; ++i)
        q[i] = 6 / f.w[i];
    for (int i = 0; i + 1 < n; ++i)
        s[i] = g[i] + g[i + 1];
    auto A = [&](int i, int j) -> double {  // i, j in 0..n, inner rows only
        if (j < i)
            std::swap(i, j);
        if (i == j)
            return 2 * (h[i - 1] + h[i]) + q[i - 1] * g[i - 1] * g[i - 1] + q[i] * s[i - 1] * s[i - 1] +
                   q[i + 1] * g[i] * g[i];
        const double si1 = i == 0 ? g[0] : s[i - 1], si = i == n - 1 ? g[n - 1] : s[i];
        if (j == i + 1)
            return h[i] - q[i] * g[i] * si1 - q[i + 1] * g[i] * si;
        return j == i + 2 ? q[i + 1] * g[i] * g[i + 1] : 0.0;
    };
    for (int i = 1; i < n; ++i) {
        double lhs = 0;
        for (int j = std::max(0, i - 2); j <= std::min(n, i + 2); ++j)
            lhs += A(i, j) * f.c[j];
        const double r = 3 * (g[i] * (f.y[i + 1] - f.y[i]) - g[i - 1] * (f.y[i] - f.y[i - 1]));
        EXPECT_NEAR(lhs, r, tol(r)) << "row " << i;
    }
}

// Whatever the end condition, the result must be a C2 cubic spline whose
// third-derivative jump at each knot equals the weighted residual there
// (the optimality condition), and the end condition must hold.
class SmoothSplineMode : public ::testing::TestWithParam<int> {};

TEST_P(SmoothSplineMode, OptimalityAndEndConditions)
{
    const int mode = GetParam();
    Fit f = irregular(11);
    const double marg0 = 0.7, margN = -0.4;
    if (mode == 4) {
        f.y[f.n] = f.y[0];
        f.w[f.n] = f.w[0];
    }
    ASSERT_EQ(f.run(mode, marg0, margN), 0);
    const int n = f.n;
    for (int i = 1; i < n; ++i) {
        EXPECT_NEAR(f.endValue(i - 1), f.a[i], tol(f.a[i])) << i;
        EXPECT_NEAR(f.endSlope(i - 1), f.b[i], tol(f.b[i])) << i;
        EXPECT_NEAR(f.endCurv(i - 1), 2 * f.c[i], tol(f.c[i])) << i;
        EXPECT_NEAR(f.w[i] * (f.y[i] - f.a[i]), 6 * (f.d[i] - f.d[i - 1]), tol(f.d[i])) << i;
    }
    const double jump0 = 6 * f.d[0] - (mode == 4 ? 6 * f.d[n - 1] : 0.0);
    EXPECT_NEAR(f.w[0] * (f.y[0] - f.a[0]), jump0, tol(jump0));
    EXPECT_NEAR(f.endValue(n - 1), f.a[n], tol(f.a[n]));
    switch (mode) {
    case 1:
        EXPECT_NEAR(f.b[0], marg0, 1e-9);
        EXPECT_NEAR(f.endSlope(n - 1), margN, 1e-9);
        break;
    case 2:
        EXPECT_NEAR(2 * f.c[0], marg0, 1e-12);
        EXPECT_NEAR(f.endCurv(n - 1), margN, 1e-9);
        break;
    case 3:
        EXPECT_NEAR(6 * f.d[0], marg0, 1e-9);
        EXPECT_NEAR(6 * f.d[n - 1], margN, 1e-9);
        break;
    case 4:
        EXPECT_NEAR(f.a[n], f.a[0], 1e-12);
        EXPECT_NEAR(f.endSlope(n - 1), f.b[0], 1e-9);
        EXPECT_NEAR(f.endCurv(n - 1), 2 * f.c[0], 1e-9);
        break;
    }
    if (mode != 4) {
        EXPECT_NEAR(f.w[n] * (f.y[n] - f.a[n]), -6 * f.d[n - 1], tol(f.d[n - 1]));
    }
}

// With near-infinite weights each mode interpolates, and a cubic given its
// own end derivatives is the unique answer.
TEST_P(SmoothSplineMode, InterpolatesCubicUnderItsOwnEndConditions)
{
    const int mode = GetParam();
    Fit f = irregular(12, 1e12);
    auto p = [](double t) { return 0.2 * t * t * t - t * t + 0.5 * t + 3; };
    auto dp = [](double t) { return 0.6 * t * t - 2 * t + 0.5; };
    auto ddp = [](double t) { return 1.2 * t - 2; };
    if (mode == 4) {  // periodic data instead: one period of a sine
        const double L = f.x[f.n] - f.x[0];
        for (int i = 0; i <= f.n; ++i)
            f.y[i] = std::sin(2 * M_PI * (f.x[i] - f.x[0]) / L);
        f.y[f.n] = f.y[0];
        f.w[f.n] = f.w[0];
        ASSERT_EQ(f.run(4), 0);
        for (double t = f.x[0]; t <= f.x[f.n]; t += 0.05)
            EXPECT_NEAR(f.eval(t), std::sin(2 * M_PI * (t - f.x[0]) / L), 0.02) << t;
        return;
    }
    for (int i = 0; i <= f.n; ++i)
        f.y[i] = p(f.x[i]);
    const double x0 = f.x[0], xn = f.x[f.n];
    const double ends[4][2] = {{0, 0}, {dp(x0), dp(xn)}, {ddp(x0), ddp(xn)}, {1.2, 1.2}};
    ASSERT_EQ(f.run(mode, ends[mode][0], ends[mode][1]), 0);
    for (double t = x0; t <= xn; t += 0.05)
        EXPECT_NEAR(f.eval(t), p(t), 1e-6) << t;
}

INSTANTIATE_TEST_SUITE_P(Modes, SmoothSplineMode, ::testing::Values(1, 2, 3, 4));

TEST(SmoothSpline, WeightsMoveBetweenInterpolationAndLeastSquaresLine)
{
    Fit loose = irregular(10);
    for (double &w : loose.w)
        w = 1e10;
    ASSERT_EQ(loose.run(2), 0);
    for (int i = 0; i <= loose.n; ++i)
        EXPECT_NEAR(loose.a[i], loose.y[i], 1e-6);

    Fit stiff = irregular(10);
    for (double &w : stiff.w)
        w = 1e-10;
    ASSERT_EQ(stiff.run(2), 0);
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    const int m = stiff.n + 1;
    for (int i = 0; i < m; ++i) {
        sx += stiff.x[i];
        sy += stiff.y[i];
        sxx += stiff.x[i] * stiff.x[i];
        sxy += stiff.x[i] * stiff.y[i];
    }
    const double slope = (m * sxy - sx * sy) / (m * sxx - sx * sx);
    const double icpt = (sy - slope * sx) / m;
    for (int i = 0; i < m; ++i)
        EXPECT_NEAR(stiff.a[i], icpt + slope * stiff.x[i], 1e-5);
}

TEST(SmoothSpline, FindIntervalBoundaries)
{
    const double x[] = {0, 1, 2, 4, 8, 9};
    EXPECT_EQ(findInterval(5, -1.0, x), 0);
    EXPECT_EQ(findInterval(5, 0.0, x), 0);
    EXPECT_EQ(findInterval(5, 4.0, x), 3);  // an inner knot starts its interval
    EXPECT_EQ(findInterval(5, 3.99, x), 2);
    EXPECT_EQ(findInterval(5, 9.0, x), 4);
    EXPECT_EQ(findInterval(5, 99.0, x), 4);
}

// The remembered interval must never change a value: walk forwards and
// backwards and alternate between two splines of the same size.
TEST(SmoothSpline, RememberedIntervalGivesFreshSearchValues)
{
    Fit f = irregular(20), g = irregular(20);
    for (double &xv : g.x)
        xv = xv * 1.7 + 2;
    ASSERT_EQ(f.run(2), 0);
    ASSERT_EQ(g.run(2), 0);
    auto fresh = [](const Fit &s, double xv) {
        const int i = findInterval(s.n, xv, s.x.data());
        const double p = xv - s.x[i];
        return ((s.d[i] * p + s.c[i]) * p + s.b[i]) * p + s.a[i];
    };
    EXPECT_NEAR(f.eval(f.x[f.n]), f.a[f.n], 1e-12);
    for (double t = f.x[0]; t <= f.x[f.n]; t += 0.23)  // forward, crossing knots
        EXPECT_EQ(f.eval(t), fresh(f, t));
    for (double t = f.x[f.n]; t >= f.x[0]; t -= 0.37) {
        EXPECT_EQ(f.eval(t), fresh(f, t));
        const double u = g.x[0] + (t - f.x[0]) * 1.7;
        EXPECT_EQ(g.eval(u), fresh(g, u));
    }
}

TEST(ScratchList, VectorsZeroFilledAndFailureRemembered)
{
    ScratchList *list = scratchCreate();
    ASSERT_NE(list, nullptr);
    double *v = scratchVector(list, 1000);
    ASSERT_NE(v, nullptr);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(v[i], 0.0);
    EXPECT_TRUE(scratchAllOk(list));
    EXPECT_EQ(scratchVector(list, -5), nullptr);
    EXPECT_FALSE(scratchAllOk(list));
    EXPECT_NE(scratchVector(list, 3), nullptr);
    EXPECT_FALSE(scratchAllOk(list));  // a later success does not clear it
    scratchFreeAll(list);
    EXPECT_EQ(scratchVector(nullptr, 3), nullptr);
    EXPECT_FALSE(scratchAllOk(nullptr));
}
