// SPDX-License-Identifier: GPL-3.0-or-later
// Command line parsing of vellora-batch, and the Station Exchange Format
// output it asks for: UTC conversion, header, rows and file name.

#include <tuple>

#include "coretest.h"
#include "options.h"
#include "sef.h"

namespace {

ParseResult parse(std::vector<std::string> args, BatchOptions &options, std::string *text = nullptr)
{
    args.insert(args.begin(), "vellora-batch");
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    std::string message;
    ParseResult result = parseBatchOptions(int(args.size()), argv.data(), options, message);
    if (text) *text = message;
    return result;
}

}  // namespace

// Options whose value no run of the executable shows: the others are proven
// by the files they shape (cli, review and set-up tests; station options by
// the SEF header below).
TEST(BatchOptions, DefaultsAndValuesNoRunShowsInAnyOrder)
{
    BatchOptions d, o;
    ASSERT_EQ(parse({"a.tif"}, d), ParseRun);
    EXPECT_EQ(std::make_tuple(d.autoWindows, d.hasSmoothness, d.timeStep), std::make_tuple(true, false, 0));

    ASSERT_EQ(parse({"a.tif", "--smoothness", "-2.5", "-j3", "--no-auto-windows", "b.tif", "--", "--c.tif"}, o),
              ParseRun);
    EXPECT_EQ(o.scans, (std::vector<std::string>{"a.tif", "b.tif", "--c.tif"}));
    EXPECT_EQ(std::make_tuple(o.hasSmoothness, o.smoothness, o.jobs, o.autoWindows), std::make_tuple(true, -2.5, 3, false));
}

// UTC offsets in hours or hours and minutes up to 14 h; smoothness within the
// weights' range +-30 (rounded). What lies beyond is a usage error below.
TEST(BatchOptions, ValuesAtTheEndsOfTheirRange)
{
    for (const auto &c : {std::make_pair("+5.75", 345), std::make_pair("-0:30", -30), std::make_pair("14", 840)}) {
        BatchOptions o;
        EXPECT_EQ(parse({"--csv", "--utc-offset", c.first, "a.tif"}, o), ParseRun) << c.first;
        EXPECT_EQ(o.utcOffsetMinutes, c.second) << c.first;
    }
    BatchOptions o;
    EXPECT_EQ(parse({"--smoothness", "-30.5", "a.tif"}, o), ParseRun);
}

// Values from station lists saved on Windows carried CR, LF and tabs into
// the SEF header; every usage error names the argument at fault, and one
// after a valid option's value is not blamed on that value.
TEST(BatchOptions, UsageErrorsNameTheArgumentAtFault)
{
    // named: part of the message
    const struct { std::vector<std::string> args; const char *named; } cases[] = {
        {{"-j", "1", "-dash.jpg"}, "unknown option '-d' in '-dash.jpg'"},
        {{"-j", "2 "}, "--jobs: invalid number of jobs '2 '"},
        {{"--step", "10\r"}, "--step: invalid step '10\\x0d'"},
        {{"--max-pixels", "-5"}, "--max-pixels: invalid number of pixels '-5'"},
        {{"--csv", "--utc-offset", "1\n"}, "--utc-offset: invalid UTC offset '1\\x0a'"},
        {{"--csv", "--utc-offset", "14.5"}, "--utc-offset: invalid UTC offset '14.5'"},
        {{"--csv", "--utc-offset", "0.3333"}, "--utc-offset: invalid UTC offset '0.3333'"},
        {{"--csv", "--utc-offset", "5:60"}, "--utc-offset: invalid UTC offset '5:60'"},
        {{"--smoothness", "30.5"}, "--smoothness: invalid smoothness '30.5'"},
        {{"--smoothness", "2x"}, "--smoothness: invalid smoothness '2x'"},
        {{"--sef", "--station-id", "B", "--lat", "46.95\r"}, "--lat: invalid latitude '46.95\\x0d'"},
        {{"--sef", "--station-id", "B", "--station-name", "Bern\r"}, "--station-name: invalid station name"},
        {{"--sef", "--station-id", "B", "--station-name", "Z\xfcrich"}, "--station-name: invalid station name"},
        {{"--sef", "--station-id", "B R"}, "--station-id: invalid station ID 'B R'"},
        {{"--sef"}, "--sef needs --station-id"},
        {{"--utc-offset", "1"}, "--utc-offset needs --sef or --csv"},
        {{"--write-context"}, "--write-context needs --auto-setup or --manifest"},
        {{"--report", ""}, "--report: empty file name"},
    };
    for (const auto &c : cases) {
        BatchOptions o;
        std::string message;
        EXPECT_EQ(parse(c.args, o, &message), ParseUsage) << c.named;
        EXPECT_NE(message.find(c.named), std::string::npos) << message;
    }
    BatchOptions o;
    ASSERT_EQ(parse({"--sef", "--station-id", "B", "--station-name", "Z\xc3\xbcrich", "a.tif"}, o), ParseRun);
    EXPECT_EQ(o.warnings.size(), 2u) << "no position and no UTC offset";
}

TEST(SefUtc, LocalTimesCrossDayMonthYearAndLeapDayBoundaries)
{
    // local = UTC + offset minutes
    const struct { ClockTime local; int offset; const char *utc; } cases[] = {
        {{2005, 1, 1, 0, 0}, 60, "2004-12-31 23:00"},      {{2004, 3, 1, 1, 0}, 120, "2004-02-29 23:00"},
        {{1900, 3, 1, 1, 0}, 120, "1900-02-28 23:00"},     {{2003, 12, 31, 22, 15}, -345, "2004-01-01 04:00"},
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
    BatchOptions o;
    ASSERT_EQ(parse({"--sef", "--station-id", "BRN", "--station-name", "Bern", "--lat", "46.95", "--source", "ARCH",
                     "a.tif"}, o), ParseRun);
    const StationInfo &station = o.station;
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

    // Humidity, and a station of which nothing is known.
    series.field = 1;
    EXPECT_EQ(sefFileText(StationInfo(), series).rfind("SEF\t1.0.0\nID\tNA\nName\tNA\nLat\tNA\nLon\tNA\nAlt\tNA\n"
                                                     "Source\tNA\nLink\tNA\nVbl\trh\nStat\tpoint\nUnits\t%\n", 0), 0u);
    EXPECT_EQ(sefFileName(StationInfo(), series), "NA_NA_20040731-20040801_rh.tsv");
}
