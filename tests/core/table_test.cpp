#include <vector>

#include <gtest/gtest.h>

#include "coretest.h"
#include "table.h"

namespace {

// Row r(x) = r0 + slope * x, as a fitted curve through six points on it.
struct LineCurve {
    SplineCurve curve{6, 1.0};
    LineCurve(double r0, double slope)
    {
        curve.begin();
        for (int i = 0; i < 6; ++i) curve.add(800.0 * i, r0 + slope * 800.0 * i);
        curve.fit();
    }
};

// By default one day, 2000-01-01 12:00 at column 100 to the next day 12:00 at 580.
struct TableCase : public ::testing::Test {
    Params params = [] { Params p{}; p.dstPixelsPerMM = 8.0, p.srcFieldHeightMM = 82.0; return p; }();
    LineCurve line{100.0, 0.1};
    HygroScale hygro;
    TableInput in{0, &line.curve, 0, {100, 580}, {at(2000, 1, 1, 12, 0), at(2000, 1, 2, 12, 0)}, 60, &params, 0.0, &hygro};
    std::vector<TableRow> rows = std::vector<TableRow>(kMaxTableRows);
    int count = -1;
    TableStats stats{};
    PaperSpeedCheck speed{};

    int run() { return computeTable(in, rows.data(), &count, &stats, &speed); }
    int run(int x1, const DateTime &start, const DateTime &end)
    {
        in.datePos[1] = x1, in.dateVal[0] = start, in.dateVal[1] = end;
        return run();
    }
    std::string row(int i) const  // column, row and time
    {
        return std::to_string(rows[i].x) + " " + std::to_string(rows[i].y) + " " +
               stamp(rows[i].year, rows[i].month, rows[i].day, rows[i].hour, rows[i].minute);
    }
};

}  // namespace

TEST_F(TableCase, OneDayHourlyAndTenMinutesOnTheTimeGrid)
{
    ASSERT_EQ(run(), TableOk);
    ASSERT_EQ(count, 25);
    EXPECT_EQ(row(0) + "|" + row(1) + "|" + row(12) + "|" + row(24),
              "100 110 2000-01-01 12:00|120 112 2000-01-01 13:00|340 134 2000-01-02 00:00|580 158 2000-01-02 12:00");
    EXPECT_NEAR(rows[24].value, 45.0 - 80.0 * 158.0 / 656.0, 1e-9);
    EXPECT_TRUE(stats.count == 25 && stats.max == rows[0].value && stats.min == rows[24].value);
    EXPECT_NEAR(stats.mean, (rows[0].value + rows[24].value) / 2, 1e-9);
    char mn[32], mx[32], mean[32], cnt[16];
    formatStats(stats, mn, mx, mean, cnt);
    EXPECT_EQ(std::string(mn) + mx + mean + "|" + cnt, " +25.73 +31.59 +28.66|25");

    in.timeStep = 10;
    ASSERT_EQ(run(), TableOk);
    ASSERT_EQ(count, 145);
    // 20/6 columns a row, rounded
    EXPECT_EQ(row(1) + "|" + row(2) + "|" + row(144), "103 110 2000-01-01 12:10|107 111 2000-01-01 12:20|580 158 2000-01-02 12:00");
    // The first row on the step's grid.
    ASSERT_EQ(run(580, at(2000, 1, 1, 12, 7), at(2000, 1, 2, 12, 7)), TableOk);
    EXPECT_EQ(row(0) + "|" + row(count - 1), "101 110 2000-01-01 12:10|578 158 2000-01-02 12:00");
    // 50 minutes apart across one hour boundary: one row, an hour = the mark distance.
    in.timeStep = 60;
    ASSERT_EQ(run(160, at(2000, 1, 1, 12, 30), at(2000, 1, 1, 13, 20)), TableOk);
    EXPECT_EQ(row(0) + " " + std::to_string(count), "130 113 2000-01-01 13:00 1");
}

TEST_F(TableCase, ChecksInOrderWithTheirTexts)
{
    const struct {
        DateTime start, end;
        int result;
        const char *text;
    } cases[] = {
        {at(2000, 1, 1, 12, 0), at(2000, 1, 1, 12, 50), TableDatesTooSimilar, "start and end date are too similar"},
        {at(2000, 1, 1, 0, 0), at(1999, 12, 31, 23, 0), TableStartNotBeforeEnd, "start date is not before end date"},
        {at(2000, 3, 1, 0, 0), at(2000, 2, 30, 0, 0), TableInvalidEnd, "invalid end date"},
        {DateTime(), at(2000, 2, 30, 0, 0), TableInvalidStart, "invalid start date"},
        // 14 days over Feb 29 in steps of 10 minutes: 2017 rows
        {at(2004, 2, 20, 0, 0), at(2004, 3, 5, 0, 0), TableTooLong, "table too long, check dates"},
    };
    in.timeStep = 10;
    for (const auto &c : cases) {
        EXPECT_EQ(run(3360, c.start, c.end), c.result) << stamp(c.start) << " to " << stamp(c.end);
        EXPECT_EQ(count, 0);
        EXPECT_STREQ(tableErrorText(c.result), c.text);
    }
    ASSERT_EQ(run(3360, at(2004, 2, 20, 0, 0), at(2004, 3, 4, 23, 50)), TableOk);
    EXPECT_EQ(count, kMaxTableRows);
    EXPECT_EQ(row(count - 1), "3368 437 2004-03-04 23:50");  // 100 + 3260 / 335 h * 335 h 50 min
    in.fitStatus = 3;
    EXPECT_EQ(run(), TableMissingCurve);
    in.fitStatus = 0;
    in.curve = nullptr;
    EXPECT_EQ(run(), TableMissingCurve);
    EXPECT_STREQ(tableErrorText(TableMissingCurve), "missing curve");
}

TEST_F(TableCase, PaperSpeedBounds)
{
    params.srcMMPerHour = 2.5;  // 20 columns per hour expected
    for (int distance : {179, 181, 222, 223}) {
        ASSERT_EQ(run(100 + distance, at(2000, 1, 1, 0, 0), at(2000, 1, 1, 10, 0)), TableOk);
        EXPECT_EQ(speed.warn, distance == 179 || distance == 223) << distance;
    }
    char measured[64], nominal[64];
    paperSpeedWarningParts(speed, measured, nominal);
    EXPECT_EQ(std::string(measured) + " " + nominal, "2.787500 2.500000");
    params.srcMMPerHour = 0.0;  // no nominal feed, no check
    ASSERT_EQ(run(), TableOk);
    EXPECT_FALSE(speed.warn);
}
