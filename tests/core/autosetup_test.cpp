// SPDX-License-Identifier: GPL-3.0-or-later
// The manifest of scan dates: accepted forms, refused lines named by number,
// and finding a scan's line. Zero-click set-up on synthetic charts: a scan
// and its manifest line only, through the proposals and the digitising road
// to tables measured against the charts' truth.

#include "autosetup.h"
#include "coretest.h"
#include "manifest.h"
#include "synth_fixtures.h"

namespace {

// The line of every error, 0 for the whole file.
std::vector<int> errorLines(const Manifest &m)
{
    std::vector<int> lines;
    for (const ManifestError &e : m.errors) lines.push_back(e.line);
    return lines;
}

}  // namespace

// A bare file name matches the scan in any folder; a path only itself.
TEST(Manifest, ReadsBothTimeFormsQuotesBlankLinesAndCrLfAndFindsScans)
{
    const Manifest m = parseManifest(
        "Scan, Start ,END\r\n"
        "a.tif,2002-03-16T04:00,2002-03-23T04:10\r\n"
        "\n"
        "\"dir/b,2.tif\",1955-12-31 23:59,1956-01-01 00:01\n"
        "c.jpg , 2000-02-28T12:00 , 2000-02-29T12:00");
    EXPECT_EQ(errorLines(m), std::vector<int>());
    ASSERT_EQ(m.entries.size(), 3u);
    EXPECT_EQ(m.entries[0].scan + " " + stamp(m.entries[0].start) + " " + stamp(m.entries[0].end),
              "a.tif 2002-03-16 04:00 2002-03-23 04:10");
    EXPECT_EQ(m.entries[1].scan + " " + stamp(m.entries[1].start) + " " + stamp(m.entries[1].end),
              "dir/b,2.tif 1955-12-31 23:59 1956-01-01 00:01");
    EXPECT_EQ(m.entries[1].line, 4);
    EXPECT_EQ(stamp(m.entries[2].end), "2000-02-29 12:00");
    EXPECT_EQ(findManifestEntry(m, "/x/y/a.tif"), &m.entries[0]);
    EXPECT_EQ(findManifestEntry(m, "dir/b,2.tif"), &m.entries[1]);
    for (const char *other : {"/elsewhere/b,2.tif", "/x/y/A.tif"})
        EXPECT_EQ(findManifestEntry(m, other), nullptr) << other;
}

// Each bad line is refused under its number and the good lines stay: too few
// fields, a bad start or end, an end not after the start, a span of more
// than 2016 ten-minute rows, a scan listed twice or empty, an open quote. A
// file without its header or any line is refused as a whole.
TEST(Manifest, RefusesBadLinesNamingThem)
{
    Manifest m = parseManifest(
        "scan,start,end\n"
        "ok.tif,2002-03-16T04:00,2002-03-23T04:00\n"
        "two.tif,2002-03-16T04:00\n"
        "month.tif,2002-13-01T04:00,2002-12-02T04:00\n"
        "short.tif,2002-03-16T04:00,2002-03-16T4:30\n"
        "back.tif,2002-03-16T04:00,2002-03-16T03:59\n"
        "same.tif,2002-03-16T04:00,2002-03-16T04:00\n"
        "fits.tif,2002-03-01T00:00,2002-03-14T23:50\n"
        "long.tif,2002-03-01T00:00,2002-03-15T00:00\n"
        "ok.tif,2002-04-16T04:00,2002-04-23T04:00\n"
        ",2002-04-16T04:00,2002-04-23T04:00\n"
        "\"open.tif,2002-04-16T04:00,2002-04-23T04:00\n");
    ASSERT_EQ(m.entries.size(), 2u);
    EXPECT_EQ(m.entries[1].scan, "fits.tif");
    EXPECT_EQ(errorLines(m), std::vector<int>({3, 4, 5, 6, 7, 9, 10, 11, 12}));
    EXPECT_TRUE(manifestRefusedScan(m, "/scans/long.tif"));
    EXPECT_FALSE(manifestRefusedScan(m, "/scans/fits.tif"));

    EXPECT_EQ(errorLines(parseManifest("a.tif,2002-03-16T04:00,2002-03-23T04:00\n")), std::vector<int>({1}));
    EXPECT_EQ(errorLines(parseManifest("\n \n")), std::vector<int>({0}));
}

