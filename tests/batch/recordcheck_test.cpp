// Records the batch refuses: those the GUI could not have written.

#include <gtest/gtest.h>

#include "recordcheck.h"

namespace {

struct Case {
    const char *key, *value;
    bool damaged;
};

TEST(DamagedRecord, ValuesThatDoNotReadBackOrLieOutsideTheFields)
{
    Params params;
    setParamDefaults(params);  // field images 2347 x 656
    const Case cases[] = {
        {"Pass1", "1 12.5 40.25", false},
        {"Pass1", "1 12.5", true},
        {"Pass2", "1 12.5 nan", true},
        {"DatePos1", "-1", false},
        {"DatePos2", "2346", false},
        {"DatePos2", "2347", true},
        {"DatePos1", "-2", true},
        {"DateVal1", "y 2004 m 02 d 30 h 12 m 00", false},  // read; the table reports the date
        {"DateVal2", "y 2004 m 02", true},
        {"CurveColor", "155 132 192", false},
        {"CurveColor", "155 132 256", true},
        {"TimeStep", "30", false},  // read and ignored, as in the GUI
        {"TimeStep", "ten", true},
        {"AddTemp", "-20.000000", false},
        {"AddTemp", "20.01", true},
        {"AddHygro", "1e308", true},
        {"Bot0_0012", "0", false},
        {"Top1_12345", "9999", false},  // a window may reach past the last row
        {"Top1_0012", "-1", true},
        {"Draw0_0012", "655", false},
        {"Draw0_0012", "656", true},
        {"Draw1_0012", "12x", true},
        {"Draw2_0012", "x", false},  // no record of the GUI
        {"Bot0_", "x", false},
        {"Unknown", "x", false},
    };
    for (const Case &c : cases) {
        FileCtx ctx;
        ctx.set("Pass3", "1 100.0 200.0");
        ctx.set(c.key, c.value);
        std::string expected = c.damaged ? std::string(c.key) + "=" + c.value : "";
        EXPECT_EQ(damagedRecord(ctx, params), expected) << c.key << "=" << c.value;
    }
}

TEST(DamagedRecord, FieldLimitsFollowTheParameters)
{
    Params params;
    setParamDefaults(params);
    params.dstPixelsPerMM = 4.0;  // field images 1174 x 328
    FileCtx ctx;
    ctx.set("Draw0_0001", "400");
    EXPECT_EQ(damagedRecord(ctx, params), "Draw0_0001=400");
    ctx.set("Draw0_0001", "300");
    ctx.set("DatePos2", "1200");
    EXPECT_EQ(damagedRecord(ctx, params), "DatePos2=1200");
}

} // namespace
