// SPDX-License-Identifier: GPL-3.0-or-later
// Records of a scan's file context, and the dates they hold.

#include "coretest.h"
#include "records.h"
#include "scansettings.h"

TEST(Records, KeysAndWriterFormats)
{
    const int rgb[3] = {1, 22, 255};
    EXPECT_EQ(passKey(0) + " " + columnKey("Top", 0, 7) + " " + columnKey("Bot", 1, 12345), "Pass1 Top0_0007 Bot1_12345");
    EXPECT_EQ(formatPassPoint(PassPoint{1, 12.5, 40.25}), "1 12.500000 40.250000");
    EXPECT_EQ(formatDateVal(at(2000, 2, 3, 8, 5)), "y 2000 m 02 d 03 h 08 m 05");
    EXPECT_EQ(formatCurveColor(rgb), "  1  22 255");
    const std::string big = formatDouble(1e300);  // beyond any small fixed buffer
    EXPECT_EQ(big.substr(0, 19) + big.substr(301) + " " + std::to_string(big.size()), "1000000000000000052.000000 308");
}

// A loader applies the whole value under its key or leaves its target alone.
TEST(Records, LoadersTakeWholeValuesOnly)
{
    FileCtx ctx;
    PassPoint pp{7, 8, 9};
    DateTime dt = at(2000, 1, 1, 12, 0);
    int rgb[3] = {1, 2, 3}, step = 60, pos = 5;
    double add = 1;
    auto loadAll = [&] {
        return loadPassPointRecord(ctx, 0, pp) + loadDateValRecord(ctx, 0, dt) + loadCurveColorRecord(ctx, "CurveColor", rgb) +
               loadTimeStepRecord(ctx, step) + loadDoubleRecord(ctx, "AddTemp", add) + loadDatePosRecord(ctx, 0, pos);
    };
    auto targets = [&] {
        return formatPassPoint(pp) + "|" + stamp(dt) + "|" + formatCurveColor(rgb) + "|" + formatInt(step) + "|" +
               formatDouble(add) + "|" + formatInt(pos);
    };
    const std::string before = targets();
    EXPECT_EQ(loadAll(), 0) << "no records";
    const char *bad[][2] = {{"Pass1", "1 2"}, {"Pass1", "1 2 3x"}, {"Pass1", "1 nan 3"},
                            {"DateVal1", "x 2000 m 1 d 1 h 1 m 1"}, {"DateVal1", "y 2000 m 1 d 1 h 1"},
                            {"CurveColor", "0 0 256"}, {"CurveColor", "-1 0 0"}, {"TimeStep", "30"},
                            {"TimeStep", "99999999999"}, {"AddTemp", "nan"}, {"DatePos1", "-2"}};
    for (auto &kv : bad) {
        ctx.set(kv[0], kv[1]);
        EXPECT_EQ(loadAll(), 0) << kv[0] << "=" << kv[1];
        ctx.remove(kv[0]);
    }
    EXPECT_EQ(targets(), before);
    // Trailing white space (the CR of a file edited on Windows) is fine.
    const char *good[][2] = {{"Pass1", "1 -3.25 1e6"}, {"DateVal1", "y 2001 m 3 d 4 h 5 m 6\r"}, {"CurveColor", "0 128 255"},
                             {"TimeStep", "10"}, {"AddTemp", " -2.5 \r"}, {"DatePos1", "-1"}};
    for (auto &kv : good) ctx.set(kv[0], kv[1]);
    EXPECT_EQ(loadAll(), 6);
    EXPECT_EQ(targets(), "1 -3.250000 1000000.000000|2001-03-04 05:06|  0 128 255|10|-2.500000|-1");
}

// An invalid date loads with its status; a new pass point drops the records
// of the old field geometry.
TEST(Records, StoresRoundTripAndPassPointDropsGeometryRecords)
{
    FileCtx ctx;
    DateTime bad = at(2001, 2, 29, 23, 59), back;
    storeDateValRecord(ctx, 1, bad);
    ASSERT_TRUE(loadDateValRecord(ctx, 1, back));
    EXPECT_EQ(back.status(), -3);
    EXPECT_EQ(stamp(back), stamp(bad));
    storeTimeStepRecord(ctx, 10);
    storeDatePosRecord(ctx, 0, 2300);
    for (const char *k : {"AddHygro", "AddTemp", "Bot0_0001", "Draw1_0002", "Pass2", "Top1_2346"}) ctx.set(k, "1");
    storePassPointRecord(ctx, 0, PassPoint{1, 2, 3});
    EXPECT_EQ(keysOf(ctx), "DatePos1 DateVal2 Pass1 Pass2 TimeStep ");
}

