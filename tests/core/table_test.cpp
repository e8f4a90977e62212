// SPDX-License-Identifier: GPL-3.0-or-later

#include "coretest.h"
#include "table.h"

namespace {

// By default one day, 2000-01-01 12:00 at column 100 to the next day 12:00
// at 580, on the row 100 + 0.1 x fitted through six points.
struct TableCase : public ::testing::Test {
    Params params = defaultParams();
    SplineCurve line{6, 1.0};
    const double noOffsets[2] = {0.0, 0.0};
    ValueScales scales{params, noOffsets};
    TableInput in{0, &line, 0, {100, 580}, {at(2000, 1, 1, 12, 0), at(2000, 1, 2, 12, 0)}, 60, &params, &scales};
    std::vector<TableRow> rows = std::vector<TableRow>(kMaxTableRows);
    int count = -1;
    TableStats stats{};
    PaperSpeedCheck speed{};

    TableCase()
    {
        line.begin();
        for (int i = 0; i < 6; ++i) line.add(800.0 * i, 100.0 + 0.1 * 800.0 * i);
        line.fit();
    }
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
    EXPECT_EQ(std::vector<double>({double(stats.count), stats.max, stats.min}),
              std::vector<double>({25, rows[0].value, rows[24].value}));
    EXPECT_NEAR(stats.mean, (rows[0].value + rows[24].value) / 2, 1e-9);

    in.timeStep = 10;
    ASSERT_EQ(run(), TableOk);
    ASSERT_EQ(count, 145);
    // 20/6 columns a row, rounded
    EXPECT_EQ(row(1) + "|" + row(2) + "|" + row(144), "103 110 2000-01-01 12:10|107 111 2000-01-01 12:20|580 158 2000-01-02 12:00");
    // The first row on the step's grid.
    ASSERT_EQ(run(580, at(2000, 1, 1, 12, 7), at(2000, 1, 2, 12, 7)), TableOk);
    EXPECT_EQ(row(0) + "|" + row(count - 1), "101 110 2000-01-01 12:10|578 158 2000-01-02 12:00");
}

// A chart hour is the mark distance over the exact time between the marks:
// minutes count, whole hours give what they always gave.
TEST_F(TableCase, MinutesOfTheMarksCount)
{
    // 10:19 to 17:40 seven days later: 10521 minutes over 3507 columns.
    ASSERT_EQ(run(100 + 3507, at(2000, 1, 1, 10, 19), at(2000, 1, 8, 17, 40)), TableOk);
    const double perMinute = 3507.0 / 10521.0;
    EXPECT_EQ(rows[0].x, int(100 + 41 * perMinute + 0.5));  // 11:00
    EXPECT_EQ(rows[count - 1].x, int(100 + (10521 - 40) * perMinute + 0.5));  // 17:00 on the 8th
    // 10:59 to 12:00: 61 minutes, not two hours.
    ASSERT_EQ(run(100 + 61, at(2000, 1, 1, 10, 59), at(2000, 1, 1, 12, 0)), TableOk);
    EXPECT_EQ(row(0) + "|" + row(1), "101 110 2000-01-01 11:00|161 116 2000-01-01 12:00");
}

// Marks less than an hour apart, reversed or invalid, too many rows and a
// missing curve give no rows; the longest table still fits.
TEST_F(TableCase, RefusesWhatItCannotTabulate)
{
    const struct { DateTime start, end; int result; } cases[] = {
        {at(2000, 1, 1, 12, 30), at(2000, 1, 1, 13, 20), TableDatesTooSimilar},
        {at(2000, 1, 1, 0, 0), at(1999, 12, 31, 23, 0), TableStartNotBeforeEnd},
        {at(2000, 3, 1, 0, 0), at(2000, 2, 30, 0, 0), TableInvalidEnd},
        {DateTime(), at(2000, 2, 30, 0, 0), TableInvalidStart},
        // 14 days over Feb 29 in steps of 10 minutes: 2017 rows
        {at(2004, 2, 20, 0, 0), at(2004, 3, 5, 0, 0), TableTooLong},
    };
    in.timeStep = 10;
    for (const auto &c : cases) {
        EXPECT_EQ(run(3360, c.start, c.end), c.result) << stamp(c.start) << " to " << stamp(c.end);
        EXPECT_EQ(count, 0);
    }
    ASSERT_EQ(run(3360, at(2004, 2, 20, 0, 0), at(2004, 3, 4, 23, 50)), TableOk);
    EXPECT_EQ(count, kMaxTableRows);
    EXPECT_EQ(row(count - 1), "3360 436 2004-03-04 23:50");
    in.fitStatus = 3;
    EXPECT_EQ(run(), TableMissingCurve);
    in.fitStatus = 0;
    in.curve = nullptr;
    EXPECT_EQ(run(), TableMissingCurve);
}

TEST_F(TableCase, PaperSpeedBounds)
{
    params.srcMMPerHour = 2.5;  // 20 columns per hour expected
    for (int distance : {179, 181, 222, 223}) {
        ASSERT_EQ(run(100 + distance, at(2000, 1, 1, 0, 0), at(2000, 1, 1, 10, 0)), TableOk);
        EXPECT_EQ(speed.warn, distance == 179 || distance == 223) << distance;
    }
    EXPECT_NEAR(speed.mmPerHour, 223.0 / 10 / 8, 1e-9);  // 8 px/mm
    params.srcMMPerHour = 0.0;  // no nominal feed, no check
    ASSERT_EQ(run(), TableOk);
    EXPECT_FALSE(speed.warn);
}
