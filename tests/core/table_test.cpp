#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "table.h"

namespace {

// Row r(x) = r0 + slope * x, as a fitted curve through six points on it.
struct LineCurve {
    SplineCurve curve;
    LineCurve(double r0, double slope) : curve(6, 1.0)
    {
        curve.begin();
        for (int i = 0; i < 6; ++i)
            curve.add(800.0 * i, r0 + slope * 800.0 * i);
        curve.fit();
    }
};

struct TableCase : public ::testing::Test {
    Params params{};
    LineCurve line{100.0, 0.1};
    HygroScale hygro;
    TableInput in{};
    std::vector<TableRow> rows = std::vector<TableRow>(kMaxTableRows);
    int count = -1;
    TableStats stats{};
    PaperSpeedCheck speed{};

    TableCase()
    {
        params.dstPixelsPerMM = 8.0;
        params.srcFieldHeightMM = 82.0;
        params.srcMMPerHour = 0.0;
        in.field = 0;
        in.curve = &line.curve;
        in.fitStatus = 0;
        in.timeStep = 60;
        in.params = &params;
        in.hygroScale = &hygro;
        setDates(100, 2000, 1, 1, 12, 0, 580, 2000, 1, 2, 12, 0);
    }
    void setDates(int x0, int y0, int mo0, int d0, int h0, int mi0, int x1, int y1, int mo1,
                  int d1, int h1, int mi1)
    {
        in.datePos[0] = x0;
        in.datePos[1] = x1;
        in.dateVal[0].setDateTime(y0, mo0, d0, h0, mi0);
        in.dateVal[1].setDateTime(y1, mo1, d1, h1, mi1);
    }
    int run() { return computeTable(in, rows.data(), &count, &stats, &speed); }
    const TableRow &last() const { return rows[count - 1]; }
};

void expectTime(const TableRow &r, int year, int month, int day, int hour, int minute)
{
    EXPECT_EQ(r.year, year);
    EXPECT_EQ(r.month, month);
    EXPECT_EQ(r.day, day);
    EXPECT_EQ(r.hour, hour);
    EXPECT_EQ(r.minute, minute);
}

}  // namespace

TEST_F(TableCase, OneDayHourly)
{
    ASSERT_EQ(run(), TableOk);
    ASSERT_EQ(count, 25);
    EXPECT_EQ(rows[0].x, 100);
    expectTime(rows[0], 2000, 1, 1, 12, 0);
    EXPECT_EQ(rows[1].x, 120);
    expectTime(rows[12], 2000, 1, 2, 0, 0);
    EXPECT_EQ(last().x, 580);
    expectTime(last(), 2000, 1, 2, 12, 0);
    EXPECT_EQ(last().y, 158);  // 100 + 0.1 * 580 = 158
    EXPECT_NEAR(last().value, 45.0 - 80.0 * 158.0 / 656.0, 1e-9);
    EXPECT_FALSE(speed.warn);

    EXPECT_EQ(stats.count, 25);
    EXPECT_NEAR(stats.max, rows[0].value, 1e-12);
    EXPECT_NEAR(stats.min, last().value, 1e-12);
    EXPECT_NEAR(stats.mean, (rows[0].value + last().value) / 2, 1e-9);
}

TEST_F(TableCase, OneDayTenMinutes)
{
    in.timeStep = 10;
    ASSERT_EQ(run(), TableOk);
    ASSERT_EQ(count, 145);
    const int expected[] = {100, 103, 107, 110, 113, 117, 120};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(rows[i].x, expected[i]) << i;
    expectTime(rows[1], 2000, 1, 1, 12, 10);
    EXPECT_EQ(last().x, 580);
}

TEST_F(TableCase, FirstRowOnTheTimeGrid)
{
    in.timeStep = 10;
    setDates(100, 2000, 1, 1, 12, 7, 580, 2000, 1, 2, 12, 7);
    ASSERT_EQ(run(), TableOk);
    expectTime(rows[0], 2000, 1, 1, 12, 10);
    EXPECT_EQ(rows[0].x, 101);  // 100 + 3 minutes of 20 columns per hour
    expectTime(last(), 2000, 1, 2, 12, 0);

    // 50 minutes apart but one hour boundary: one row, P = mark distance.
    in.timeStep = 60;
    setDates(100, 2000, 1, 1, 12, 30, 160, 2000, 1, 1, 13, 20);
    ASSERT_EQ(run(), TableOk);
    ASSERT_EQ(count, 1);
    expectTime(rows[0], 2000, 1, 1, 13, 0);
    EXPECT_EQ(rows[0].x, 130);
}