// Windows and drawn rows round trip; damaged records and those of the other
// field stay out; -1 removes a column's record.
TEST(Records, PerColumnRecords)
{
    const int width = 12;
    FileCtx ctx;
    SpanArray limits(width), loaded(width);
    std::vector<int> draw(width, -1), back(width, -1);
    limits.setBot(3, 0), limits.setTop(3, 40), limits.setTop(11, 7);
    draw[0] = 5, draw[10] = 0;
    storeLimits(ctx, 1, limits, width);
    storeDrawMarks(ctx, 0, draw.data(), width);
    EXPECT_EQ(keysOf(ctx), "Bot1_0003 Draw0_0000 Draw0_0010 Top1_0003 Top1_0011 ");
    const char *damaged[][2] = {{"Bot1_0005", "-5"}, {"Top1_0006", "12x"}, {"Top0_0004", "9"}, {"Draw0_0004", "-3"}};
    for (auto &kv : damaged) ctx.set(kv[0], kv[1]);
    loadLimits(ctx, 1, loaded, width);
    loadDrawMarks(ctx, 0, back.data(), width);
    EXPECT_TRUE(limits == loaded);
    EXPECT_EQ(draw, back);
    limits.setTop(3, -1), draw[0] = -1;
    storeLimitColumn(ctx, 1, limits, 3);
    storeDrawColumn(ctx, 0, draw.data(), 0);
    EXPECT_EQ(keysOf(ctx), "Bot1_0003 Bot1_0005 Draw0_0004 Draw0_0010 Top0_0004 Top1_0006 Top1_0011 ");
}

// Records carry a decimal point in any locale; those that vellora 1.0 wrote
// with a decimal comma are recovered.
TEST(Records, NumbersIgnoreTheLocale)
{
    ASSERT_TRUE(useDecimalCommaLocale());
    FileCtx ctx;
    storePassPointRecord(ctx, 0, PassPoint{1, 289.25, 325.5});
    storeDoubleRecord(ctx, "AddTemp", -1.5);
    EXPECT_STREQ(ctx.get("Pass1"), "1 289.250000 325.500000");
    EXPECT_STREQ(ctx.get("AddTemp"), "-1.500000");
    ctx.set("Pass2", "1 289,250000 325,500000");
    ctx.set("AddHygro", "-0,75");
    PassPoint pp{0, 0, 0};
    double add = 0;
    EXPECT_TRUE(loadPassPointRecord(ctx, 1, pp));
    EXPECT_TRUE(loadDoubleRecord(ctx, "AddHygro", add));
    EXPECT_EQ(formatPassPoint(pp) + " " + formatDouble(add), "1 289.250000 325.500000 -0.750000");
    for (const char *bad : {"1 2,5,5 3", "1 ,5 3", "1 2.5,5 3"})
        EXPECT_FALSE(scanPassPoint(bad, &pp)) << bad;
    std::setlocale(LC_ALL, "C");
}

// A context of one ink keeps giving both pens its colour; a profile's or the
// scan's hygrometer ink takes over from it.
TEST(ScanSettings, HygrometerInkFollowsTheTemperaturePenUnlessGiven)
{
    Params params = defaultParams();
    FileCtx ctx;
    ctx.set("CurveColor", "10 20 30");
    auto inkOf = [&](int field) {
        ScanSettings s;
        loadScanSettings(ctx, params, s);
        const RefColor ink = inkColorOf(s, field);
        return std::vector<int>(ink.rgb, ink.rgb + 3);
    };
    EXPECT_EQ(inkOf(1), std::vector<int>({10, 20, 30}));
    params.hasHygroInkColor = true;
    params.hygroInkColor[0] = 40;
    EXPECT_EQ(inkOf(1), std::vector<int>({40, 0, 0}));
    ctx.set("CurveColorHygro", "7 8 9");
    params.hasHygroInkColor = false;
    EXPECT_EQ(inkOf(1), std::vector<int>({7, 8, 9}));
    EXPECT_EQ(inkOf(0), std::vector<int>({10, 20, 30}));
}

