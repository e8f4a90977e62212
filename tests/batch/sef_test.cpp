// SPDX-License-Identifier: GPL-3.0-or-later
// Station Exchange Format output: UTC conversion, header, rows and file name.

#include "coretest.h"
#include "options.h"
#include "sef.h"

TEST(SefUtc, LocalTimesCrossDayMonthYearAndLeapDayBoundaries)
{
    // local = UTC + offset minutes
    const struct { ClockTime local; int offset; const char *utc; } cases[] = {
        {{2004, 7, 1, 0, 30}, 60, "2004-06-30 23:30"},   {{2005, 1, 1, 0, 0}, 60, "2004-12-31 23:00"},
        {{2004, 3, 1, 1, 0}, 120, "2004-02-29 23:00"},   {{1900, 3, 1, 1, 0}, 120, "1900-02-28 23:00"},
        {{2004, 2, 28, 21, 0}, -210, "2004-02-29 00:30"}, {{2003, 12, 31, 22, 15}, -345, "2004-01-01 04:00"},
        {{2004, 4, 30, 23, 50}, -5, "2004-04-30 23:55"},  {{2004, 4, 30, 23, 58}, -5, "2004-05-01 00:03"},
    };
    for (const auto &c : cases) {
        const ClockTime t = localToUtc(c.local, c.offset);
        EXPECT_EQ(stamp(t.year, t.month, t.day, t.hour, t.minute), c.utc) << c.offset;
    }
    const std::pair<int, const char *> offsets[] = {{0, "+0"},     {60, "+1"},     {-210, "-3.5"},
                                                     {345, "+5.75"}, {-6, "-0.1"}, {307, "+5:07"}};
    for (const auto &o : offsets) EXPECT_EQ(formatUtcOffset(o.first), o.second);
}

TEST(SefFile, HeaderRowsAndNameFollowTheFormat)
{
    StationInfo station;
    station.id = "BRN";
    station.name = "Bern";
    station.lat = "46.95";
    station.source = "ARCH";
    const TableRow rows[] = {{0, 0, 2004, 7, 31, 23, 0, -5.24}, {0, 0, 2004, 8, 1, 0, 0, 23.46},
                             {0, 0, 2004, 8, 1, 1, 0, 0.0}};
    SefSeries series{0, rows, 3, 60, "T0815\tx|y.tif", "my.ini", 4.0, {}};
    EXPECT_EQ(sefFileText(station, series),
              "SEF\t1.0.0\nID\tBRN\nName\tBern\nLat\t46.95\nLon\tNA\nAlt\tNA\nSource\tARCH\nLink\tNA\n"
              "Vbl\tta\nStat\tpoint\nUnits\tC\n"
              "Meta\tutc_offset=+1|scan=T0815_x_y.tif|software=vellora " + std::string(kBatchVersion) +
                  "|profile=my.ini|smoothness=4\n"
              "Year\tMonth\tDay\tHour\tMinute\tPeriod\tValue\tMeta\n"
              "2004\t7\t31\t22\t0\t0\t-5.2\t\n"
              "2004\t7\t31\t23\t0\t0\t23.5\t\n"
              "2004\t8\t1\t0\t0\t0\t0.0\t\n");
    // The dates of the name are those of the first and last UTC row.
    EXPECT_EQ(sefFileName(station, series), "ARCH_BRN_20040731-20040801_ta.tsv");

    series.field = 1;
    series.utcOffsetMinutes = -60;
    const std::string text = sefFileText(StationInfo(), series);
    EXPECT_NE(text.find("ID\tNA\nName\tNA\n"), std::string::npos);
    EXPECT_NE(text.find("Vbl\trh\nStat\tpoint\nUnits\t%\nMeta\tutc_offset=-1|"), std::string::npos);
    EXPECT_NE(text.find("\n2004\t8\t1\t0\t0\t0\t-5.2\t\n"), std::string::npos);
    EXPECT_EQ(sefFileName(StationInfo(), series), "NA_NA_20040801-20040801_rh.tsv");
}
