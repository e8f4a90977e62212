#include <cmath>

#include <gtest/gtest.h>

#include "splinecurve.h"

namespace {

// Six or more points on a line fit to that line for any weight.
void addLine(SplineCurve &curve, int count)
{
    for (int i = 0; i < count; ++i)
        curve.add(10.0 * i, 3.0 + 0.5 * i);
}

}  // namespace

TEST(SplineCurve, NeedsSixPoints)
{
    SplineCurve five(5, 1.0);
    EXPECT_EQ(five.getCapacity(), 0u);
    EXPECT_FALSE(five.isReady());
    EXPECT_EQ(five.begin(), -1);
    EXPECT_EQ(five.add(1.0, 1.0), -1);
    EXPECT_EQ(five.fit(), -1);

    SplineCurve six(6, 1.0);
    ASSERT_EQ(six.begin(), 0);
    addLine(six, 6);
    EXPECT_EQ(six.fit(), 0);
    EXPECT_NEAR(six.value(25.0), 4.25, 1e-12);
}

TEST(SplineCurve, AddBeyondCapacityAndMissingPoints)
{
    SplineCurve curve(6, 4.0);
    ASSERT_EQ(curve.begin(), 0);
    addLine(curve, 5);
    EXPECT_EQ(curve.fit(), -1);
    EXPECT_EQ(curve.add(50.0, 5.5), 0);
    EXPECT_EQ(curve.add(60.0, 1000.0), -1);  // must not overwrite anything
    ASSERT_EQ(curve.fit(), 0);
    EXPECT_NEAR(curve.value(50.0), 5.5, 1e-12);

    // begin starts over: a non-increasing point set is the fit's code 3.
    ASSERT_EQ(curve.begin(), 0);
    for (int i = 0; i < 6; ++i)
        curve.add(i == 3 ? 20.0 : 10.0 * i, 1.0);
    EXPECT_EQ(curve.fit(), 3);
}

TEST(SplineCurve, ValueIsConstantBeyondTheEnds)
{
    SplineCurve curve(8, 0.5);
    ASSERT_EQ(curve.begin(), 0);
    for (int i = 0; i < 8; ++i)
        curve.add(i, (i % 3) * 2.0);
    ASSERT_EQ(curve.fit(), 0);
    EXPECT_EQ(curve.value(-100.0), curve.value(0.0));
    EXPECT_EQ(curve.value(7.5), curve.value(7.0));
    EXPECT_NE(curve.value(0.0), curve.value(0.5));
}

TEST(HygroScale, FollowsThePrintedTable)
{
    HygroScale scale;
    for (int i = 0; i <= 20; ++i) {
        EXPECT_NEAR(scale.toMM(5.0 * i), kHygroTableMM[i], 0.06) << i;
        EXPECT_NEAR(scale.toPercent(kHygroTableMM[i]), 5.0 * i, 0.2) << i;
    }
    EXPECT_EQ(scale.toPercent(0.0), 0.0);  // smoothed slightly below 0, clamped
    EXPECT_EQ(scale.toPercent(82.0), 100.0);
    EXPECT_NEAR(scale.toPercent(50.2), 50.0, 0.01);
    EXPECT_EQ(scale.toPercent(-5.0), 0.0);
    EXPECT_EQ(scale.toPercent(NAN), 0.0);
}

TEST(HygroScale, ClampsPercentAndAppliesOffset)
{
    HygroScale scale;
    EXPECT_EQ(scale.toMM(150.0), scale.toMM(100.0));
    EXPECT_EQ(scale.toMM(-3.0), scale.toMM(0.0));
    const double at50 = scale.toPercent(50.2);
    const double mm40 = scale.toMM(40.0);

    scale.setOffset(2.0);
    EXPECT_EQ(scale.getOffset(), 2.0);
    EXPECT_DOUBLE_EQ(scale.toPercent(48.2), at50);
    EXPECT_DOUBLE_EQ(scale.toMM(40.0), mm40 - 2.0);
    EXPECT_DOUBLE_EQ(scale.toMM(150.0), scale.toMM(100.0));
}
