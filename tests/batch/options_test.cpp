// Command line parsing of vellora-batch.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "options.h"

namespace {

ParseResult parse(std::vector<std::string> args, BatchOptions &options, std::string &message)
{
    args.insert(args.begin(), "vellora-batch");
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    return parseBatchOptions(static_cast<int>(args.size()), argv.data(), options, message);
}

TEST(BatchOptions, DefaultsAndEveryOptionInAnyOrder)
{
    BatchOptions o;
    std::string msg;
    ASSERT_EQ(parse({"a.tif"}, o, msg), ParseRun) << msg;
    EXPECT_EQ(o.timeStep, 0);
    EXPECT_FALSE(o.hasSmoothness);
    EXPECT_GE(o.jobs, 1);
    EXPECT_EQ(o.station.id, "NA");

    BatchOptions all;
    ASSERT_EQ(parse({"a.tif", "--step=10", "--smoothness", "-2.5", "-j3", "--force", "--quiet",
                     "--auto-windows", "--output-dir", "out", "--params", "p.ini", "--sef",
                     "--station-id", "X1", "--lat", "-33.9", "--lon", "151.2", "--alt", "39",
                     "--utc-offset", "-3:30", "b.tif", "--", "--c.tif"},
                    all, msg),
              ParseRun)
        << msg;
    EXPECT_EQ(all.scans, (std::vector<std::string>{"a.tif", "b.tif", "--c.tif"}));
    EXPECT_EQ(all.timeStep, 10);
    EXPECT_TRUE(all.hasSmoothness);
    EXPECT_DOUBLE_EQ(all.smoothness, -2.5);
    EXPECT_EQ(all.jobs, 3);
    EXPECT_TRUE(all.force && all.quiet && all.autoWindows && all.sef);
    EXPECT_EQ(all.outputDir, "out");
    EXPECT_EQ(all.paramsFile, "p.ini");
    EXPECT_EQ(all.station.lat, "-33.9");
    EXPECT_EQ(all.station.source, "NA");
    EXPECT_EQ(all.utcOffsetMinutes, -210);
}

TEST(BatchOptions, UtcOffsetsInHoursOrHoursAndMinutes)
{
    const struct {
        const char *text;
        int minutes;  // -9999: refused
    } cases[] = {{"1", 60},       {"-3.5", -210}, {"+5.75", 345}, {"5:45", 345},
                 {"-0:30", -30},  {"14", 840},    {"14.5", -9999}, {"0.3333", -9999},
                 {"5:60", -9999}, {"x", -9999},   {"1:-5", -9999}};
    for (const auto &c : cases) {
        BatchOptions o;
        std::string msg;
        ParseResult r = parse({"--sef", "--utc-offset", c.text, "a.tif"}, o, msg);
        SCOPED_TRACE(c.text);
        if (c.minutes == -9999) {
            EXPECT_EQ(r, ParseUsage);
        } else {
            ASSERT_EQ(r, ParseRun) << msg;
            EXPECT_EQ(o.utcOffsetMinutes, c.minutes);
        }
    }
}

TEST(BatchOptions, SmoothnessWithinTheWeightsRange)
{
    for (const char *ok : {"30", "-30", "30.49", "-30.5"}) {
        BatchOptions o;
        std::string msg;
        EXPECT_EQ(parse({"--smoothness", ok, "a.tif"}, o, msg), ParseRun) << ok;
    }
    for (const char *bad : {"30.5", "-31.5", "nan", "inf", "2x"}) {
        BatchOptions o;
        std::string msg;
        EXPECT_EQ(parse({"--smoothness", bad, "a.tif"}, o, msg), ParseUsage) << bad;
    }
}

} // namespace
