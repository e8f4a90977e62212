// SPDX-License-Identifier: GPL-3.0-or-later
// Records the batch refuses: those the GUI could not have written.

#include "coretest.h"
#include "recordcheck.h"

TEST(DamagedRecord, ValuesThatDoNotReadBackOrLieOutsideTheirField)
{
    // Beside a hygrometer field 90 mm tall the field images are 2358 pixels
    // wide at 8 pixels per mm, 1179 at 4; the temperature field has 656 rows
    // at 8 and 328 at 4, the hygrometer field 720 at 8.
    const struct { double pixelsPerMM; const char *key, *value; bool damaged; } cases[] = {
        {8, "Pass2", "1 12.5 nan", true},       {8, "DatePos2", "2357", false},
        {8, "DatePos2", "2358", true},          {4, "DatePos2", "1200", true},
        {8, "DateVal2", "y 2004 m 02", true},   {8, "CurveColor", "155 132 256", true},
        {8, "TimeStep", "ten", true},           {8, "TimeStep", "30", false},  // read and ignored, as in the GUI
        {8, "AddTemp", "-20.000000", false},    {8, "AddTemp", "20.01", true},
        {8, "Top1_0012", "-1", true},           {8, "Top1_12345", "9999", false},  // may reach past the last row
        {8, "Draw0_0012", "655", false},        {4, "Draw0_0012", "400", true},
        {8, "Draw0_0012", "700", true},         {8, "Draw1_0012", "700", false},
        {8, "CurveColorHygro", "1 2 300", true},
        {8, "Draw2_0012", "x", false},  // no record of the GUI
        {8, "DateVal1", "y 2004 m 02 d 30 h 12 m 00", false},  // read; the table reports the date
    };
    for (const auto &c : cases) {
        Params params = defaultParams();
        params.dstPixelsPerMM = c.pixelsPerMM;
        params.srcHygroFieldHeightMM = 90.0;
        FileCtx ctx;
        ctx.set("Pass3", "1 100.0 200.0");
        ctx.set(c.key, c.value);
        EXPECT_EQ(damagedRecord(ctx, params), c.damaged ? std::string(c.key) + "=" + c.value : "")
            << c.key << "=" << c.value << " at " << c.pixelsPerMM << " px/mm";
    }
}
