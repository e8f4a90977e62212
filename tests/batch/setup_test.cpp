// SPDX-License-Identifier: GPL-3.0-or-later
// Scans without a file context: dates from a manifest, the rest proposed,
// the proposals written only when asked, manifest faults named by line.

#include "autosetup.h"
#include "batch_fixtures.h"
#include "manifest.h"
#include "setupverdict.h"
#include "tablefile.h"

using namespace batchtest;

namespace {

MadeChart chartWithoutContext(const TempDir &dir, uint64_t seed, const char *name)
{
    ChartOptions o = quickChartOptions(seed);
    o.withContext = false;
    MadeChart made = makeChart(dir.path(), o, name);
    EXPECT_EQ(made.result, SynthOk);
    return made;
}

// The core's zero-click table of a field for the scan and its manifest line.
std::string zeroClickTable(const MadeChart &made, const Manifest &manifest, int field)
{
    const PixbufPtr scan = loadedScan(made.scan);
    FileCtx ctx;
    storeProposals(proposeSetup(made.chart.params, scan.get(), ctx, findManifestEntry(manifest, made.scan)), ctx);
    DigitiseOptions options;
    options.autoWindows = true;
    FieldResult fields[2];
    EXPECT_EQ(digitiseScan(made.chart.params, scan.get(), ctx, options, fields), DigitiseOk);
    return tableFileText(field, 60, fields[field].rows.data(), int(fields[field].rows.size()));
}

// --write-context stores what was proposed, keeps what was there, and the
// records read back to the same tables. Whether the proposals are right is
// the zero-click tables' test.
TEST(BatchSetup, WrittenProposalsReadBackAndKeepWhatWasThere)
{
    TempDir dir("writectx");
    const MadeChart fresh = chartWithoutContext(dir, 71, "fresh"), kept = chartWithoutContext(dir, 72, "kept");
    makeFile(kept.ctx, "TimeStep=10\nDatePos1=" + std::to_string(kept.chart.datePos[0] + 3) + "\n");
    makeFile(dir.file("m.csv"),
             "scan,start,end\n" + fresh.chart.manifestLine(fresh.scan) + kept.chart.manifestLine(kept.scan));
    const RunResult r = runBatchExe({"--manifest", "m.csv", "--write-context", fresh.scan, kept.scan}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;

    // Read back without the manifest, the records give the tables they gave.
    const std::string tables = fileContents(dir.file("Tresh.bmp.txt"));
    ASSERT_EQ(runBatchExe({"--force", fresh.scan}, dir.path()).status, 0);
    EXPECT_EQ(fileContents(dir.file("Tresh.bmp.txt")), tables);
    FileCtx ctx;
    ctx.open(fresh.scan.c_str(), true);
    EXPECT_EQ(keysOf(ctx), "CurveColor DatePos1 DatePos2 DateVal1 DateVal2 Pass1 Pass2 Pass3 ");
    ctx.open(kept.scan.c_str(), true);
    EXPECT_STREQ(ctx.get("TimeStep"), "10");
    EXPECT_EQ(ctx.get("DatePos1"), std::to_string(kept.chart.datePos[0] + 3));
    EXPECT_NE(ctx.get("Pass1"), nullptr);
    EXPECT_NEAR(countLines(fileContents(dir.file("Tept.bmp.txt"))), kept.chart.minutes / 10, 1) << "its step kept";
}

// A scan and its manifest line alone give the tables of the core's zero-click
// road, whose accuracy is tested there, and no context is written unless asked for. Each faulty line is
// named; a scan whose line was refused writes nothing, one the manifest does
// not list fails for want of dates, a line naming no given scan is a
// warning, and an unreadable manifest is a usage error.
TEST(BatchSetup, ManifestDatesGiveTablesAndItsFaultsAreNamedByLine)
{
    TempDir dir("manifest");
    const MadeChart good = chartWithoutContext(dir, 81, "good"), backward = chartWithoutContext(dir, 82, "backward"),
                    unlisted = chartWithoutContext(dir, 83, "unlisted");
    makeFile(dir.file("m.csv"), "scan,start,end\n" + good.chart.manifestLine(good.scan) +
                                    "backward.bmp,2002-03-23T04:00,2002-03-16T04:00\n"
                                    "garbled line\n"
                                    "elsewhere.bmp,2002-03-16 04:00,2002-03-23 04:00\n");
    const RunResult r = runBatchExe({"--manifest", "m.csv", good.scan, backward.scan, unlisted.scan}, dir.path());
    EXPECT_EQ(r.status, 1);
    for (const char *line : {"line 3: ", "line 4: "})
        EXPECT_NE(r.err.find(std::string("manifest m.csv: ") + line), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("warning: manifest m.csv: line 5: scan elsewhere.bmp is not among the scans given"),
              std::string::npos) << r.err;
    EXPECT_TRUE(hasLine(r.out, backward.scan + "\tfailed: manifest line 3: ")) << r.out;
    EXPECT_TRUE(hasLine(r.out, unlisted.scan + "\tfailed: cannot digitise without DateVal1, DateVal2")) << r.out;
    EXPECT_TRUE(hasLine(r.out, "1 ok, 0 suspect, 2 failed")) << r.out;
    const auto files = filesIn(dir.path());
    EXPECT_EQ(files.count("Tackward.bmp.txt") + files.count("Tnlisted.bmp.txt"), 0u);
    Manifest manifest;
    ASSERT_TRUE(readManifest(dir.file("m.csv"), manifest));
    EXPECT_EQ(files.at("Tood.bmp.txt"), zeroClickTable(good, manifest, 0));
    EXPECT_EQ(files.at("Food.bmp.txt"), zeroClickTable(good, manifest, 1));
    EXPECT_FALSE(g_file_test(good.ctx.c_str(), G_FILE_TEST_EXISTS)) << "no context without --write-context";

    EXPECT_EQ(runBatchExe({"--manifest", "none.csv", good.scan}, dir.path()).status, 2);
}

// A proposal made with doubt or low confidence makes ok tables suspect with
// the detector's reason; a sure one leaves the verdict, a failed scan stays
// failed.
TEST(BatchSetup, DoubtfulProposalsMakeTheScanSuspect)
{
    SetupProposal sure{};
    sure.proposesPassPoints = true;
    sure.passConfidence[0] = sure.passConfidence[1] = sure.passConfidence[2] = 0.95;
    SetupProposal vague = sure, doubted = sure;
    vague.passConfidence[1] = 0.6;
    doubted.reason = "end mark: the trace fades out";

    // The verdict after judging the proposal, as "level: reasons".
    auto judged = [](const SetupProposal &proposal, VerdictLevel before) {
        ScanVerdict verdict;
        verdict.level = before;
        judgeSetup(proposal, verdict);
        return std::string(verdictName(verdict.level)) + ": " + verdictReasons(verdict);
    };
    EXPECT_EQ(judged(sure, VerdictLevel::Ok), "ok: ");
    EXPECT_EQ(judged(vague, VerdictLevel::Ok), "suspect: set-up: proposals uncertain (confidence 0.60)");
    EXPECT_EQ(judged(doubted, VerdictLevel::Ok), "suspect: set-up: end mark: the trace fades out");
    EXPECT_EQ(judged(vague, VerdictLevel::Failed), "failed: set-up: proposals uncertain (confidence 0.60)");
}

}  // namespace