// Clean charts within 0.1 C and 0.3 %, degraded ones (notes, blots, pen
// gaps, noise, faded grid, margins cut off, JPEG) within 0.3 C and 1.5 %.
TEST(AutoSetup, AScanAndItsManifestLineBecomeTablesWithoutAClick)
{
    const struct { const char *name; uint64_t seed; double dpi; bool degraded; double tempMax, humMax; } charts[] = {
        {"clean 300 dpi", 51, 300, false, 0.1, 0.3},
        {"clean 200 dpi", 52, 200, false, 0.1, 0.3},
        {"degraded 300 dpi", 53, 300, true, 0.3, 1.5},
    };
    TempDir dir("autosetup");
    for (const auto &c : charts) {
        SCOPED_TRACE(c.name);
        ChartOptions o = quickChartOptions(c.seed);
        o.dpi = c.dpi;
        o.maxRotationDeg = 3;
        o.withContext = false;
        if (c.degraded) {
            o.annotations = o.blots = o.gaps = true;
            o.noiseSigma = 6;
            o.gridFade = 0.6;
            for (double &m : o.cutMarginMM) m = 2;
            o.format = ScanFormat::Jpeg;
            o.jpegQuality = 80;
        }
        MadeChart made = makeChart(dir.path(), o, c.name);
        ASSERT_EQ(made.result, SynthOk);
        Manifest manifest;
        ASSERT_TRUE(readManifest(made.scan + ".manifest.csv", manifest));
        const ManifestEntry *entry = findManifestEntry(manifest, made.scan);
        ASSERT_NE(entry, nullptr);
        const PixbufPtr scan = loadedScan(made.scan);
        ASSERT_TRUE(scan);

        FileCtx ctx;
        SetupProposal p = proposeSetup(o.params, scan.get(), ctx, entry);
        EXPECT_EQ(p.reason, "");
        EXPECT_GE(lowestConfidence(p), 0.8);
        storeProposals(p, ctx);
        DigitiseOptions options;
        options.autoWindows = true;
        FieldResult fields[2];
        ASSERT_EQ(digitiseScan(made.chart.params, scan.get(), ctx, options, fields), DigitiseOk);
        TableError t = tableError(made.chart, fields[0], 0), h = tableError(made.chart, fields[1], 1);
        EXPECT_LE(t.rmse, c.tempMax);
        EXPECT_LE(h.rmse, c.humMax);
        std::printf("%-17s zero-click RMSE %.3f C %.3f %%\n", c.name, t.rmse, h.rmse);
    }
}

// Records present stay as they are; only the missing are proposed, and
// dates only from a manifest line.
TEST(AutoSetup, ProposesOnlyWhatTheContextLacks)
{
    const SynthChart chart = renderedChart(quickChartOptions(55));
    FileCtx ctx;
    chart.storeRecords(ctx);
    for (const char *key : {"DatePos2", "DateVal1", "DateVal2"}) ctx.remove(key);
    ctx.set("DatePos1", "77");  // a start mark a person set
    const std::string pass1 = ctx.get("Pass1"), colour = ctx.get("CurveColor");

    SetupProposal p = proposeSetup(chart.params, chart.scan.get(), ctx, nullptr);
    EXPECT_EQ(std::vector<bool>({p.proposesPassPoints, p.proposesColor, p.proposesMarks, p.proposesDates}),
              std::vector<bool>({false, false, true, false}));
    EXPECT_NE(p.reason.find("manifest"), std::string::npos) << p.reason;
    storeProposals(p, ctx);
    EXPECT_EQ(ctx.get("Pass1"), pass1);
    EXPECT_EQ(ctx.get("CurveColor"), colour);
    EXPECT_STREQ(ctx.get("DatePos1"), "77");
    int end = -1;
    ASSERT_TRUE(loadDatePosRecord(ctx, 1, end));
    EXPECT_NEAR(end, chart.datePos[1], 2);
    EXPECT_EQ(ctx.get("DateVal1"), nullptr);
}

// A scan without a chart gets no proposal that could be mistaken for one.
TEST(AutoSetup, NothingIsGuessedOnAScanWithoutAChart)
{
    const guchar paper[3] = {247, 244, 236};
    PixbufPtr page = solidImage(1200, 1900, paper);
    const Params params = defaultParams();
    Manifest m = parseManifest("scan,start,end\npage.tif,2002-03-16T04:00,2002-03-23T04:00\n");
    FileCtx ctx;
    SetupProposal p = proposeSetup(params, page.get(), ctx, &m.entries.at(0));
    EXPECT_EQ(lowestConfidence(p), 0.0);
    storeProposals(p, ctx);
    EXPECT_EQ(keysOf(ctx), "DateVal1 DateVal2 ");
    EXPECT_NE(p.reason, "");
}
