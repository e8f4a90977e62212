// SPDX-License-Identifier: GPL-3.0-or-later
// What a run leaves for review: the report, previews and contact sheet, the
// exit status, and the flags of rows bridged over stretches without ink.

#include <cstring>

#include "batch_fixtures.h"
#include "tablefile.h"

using namespace batchtest;

namespace {

// The values of a table file's rows: "01.07.2004 12.00  +23.4".
std::vector<double> tableFileValues(const std::string &path)
{
    std::vector<double> values;
    for (const std::string &line : linesOf(fileContents(path)))
        if (!line.empty()) values.push_back(g_ascii_strtod(line.c_str() + 17, nullptr));
    return values;
}

// Neither white nor grey paper.
bool coloured(const guchar *p) { return std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}) > 60; }

// The report, previews and contact sheet come from the same run, as does the
// exit status: a scan without tables fails the run, a suspect one only with
// --strict. Which charts are suspect over the whole range of faults is the
// core's verdict test; here each verdict reaches the report and the summary.
TEST(BatchReview, VerdictsReachTheReportAndTheRunLeavesItsReview)
{
    const struct { const char *name; double passPointErrorPx; const char *verdict; } cases[] = {
        {"clean", 0, "ok"}, {"passfar", 40, "suspect"}};
    TempDir dir("review");
    std::vector<std::string> args = {"--report", "report.csv", "--preview", "previews", "--contact-sheet", "sheet.png"};
    std::vector<std::string> names;  // relative to the run's folder
    for (const auto &c : cases) {
        ChartOptions o = quickChartOptions(31);
        o.passPointErrorPx = c.passPointErrorPx;
        const MadeChart made = makeChart(dir.path(), o, c.name);
        ASSERT_EQ(made.result, SynthOk) << c.name;
        names.push_back(made.scan.substr(dir.path().size() + 1));
        args.push_back(names.back());
    }
    makeFile(dir.file("broken.bmp"), "not an image");
    args.push_back("broken.bmp");
    const RunResult r = runBatchExe(args, dir.path());
    EXPECT_EQ(r.status, 1) << "the unreadable scan failed";
    const std::string report = fileContents(dir.file("report.csv"));
    ASSERT_EQ(report.compare(0, 20, "scan,verdict,reasons"), 0) << report;
    EXPECT_EQ(countLines(report), 1 + int(names.size()) + 1);
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_TRUE(hasLine(report, names[i] + "," + cases[i].verdict + ",")) << report;
        EXPECT_TRUE(g_file_test(tableFileName(dir.file(names[i]), 0).c_str(), G_FILE_TEST_EXISTS)) << names[i];
    }
    EXPECT_TRUE(hasLine(report, "broken.bmp,failed,")) << report;
    EXPECT_TRUE(hasLine(r.out, "1 ok, 1 suspect, 1 failed")) << r.out;
    // Suspect tables are written and fail only with --strict.
    EXPECT_EQ(runBatchExe({"--force", names[1]}, dir.path()).status, 0);
    EXPECT_EQ(runBatchExe({"--strict", "--force", names[1]}, dir.path()).status, 1);

    // A preview for every scan, the failed one its caption alone.
    for (const std::string &name : names) {
        const DecodedImage preview = decodedImage(dir.file("previews/" + name + ".png"));
        EXPECT_GE(preview.count(coloured), 2 * 1200) << "curve, windows and points drawn";
    }
    const DecodedImage failed = decodedImage(dir.file("previews/broken.bmp.png")),
                       sheet = decodedImage(dir.file("sheet.png"));
    EXPECT_GT(failed.count(coloured), 0);
    EXPECT_GE(sheet.count(coloured), 9 * 200);
}

// Rows bridged over more than two hours without ink are NA in SEF, and every
// bridged row carries its flag there and in the CSV, which holds a line for
// each row of the tables, at the UTC offset given. Which rows are bridged is
// the core's verdict test, the CSV's format the core's CSV test.
TEST(BatchReview, BridgedRowsAreFlaggedAndLongBridgesAreNotAvailable)
{
    TempDir dir("bridged");
    ChartOptions o = quickChartOptions(51);
    o.gaps = true;
    o.hours = 400;  // pen gaps grow with the trace: some span more than two hours
    const MadeChart made = makeChart(dir.path(), o, "gaps");
    ASSERT_EQ(made.result, SynthOk);
    const RunResult r = runBatchExe(
        {"--csv", "--sef", "--station-id", "S", "--utc-offset", "-3:30", "--output-dir", "out", made.scan}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> csv = linesOf(fileContents(dir.file("out/gaps.bmp.csv")));
    const std::vector<double> tables[2] = {tableFileValues(dir.file("out/Taps.bmp.txt")),
                                           tableFileValues(dir.file("out/Faps.bmp.txt"))};
    ASSERT_EQ(csv.size(), tables[0].size() + 2);  // the header, the last newline
    ASSERT_EQ(tables[1].size(), tables[0].size());
    std::string ta;
    for (const auto &f : filesIn(dir.file("out")))
        if (f.first.find("_ta.tsv") != std::string::npos) ta = f.second;
    const std::vector<std::string> sef = linesOf(ta);  // 13 header lines, then a row per CSV row
    ASSERT_GE(sef.size(), 12 + csv.size());

    int flagged = 0, notAvailable = 0;
    for (size_t i = 1; i + 1 < csv.size(); ++i) {
        const std::vector<std::string> sefCells = linesOf(sef[12 + i], "\t"), cells = linesOf(csv[i], ",");
        ASSERT_EQ(sefCells.size(), 8u) << sef[12 + i];
        ASSERT_EQ(cells.size(), 4u) << csv[i];
        const std::string &value = sefCells[6], &meta = sefCells[7], &flags = cells[3];
        EXPECT_EQ(cells[0].substr(16), "-03:30") << csv[i];
        for (int f = 0; f < 2; ++f)
            EXPECT_NEAR(g_ascii_strtod(cells[1 + f].c_str(), nullptr), tables[f][i - 1], 0.051) << csv[i];
        const std::string flag = flags.compare(0, 2, "T:") == 0 ? flags.substr(2, flags.find('|') - 2) : "";
        EXPECT_EQ(meta, flag) << "SEF and CSV flag the same rows";
        if (flag.empty()) continue;
        flagged++;
        const double hours = g_ascii_strtod(flag.c_str() + std::strlen("bridged_h="), nullptr);
        EXPECT_EQ(value == "NA", hours > 2.0) << sef[12 + i];
        notAvailable += value == "NA";
    }
    std::printf("[ measured ] %d rows flagged, %d NA\n", flagged, notAvailable);
    EXPECT_GE(notAvailable, 1);  // a flagged row
}

}  // namespace
