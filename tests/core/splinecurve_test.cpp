// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>

#include <gtest/gtest.h>

#include <algorithm>

#include "params.h"
#include "splinecurve.h"
#include "valuescale.h"

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
    Params p;
    setParamDefaults(p);
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
    Params p;
    setParamDefaults(p);
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
