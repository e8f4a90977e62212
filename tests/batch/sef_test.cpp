// Station Exchange Format output: UTC conversion, header, rows and file name.

#include <gtest/gtest.h>

#include "sef.h"

namespace {

TableRow row(int year, int month, int day, int hour, int minute, double value)
{
    TableRow r;
    r.x = r.y = 0;
    r.year = year;
    r.month = month;
    r.day = day;
    r.hour = hour;
    r.minute = minute;
    r.value = value;
    return r;
}

void expectTime(const ClockTime &t, int year, int month, int day, int hour, int minute)
{
    EXPECT_EQ(t.year, year);
    EXPECT_EQ(t.month, month);
    EXPECT_EQ(t.day, day);
    EXPECT_EQ(t.hour, hour);
    EXPECT_EQ(t.minute, minute);
}

TEST(SefUtc, LocalTimesCrossDayMonthYearAndLeapDayBoundaries)
{
    // local = UTC + offset
    expectTime(localToUtc({2004, 7, 1, 0, 30}, 60), 2004, 6, 30, 23, 30);
    expectTime(localToUtc({2005, 1, 1, 0, 0}, 60), 2004, 12, 31, 23, 0);
    expectTime(localToUtc({2004, 3, 1, 1, 0}, 120), 2004, 2, 29, 23, 0);
    expectTime(localToUtc({1900, 3, 1, 1, 0}, 120), 1900, 2, 28, 23, 0);
    expectTime(localToUtc({2004, 2, 28, 21, 0}, -210), 2004, 2, 29, 0, 30);
    expectTime(localToUtc({2003, 12, 31, 22, 15}, -345), 2004, 1, 1, 4, 0);
    expectTime(localToUtc({2004, 4, 30, 23, 50}, -5), 2004, 4, 30, 23, 55);
    expectTime(localToUtc({2004, 4, 30, 23, 58}, -5), 2004, 5, 1, 0, 3);
    expectTime(localToUtc({2004, 6, 15, 12, 0}, 0), 2004, 6, 15, 12, 0);
}

TEST(SefUtc, OffsetIsRecordedInHoursOrHoursAndMinutes)
{
    EXPECT_EQ(formatUtcOffset(0), "+0");
    EXPECT_EQ(formatUtcOffset(60), "+1");
    EXPECT_EQ(formatUtcOffset(-210), "-3.5");
    EXPECT_EQ(formatUtcOffset(345), "+5.75");
    EXPECT_EQ(formatUtcOffset(-6), "-0.1");
    EXPECT_EQ(formatUtcOffset(307), "+5:07");
}

TEST(SefFile, HeaderRowsAndNameFollowTheFormat)
{
    StationInfo station;
    station.id = "BRN";
    station.name = "Bern";
    station.lat = "46.95";
    station.source = "ARCH";
    const TableRow rows[] = {row(2004, 7, 31, 23, 0, -5.24), row(2004, 8, 1, 0, 0, 23.46),
                             row(2004, 8, 1, 1, 0, 0.0)};
    SefSeries series{0, rows, 3, 60, "T0815\tx|y.tif"};

    EXPECT_EQ(sefFileText(station, series),
              "SEF\t1.0.0\n"
              "ID\tBRN\n"
              "Name\tBern\n"
              "Lat\t46.95\n"
              "Lon\tNA\n"
              "Alt\tNA\n"
              "Source\tARCH\n"
              "Link\tNA\n"
              "Vbl\tta\n"
              "Stat\tpoint\n"
              "Units\tC\n"
              "Meta\tutc_offset=+1|scan=T0815_x_y.tif\n"
              "Year\tMonth\tDay\tHour\tMinute\tPeriod\tValue\tMeta\n"
              "2004\t7\t31\t22\t0\t0\t-5.2\t\n"
              "2004\t7\t31\t23\t0\t0\t23.5\t\n"
              "2004\t8\t1\t0\t0\t0\t0.0\t\n");
    // The dates of the name are those of the first and last UTC row.
    EXPECT_EQ(sefFileName(station, series), "ARCH_BRN_20040731-20040801_ta.tsv");

    series.field = 1;
    series.utcOffsetMinutes = -60;
    std::string text = sefFileText(StationInfo(), series);
    EXPECT_NE(text.find("ID\tNA\nName\tNA\n"), std::string::npos);
    EXPECT_NE(text.find("Vbl\trh\nStat\tpoint\nUnits\t%\nMeta\tutc_offset=-1|"), std::string::npos);
    EXPECT_NE(text.find("\n2004\t8\t1\t0\t0\t0\t-5.2\t\n"), std::string::npos);
    EXPECT_EQ(sefFileName(StationInfo(), series), "NA_NA_20040801-20040801_rh.tsv");
}

} // namespace
