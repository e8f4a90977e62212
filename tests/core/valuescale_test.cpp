#include <gtest/gtest.h>

#include "valuescale.h"

// A Fahrenheit chart printed 110 F at the outer edge and 0 F at the gap over
// 66 mm: rows read in F, the offset in F, SEF values in C.
TEST(TempScale, ProfileScaleAndUnit)
{
    Params p;
    setParamDefaults(p);
    p.srcFieldHeightMM = 66.0;
    p.tempScale[0] = 110.0;
    p.tempScale[1] = 0.0;
    p.tempUnit = TempFahrenheit;
    const double offsets[2] = {1.5, 0.0};
    const ValueScales scales(p, offsets);
    EXPECT_NEAR(scales.valueAtRow(0, 0.0), 111.5, 1e-12);
    EXPECT_NEAR(scales.valueAtRow(0, 8.0 * 33.0), 56.5, 1e-12);
    EXPECT_NEAR(scales.mmOf(0, 56.5), 33.0, 1e-12);
    EXPECT_NEAR(celsiusOf(p, 212.0), 100.0, 1e-12);
    EXPECT_NEAR(celsiusOf(p, -40.0), -40.0, 1e-12);
    p.tempUnit = TempCelsius;
    EXPECT_EQ(celsiusOf(p, 21.5), 21.5);

    p.tempScale[0] = -35.0;  // printed the other way round
    p.tempScale[1] = 45.0;
    const ValueScales reversed(p, offsets);
    EXPECT_NEAR(reversed.valueAtRow(0, 8.0 * 66.0), 46.5, 1e-12);
}
