// SPDX-License-Identifier: GPL-3.0-or-later
// Command line parsing of vellora-batch.

#include <tuple>

#include "coretest.h"
#include "options.h"

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

TEST(BatchOptions, DefaultsAndEveryOptionInAnyOrder)
{
    BatchOptions d, o;
    ASSERT_EQ(parse({"a.tif"}, d), ParseRun);
    EXPECT_EQ(std::vector<bool>({d.hasSmoothness, d.force, d.sef, d.autoWindows, d.autoSetup, d.writeContext, d.strict}),
              std::vector<bool>({false, false, false, true, false, false, false}));
    EXPECT_EQ(std::make_tuple(d.timeStep, d.station.id), std::make_tuple(0, std::string("NA")));
    EXPECT_GE(d.jobs, 1);

    ASSERT_EQ(parse({"a.tif", "--step=10", "--smoothness", "-2.5", "-j3", "--force", "--quiet", "--auto-windows",
                     "--output-dir", "out", "--params", "p.ini", "--sef", "--station-id", "X1", "--lat", "-33.9",
                     "--utc-offset", "-3:30", "b.tif", "--", "--c.tif"}, o), ParseRun);
    EXPECT_EQ(o.scans, (std::vector<std::string>{"a.tif", "b.tif", "--c.tif"}));
    EXPECT_EQ(std::vector<bool>({o.hasSmoothness, o.force, o.quiet, o.autoWindows, o.sef}),
              std::vector<bool>(5, true));

    BatchOptions r;
    ASSERT_EQ(parse({"--no-auto-windows", "--manifest", "m.csv", "--write-context", "--report", "r.csv", "--preview",
                     "p", "--contact-sheet", "s.png", "--strict", "a.tif"}, r), ParseRun);
    // Auto windows off; a manifest implies the set-up.
    EXPECT_EQ(std::vector<bool>({r.autoWindows, r.autoSetup, r.writeContext, r.strict}),
              std::vector<bool>({false, true, true, true}));
    EXPECT_EQ(std::make_tuple(r.manifestFile, r.reportFile, r.previewDir, r.contactSheet),
              std::make_tuple(std::string("m.csv"), std::string("r.csv"), std::string("p"), std::string("s.png")));
    EXPECT_EQ(std::make_tuple(o.timeStep, o.smoothness, o.jobs, o.outputDir, o.paramsFile, o.station.id,
                              o.station.lat, o.station.source, o.utcOffsetMinutes),
              std::make_tuple(10, -2.5, 3, std::string("out"), std::string("p.ini"), std::string("X1"),
                              std::string("-33.9"), std::string("NA"), -210));
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
        {{"--smoothness", " 2"}, "--smoothness: invalid smoothness ' 2'"},
        {{"--max-pixels", "-5"}, "--max-pixels: invalid number of pixels '-5'"},
        {{"--csv", "--utc-offset", "1\n"}, "--utc-offset: invalid UTC offset '1\\x0a'"},
        {{"--csv", "--utc-offset", "14.5"}, "--utc-offset: invalid UTC offset '14.5'"},
        {{"--csv", "--utc-offset", "0.3333"}, "--utc-offset: invalid UTC offset '0.3333'"},
        {{"--csv", "--utc-offset", "5:60"}, "--utc-offset: invalid UTC offset '5:60'"},
        {{"--smoothness", "30.5"}, "--smoothness: invalid smoothness '30.5'"},
        {{"--smoothness", "2x"}, "--smoothness: invalid smoothness '2x'"},
        {{"--sef", "--station-id", "B", "--lat", "46.95\r"}, "--lat: invalid latitude '46.95\\x0d'"},
        {{"--sef", "--station-id", "B", "--alt", "553\t\t"}, "--alt: invalid altitude '553\\x09\\x09'"},
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
        std::vector<std::string> args = c.args;
        args.push_back("a.tif");
        EXPECT_EQ(parse(args, o, &message), ParseUsage) << c.named;
        EXPECT_NE(message.find(c.named), std::string::npos) << message;
    }
    BatchOptions o;
    ASSERT_EQ(parse({"--sef", "--station-id", "B", "--station-name", "Z\xc3\xbcrich", "--max-pixels", "5000", "a.tif"}, o),
              ParseRun);
    EXPECT_EQ(o.maxPixels, 5000);
    EXPECT_EQ(o.warnings.size(), 2u) << "no position and no UTC offset";
}

}  // namespace
