// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>

#include "geometry.h"

// A zero on the diagonal forces row and column exchanges; two right sides
// (n x k, row order) with solutions (1, 2, 3) and (-1, 0, 2).
TEST(SolveGaussJordan, SolvesAndInvertsNeedingPivotsRefusesSingular)
{
    const double m[9] = {0, 2, 1, 1, 0, 3, 4, -1, 0};
    double a[9], inv[9], b[6] = {7, 2, 10, 5, 2, -4};
    std::copy(m, m + 9, a);
    ASSERT_EQ(solveGaussJordan(a, 3, b, 2), 0);
    ASSERT_EQ(invert3x3(m, inv), 0);
    const double expected[6] = {1, -1, 2, 0, 3, 2};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(b[i], expected[i], 1e-12) << i;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            double sum = 0.0;
            for (int k = 0; k < 3; ++k) sum += m[r * 3 + k] * a[k * 3 + c];
            EXPECT_NEAR(sum, r == c, 1e-12) << r << "," << c;
            EXPECT_NEAR(inv[r * 3 + c], a[r * 3 + c], 1e-12) << r << "," << c;
        }
    // Singular and NaN systems are refused.
    double zero[4] = {0, 0, 0, 0}, rank1[9] = {1, 2, 3, 2, 4, 6, 1, 1, 1}, nan[4] = {NAN, NAN, NAN, NAN};
    for (double *s : {zero, rank1, nan}) EXPECT_EQ(solveGaussJordan(s, s == rank1 ? 3 : 2, b, 1), -4);
    const double singular[9] = {1, 2, 3, 2, 4, 6, 0, 0, 1}, withNan[9] = {1, 0, 0, 0, NAN, 0, 0, 0, 1};
    EXPECT_EQ(invert3x3(singular, inv), 1);
    EXPECT_EQ(invert3x3(withNan, inv), 1);
}

// A rotated, sheared and shifted map like a chart turned by a quarter turn
// and a few degrees.
TEST(FitAffine, RecoversAKnownMap)
{
    const AffineTransform known{{0.05, 0.98, 812.5, -1.02, 0.07, 2301.25, 0, 0, 1}};
    const Vec2 C[4] = {{0, 0}, {2292, 0}, {0, 656}, {2292, 656}};
    Vec2 S[4];
    for (int k = 0; k < 4; ++k) S[k] = applyAffine(known, C[k]);
    AffineTransform T;
    ASSERT_EQ(fitAffine(C, S, T), 0);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(T.t[i], known.t[i], 1e-9) << i;
}
