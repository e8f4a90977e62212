// SPDX-License-Identifier: GPL-3.0-or-later
// Zero-click set-up on synthetic charts: a scan and its manifest line only,
// through the proposals and the digitising road to tables measured against
// the charts' truth.

#include "autosetup.h"
#include "coretest.h"
#include "synth_fixtures.h"

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
        EXPECT_FALSE(g_file_test(made.ctx.c_str(), G_FILE_TEST_EXISTS)) << "no file context";
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
    int start = -1, end = -1;
    EXPECT_TRUE(loadDatePosRecord(ctx, 0, start));
    EXPECT_TRUE(loadDatePosRecord(ctx, 1, end));
    EXPECT_EQ(start, 77);
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
