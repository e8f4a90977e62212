#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records.h"

namespace {

TEST(Records, KeysAndWriterFormats)
{
    EXPECT_EQ("Pass1", passKey(0));
    EXPECT_EQ("Top0_0007", columnKey("Top", 0, 7));
    EXPECT_EQ("Bot1_12345", columnKey("Bot", 1, 12345));
    EXPECT_EQ("1 12.500000 40.250000", formatPassPoint(PassPoint{1, 12.5, 40.25}));
    DateTime dt;
    dt.setDateTime(2000, 2, 3, 8, 5);
    EXPECT_EQ("y 2000 m 02 d 03 h 08 m 05", formatDateVal(dt));
    const int rgb[3] = {1, 22, 255};
    EXPECT_EQ("  1  22 255", formatCurveColor(rgb));
    EXPECT_EQ("1.500000", formatDouble(1.5));
    EXPECT_EQ(308u, formatDouble(1e300).size());  // beyond any small fixed buffer
}

TEST(Records, RoundTrips)
{
    FileCtx ctx;
    storePassPointRecord(ctx, 2, PassPoint{1, -3.25, 1e6});
    PassPoint pp{0, 0, 0};
    ASSERT_TRUE(loadPassPointRecord(ctx, 2, pp));
    EXPECT_EQ(1, pp.set);
    EXPECT_DOUBLE_EQ(-3.25, pp.x);
    EXPECT_DOUBLE_EQ(1e6, pp.y);

    DateTime in, out;
    in.setDateTime(2001, 2, 29, 23, 59);  // invalid dates load with their status
    storeDateValRecord(ctx, 1, in);
    ASSERT_TRUE(loadDateValRecord(ctx, 1, out));
    EXPECT_EQ(-3, out.status());
    EXPECT_EQ(0, out.minutesUntil(in));

    const int rgb[3] = {0, 128, 255};
    int got[3] = {-1, -1, -1};
    storeCurveColorRecord(ctx, rgb);
    ASSERT_TRUE(loadCurveColorRecord(ctx, got));
    EXPECT_EQ(128, got[1]);

    int pos = 0;
    storeDatePosRecord(ctx, 1, 2300);
    EXPECT_TRUE(loadDatePosRecord(ctx, 1, pos));
    EXPECT_EQ(2300, pos);
}

TEST(Records, IncompleteOrOutOfRangeValuesAreIgnored)
{
    FileCtx ctx;
    for (const char *v : {"abc", "1 2", "1 2 3x", "1 nan 3", ""}) {
        ctx.set("Pass1", v);
        PassPoint pp{7, 8, 9};
        EXPECT_FALSE(loadPassPointRecord(ctx, 0, pp)) << v;
        EXPECT_EQ(7, pp.set);
        EXPECT_EQ(8, pp.x);
    }
    DateTime dt;
    dt.setDateTime(2000, 1, 1, 12, 0);
    for (const char *v : {"y 20", "y 2000 m 1 d 1 h 1", "x 2000 m 1 d 1 h 1 m 1", "y 2000 m 1 d 1 h 1 m 1 z"}) {
        ctx.set("DateVal1", v);
        EXPECT_FALSE(loadDateValRecord(ctx, 0, dt)) << v;
    }
    EXPECT_EQ(12, dt.hour);
    ctx.set("DateVal1", "y 2001 m 3 d 4 h 5 m 6\r");  // CR of a Windows-edited file
    EXPECT_TRUE(loadDateValRecord(ctx, 0, dt));
    EXPECT_EQ(6, dt.minute);

    int rgb[3] = {1, 2, 3};
    for (const char *v : {"0 0 256", "-1 0 0", "1 2"}) {
        ctx.set("CurveColor", v);
        EXPECT_FALSE(loadCurveColorRecord(ctx, rgb)) << v;
    }
    EXPECT_EQ(3, rgb[2]);

    int step = 60;
    for (const char *v : {"30", "10.5", "99999999999"}) {
        ctx.set("TimeStep", v);
        EXPECT_FALSE(loadTimeStepRecord(ctx, step)) << v;
    }
    storeTimeStepRecord(ctx, 10);
    EXPECT_TRUE(loadTimeStepRecord(ctx, step));
    EXPECT_EQ(10, step);

    double add = 1.0;
    ctx.set("AddTemp", "nan");
    EXPECT_FALSE(loadDoubleRecord(ctx, "AddTemp", add));
    EXPECT_FALSE(loadDoubleRecord(ctx, "AddHygro", add));
    ctx.set("AddTemp", " -2.5 \r");
    EXPECT_TRUE(loadDoubleRecord(ctx, "AddTemp", add));
    EXPECT_EQ(-2.5, add);
}

TEST(Records, PassPointDropsGeometryRecords)
{
    FileCtx ctx;
    for (const char *k : {"AddHygro", "AddTemp", "Bot0_0001", "CurveColor", "DatePos1", "DateVal1",
                          "Draw1_0002", "Pass2", "TimeStep", "Top1_2346"})
        ctx.set(k, "1");
    storePassPointRecord(ctx, 0, PassPoint{1, 2, 3});
    std::string keys;
    for (const auto &e : ctx.all())
        keys += e.first + " ";
    EXPECT_EQ("CurveColor DatePos1 DateVal1 Pass1 Pass2 TimeStep ", keys);
}

TEST(Records, PerColumnRecords)
{
    const int width = 12;
    FileCtx ctx;
    SpanArray limits(width);
    limits.reset();
    limits.setBot(3, 0);
    limits.setTop(3, 40);
    limits.setTop(11, 7);
    storeLimits(ctx, 1, limits, width);
    EXPECT_EQ(3u, ctx.size());
    EXPECT_STREQ("40", ctx.get("Top1_0003"));

    ctx.set("Bot1_0005", "-5");  // damaged records must not become window edges
    ctx.set("Top1_0006", "12x");
    ctx.set("Top0_0004", "9");   // other field
    SpanArray loaded(width);
    loaded.reset();
    loadLimits(ctx, 1, loaded, width);
    for (int x = 0; x < width; ++x) {
        EXPECT_EQ(limits.getBot(x), loaded.getBot(x)) << x;
        EXPECT_EQ(limits.getTop(x), loaded.getTop(x)) << x;
    }

    limits.setTop(3, -1);
    storeLimitColumn(ctx, 1, limits, 3);
    EXPECT_EQ(nullptr, ctx.get("Top1_0003"));
    EXPECT_STREQ("0", ctx.get("Bot1_0003"));

    std::vector<int> draw(width, -1), back(width, -1);
    draw[0] = 5;
    draw[10] = 0;
    storeDrawMarks(ctx, 0, draw.data(), width);
    ctx.set("Draw0_0004", "-3");
    loadDrawMarks(ctx, 0, back.data(), width);
    EXPECT_EQ(draw, back);
    draw[0] = -1;
    storeDrawColumn(ctx, 0, draw.data(), 0);
    EXPECT_EQ(nullptr, ctx.get("Draw0_0000"));
}

} // namespace
