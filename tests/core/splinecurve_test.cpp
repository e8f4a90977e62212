#include <cmath>

#include <gtest/gtest.h>

#include "splinecurve.h"

TEST(SplineCurve, NeedsSixPointsAndTakesNoMore)
{
    SplineCurve five(5, 1.0);
    EXPECT_EQ(five.getCapacity(), 0u);
    EXPECT_FALSE(five.isReady());
    EXPECT_EQ(five.begin() + five.add(1.0, 1.0) + five.fit(), -3);

    SplineCurve curve(6, 4.0);
    ASSERT_EQ(curve.begin(), 0);
    for (int i = 0; i < 5; ++i) curve.add(10.0 * i, 3.0 + 0.5 * i);
    EXPECT_EQ(curve.fit(), -1) << "a point is missing";
    EXPECT_EQ(curve.add(50.0, 5.5), 0);
    EXPECT_EQ(curve.add(60.0, 1000.0), -1) << "must not overwrite anything";
    ASSERT_EQ(curve.fit(), 0);
    EXPECT_NEAR(curve.value(25.0), 4.25, 1e-12) << "a line fits itself";
    EXPECT_TRUE(curve.value(-100.0) == curve.value(0.0) && curve.value(75.0) == curve.value(50.0))
        << "constant beyond the ends";

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