// The status says which part of a date is out of range. An invalid date keeps
// its values so that it shows as typed; the records tests above check that.
TEST(DateTime, StatusCodes)
{
    EXPECT_EQ(DateTime().status(), -6);
    EXPECT_EQ(std::make_pair(daysInMonth(2000, 0), daysInMonth(2000, 13)), std::make_pair(0, 0));
    const int cases[][6] = {
        {2000, 2, 29, 0, 0, 0},     {1900, 2, 29, 0, 0, -3},
        {2004, 2, 29, 0, 0, 0},     {1599, 1, 1, 0, 0, -1},   {3000, 12, 31, 23, 59, 0},
        {3001, 1, 1, 0, 0, -1},     {2000, 13, 1, 0, 0, -3},  // month fails, then the day
        {2000, 1, 1, 24, 60, -5},   {2000, 4, 31, 24, 0, -4}, {2000, 1, 1, 0, -1, -5},
    };
    for (auto &c : cases)
        EXPECT_EQ(at(c[0], c[1], c[2], c[3], c[4]).status(), c[5]) << stamp(at(c[0], c[1], c[2], c[3], c[4]));
}

TEST(DateTime, SteppingAndDifferencesCarryAcrossYearEndsAndLeapDays)
{
    const struct { DateTime from; void (DateTime::*step)(); const char *to; int minutes; } cases[] = {
        {at(2003, 12, 31, 23, 59), &DateTime::addMinute, "2004-01-01 00:00", 1},
        {at(2004, 2, 28, 23, 5), &DateTime::addHour, "2004-02-29 00:05", 60},
        {at(2004, 2, 29, 23, 55), &DateTime::addTenMinutes, "2004-03-01 00:05", 10},
        {at(2100, 2, 28, 23, 55), &DateTime::addTenMinutes, "2100-03-01 00:05", 10},
        {at(2000, 4, 30, 23, 0), &DateTime::addHour, "2000-05-01 00:00", 60},
    };
    for (const auto &c : cases) {
        DateTime dt = c.from;
        (dt.*c.step)();
        EXPECT_EQ(stamp(dt), c.to);
        EXPECT_EQ(c.from.minutesUntil(dt), c.minutes) << c.to;
    }
    const struct { DateTime a, b; int minutes; } differences[] = {
        {at(2001, 1, 1, 0, 0), at(2000, 1, 1, 0, 0), -1440 * 366},
        {at(1600, 1, 1, 0, 0), at(2000, 1, 1, 0, 0), 1440 * 146097},  // one 400-year cycle
        {at(2004, 1, 1, 0, 0), at(2001, 1, 1, 1, 1), -1440 * 3 * 365 + 61},
    };
    for (const auto &c : differences)
        EXPECT_EQ(c.a.minutesUntil(c.b), c.minutes) << stamp(c.a) << " to " << stamp(c.b);
}

// A typed date may give only its end; the rest comes from the date shown.
TEST(DateTime, TypedDatesAreCompletedFromTheDateShown)
{
    const DateTime shown = at(2002, 3, 16, 4, 0);
    // date nullptr: refused
    const struct { const char *text; const char *date; } cases[] = {
        {"2003-01-31 23:59", "2003-01-31 23:59"}, {" 2003-01-31T7:05 ", "2003-01-31 07:05"},
        {"12-24 18:30", "2002-12-24 18:30"},      {"17 0:10", "2002-03-17 00:10"},
        {"22:15", "2002-03-16 22:15"},            {"04-31 12:00", nullptr},
        {"4:5", nullptr},                         {"02-03-16 04:00", nullptr},
        {"16.03.2002 04:00", nullptr},            {"2002-03-16", nullptr},
        {"2002-03-16 04:00T", nullptr},           {"", nullptr},
        {"-16 04:00", nullptr},                   {"2002-03-16 04:00 5", nullptr},
    };
    for (const auto &c : cases) {
        DateTime date = at(1999, 1, 1, 0, 0);
        const bool typed = completeTypedDate(c.text, shown, date);
        EXPECT_EQ(typed ? stamp(date) : "refused", c.date ? c.date : "refused") << '"' << c.text << '"';
    }
    DateTime date;
    EXPECT_FALSE(completeTypedDate("04:00", DateTime(), date)) << "nothing to complete from";
    EXPECT_TRUE(completeTypedDate("2002-03-16 04:00", DateTime(), date));
}
