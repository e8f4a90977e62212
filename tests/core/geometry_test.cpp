#include <gtest/gtest.h>

#include <cmath>

#include "geometry.h"

namespace {

void expectIdentityProduct(const double *m, const double *inv, int n)
{
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            double sum = 0.0;
            for (int k = 0; k < n; ++k)
                sum += m[r * n + k] * inv[k * n + c];
            EXPECT_NEAR(sum, r == c ? 1.0 : 0.0, 1e-12) << r << "," << c;
        }
}

} // namespace

TEST(SolveGaussJordan, SolvesAndInvertsNeedingPivots)
{
    // Zero on the diagonal forces row and column exchanges.
    const double m[9] = {0, 2, 1, 1, 0, 3, 4, -1, 0};
    double a[9];
    std::copy(m, m + 9, a);
    // Two right sides (n x k, row order): solutions (1, 2, 3) and (-1, 0, 2).
    double b[6] = {7, 2, 10, 5, 2, -4};
    ASSERT_EQ(solveGaussJordan(a, 3, b, 2), 0);
    const double expected[6] = {1, -1, 2, 0, 3, 2};
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(b[i], expected[i], 1e-12) << i;
    expectIdentityProduct(m, a, 3);
}

TEST(SolveGaussJordan, RefusesSingularSystems)
{
    double zero[4] = {0, 0, 0, 0}, bz[2] = {1, 1};
    EXPECT_EQ(solveGaussJordan(zero, 2, bz, 1), -4);
    double rank1[9] = {1, 2, 3, 2, 4, 6, 1, 1, 1}, b1[3] = {1, 2, 3};
    EXPECT_EQ(solveGaussJordan(rank1, 3, b1, 1), -4);
    double nan[4] = {NAN, NAN, NAN, NAN}, bn[2] = {1, 1};
    EXPECT_EQ(solveGaussJordan(nan, 2, bn, 1), -4);
}

TEST(Invert3x3, InverseOrSingular)
{
    const double m[9] = {2, 0, 1, 1, 3, 0, 0, 1, 4};
    double inv[9];
    ASSERT_EQ(invert3x3(m, inv), 0);
    expectIdentityProduct(m, inv, 3);
    const double singular[9] = {1, 2, 3, 2, 4, 6, 0, 0, 1};
    EXPECT_EQ(invert3x3(singular, inv), 1);
    const double withNan[9] = {1, 0, 0, 0, NAN, 0, 0, 0, 1};
    EXPECT_EQ(invert3x3(withNan, inv), 1);
}

TEST(NormalEquations, WeightedLineFit)
{
    // y = a + b x through (0,1), (1,3), (2,2) with weights 1, 2, 1:
    // N = [4 4; 4 6], rhs = [9 10], so a = 1.75, b = 0.5.
    const double A[6] = {1, 0, 1, 1, 1, 2}, y[3] = {1, 3, 2}, w[3] = {1, 2, 1};
    double N[4], rhs[2];
    normalEquations(A, 3, 2, y, w, N, rhs);
    EXPECT_DOUBLE_EQ(N[0], 4);
    EXPECT_DOUBLE_EQ(N[1], 4);
    EXPECT_DOUBLE_EQ(N[2], 4);
    EXPECT_DOUBLE_EQ(N[3], 6);
    ASSERT_EQ(solveGaussJordan(N, 2, rhs, 1), 0);
    EXPECT_NEAR(rhs[0], 1.75, 1e-12);
    EXPECT_NEAR(rhs[1], 0.5, 1e-12);
}

TEST(FitAffine, RecoversAKnownMap)
{
    // A rotated, sheared and shifted map like a scan of a chart turned by a
    // quarter turn and a few degrees.
    const AffineTransform known{{0.05, 0.98, 812.5, -1.02, 0.07, 2301.25, 0, 0, 1}};
    const Vec2 C[4] = {{0, 0}, {2292, 0}, {0, 656}, {2292, 656}};
    Vec2 S[4];
    for (int k = 0; k < 4; ++k)
        S[k] = applyAffine(known, C[k]);
    AffineTransform T;
    ASSERT_EQ(fitAffine(C, S, T), 0);
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(T.t[i], known.t[i], 1e-9) << i;
    Vec2 mid = applyAffine(T, Vec2{1000, 300});
    Vec2 want = applyAffine(known, Vec2{1000, 300});
    EXPECT_NEAR(vectorLength(Vec2{mid.x - want.x, mid.y - want.y}), 0.0, 1e-8);
}