TEST_F(TableCase, ChecksInOrder)
{
    setDates(100, 2000, 1, 1, 12, 0, 160, 2000, 1, 1, 12, 50);
    EXPECT_EQ(run(), TableDatesTooSimilar);
    setDates(100, 2000, 1, 2, 12, 0, 580, 2000, 1, 1, 12, 0);
    EXPECT_EQ(run(), TableStartNotBeforeEnd);
    setDates(100, 2000, 1, 1, 0, 0, 580, 1999, 12, 31, 23, 0);
    EXPECT_EQ(run(), TableStartNotBeforeEnd);
    EXPECT_EQ(count, 0);
    in.dateVal[1].setDateTime(2000, 2, 30, 0, 0);
    EXPECT_EQ(run(), TableInvalidEnd);
    in.dateVal[0] = DateTime();  // never set
    EXPECT_EQ(run(), TableInvalidStart);
    in.fitStatus = 3;
    EXPECT_EQ(run(), TableMissingCurve);
    in.fitStatus = 0;
    in.curve = nullptr;
    EXPECT_EQ(run(), TableMissingCurve);

    EXPECT_STREQ(tableErrorText(TableMissingCurve), "missing curve");
    EXPECT_STREQ(tableErrorText(TableInvalidStart), "invalid start date");
    EXPECT_STREQ(tableErrorText(TableInvalidEnd), "invalid end date");
    EXPECT_STREQ(tableErrorText(TableStartNotBeforeEnd), "start date is not before end date");
    EXPECT_STREQ(tableErrorText(TableDatesTooSimilar), "start and end date are too similar");
    EXPECT_STREQ(tableErrorText(TableTooLong), "table too long, check dates");
}

TEST_F(TableCase, RowLimit)
{
    in.timeStep = 10;
    setDates(0, 2004, 2, 20, 0, 0, 3360, 2004, 3, 5, 0, 0);  // 14 days, over Feb 29
    EXPECT_EQ(run(), TableTooLong);
    EXPECT_EQ(count, 0);
    in.dateVal[1].setDateTime(2004, 3, 4, 23, 50);
    ASSERT_EQ(run(), TableOk);
    EXPECT_EQ(count, kMaxTableRows);
    expectTime(last(), 2004, 3, 4, 23, 50);
}

TEST_F(TableCase, TemperatureScaleAndStatsTexts)
{
    EXPECT_DOUBLE_EQ(temperatureOf(params, 0.0, 0.0), 45.0);
    EXPECT_DOUBLE_EQ(temperatureOf(params, 0.0, 656.0), -35.0);
    EXPECT_DOUBLE_EQ(temperatureOf(params, 1.5, 656.0), -33.5);

    LineCurve bottom(656.0, 0.0);
    in.curve = &bottom.curve;
    ASSERT_EQ(run(), TableOk);
    char mn[32], mx[32], mean[32], cnt[16];
    formatStats(stats, mn, mx, mean, cnt);
    EXPECT_STREQ(mn, " -35.00");
    EXPECT_STREQ(mean, " -35.00");
    EXPECT_STREQ(cnt, "25");
    stats.max = 45.0;
    formatStats(stats, mn, mx, mean, cnt);
    EXPECT_STREQ(mx, " +45.00");
}

TEST_F(TableCase, HygrometerValuesThroughTheScale)
{
    in.field = 1;
    hygro.setOffset(1.0);
    ASSERT_EQ(run(), TableOk);
    const double r = 100.0 + 0.1 * 580;
    EXPECT_DOUBLE_EQ(last().value, hygro.toPercent(r / 8.0));
}

TEST_F(TableCase, PaperSpeedBounds)
{
    params.srcMMPerHour = 2.5;  // 20 columns per hour expected
    const struct {
        int distance;
        bool warn;
    } cases[] = {{179, true}, {181, false}, {222, false}, {223, true}};
    for (const auto &c : cases) {
        setDates(0, 2000, 1, 1, 0, 0, c.distance, 2000, 1, 1, 10, 0);
        ASSERT_EQ(run(), TableOk);
        EXPECT_EQ(speed.warn, c.warn) << c.distance;
    }
    char measured[64], nominal[64];
    paperSpeedWarningParts(speed, measured, nominal);
    EXPECT_STREQ(measured, "2.787500");
    EXPECT_STREQ(nominal, "2.500000");

    // The check is filled even when the row loop fails afterwards.
    in.timeStep = 10;
    setDates(0, 2000, 1, 1, 0, 0, 50, 2000, 3, 1, 0, 0);
    EXPECT_EQ(run(), TableTooLong);
    EXPECT_TRUE(speed.warn);

    params.srcMMPerHour = 0.0;
    EXPECT_EQ(run(), TableTooLong);
    EXPECT_FALSE(speed.warn);
}
