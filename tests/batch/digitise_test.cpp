// SPDX-License-Identifier: GPL-3.0-or-later
// digitiseScan on synthetic charts: accuracy against the charts' truth, the
// executable writing the same tables, and the scan's records taking effect as
// in the GUI. Half a pixel of disagreement between chartsynth and the cut-out
// would show as a mean signed error of about 0.06 C: the mean is held tighter.

#include "batch_fixtures.h"
#include "records.h"
#include "tablefile.h"

namespace {

// A chart written to a file and read back as the program reads it.
struct DigitisedChart {
    explicit DigitisedChart(const ChartOptions &options) : made(makeChart(dir.path(), options))
    {
        EXPECT_EQ(made.result, SynthOk);
        scan = loadedScan(made.scan);
        ctx.open(made.scan.c_str(), true);
    }
    // As the GUI starts: the parameter file's smoothness and the scan's step.
    int digitise(FieldResult fields[2]) const
    {
        return digitiseScan(made.chart.params, scan.get(), ctx, DigitiseOptions(), fields);
    }
    // Both tables less the truth; temperature, humidity.
    std::vector<TableError> measure(FieldResult fields[2], const char *label) const
    {
        EXPECT_EQ(digitise(fields), DigitiseOk);
        std::vector<TableError> e;
        for (int f = 0; f < 2; ++f) {
            e.push_back(tableError(made.chart, fields[f], f));
            EXPECT_GE(fields[f].coverage, 90) << label << " field " << f;
        }
        std::printf("[ measured ] %s: RMSE %.3f C, %.3f %%; mean signed error %+.3f C, %+.3f %%\n", label,
                    e[0].rmse, e[1].rmse, e[0].mean, e[1].mean);
        return e;
    }

    TempDir dir;
    MadeChart made;
    PixbufPtr scan;
    FileCtx ctx;
};

// NaN fails these as well.
void expectUnbiased(const std::vector<TableError> &e)
{
    EXPECT_NEAR(e[0].mean, 0.0, 0.05);
    EXPECT_NEAR(e[1].mean, 0.0, 0.15);
}

// The executable reads the three-sample TIFF as the GUI does and writes the
// tables of digitiseScan byte for byte.
TEST(DigitiseScan, CleanTiffAt300DpiFollowsTheTruthAndTheExecutableAgrees)
{
    ChartOptions options;
    options.seed = 11;
    DigitisedChart chart(options);
    FieldResult fields[2];
    const std::vector<TableError> e = chart.measure(fields, "clean 300 dpi TIFF");
    EXPECT_LE(e[0].rmse, 0.25);  // NaN fails as well
    EXPECT_LE(e[1].rmse, 1.0);
    expectUnbiased(e);

    const batchtest::RunResult r = batchtest::runBatchExe({chart.made.scan}, chart.dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    for (int f = 0; f < 2; ++f)
        EXPECT_EQ(fileContents(tableFileName(chart.made.scan, f)),
                  tableFileText(f, 60, fields[f].rows.data(), int(fields[f].rows.size())))
            << "field " << f;
}

// Strong scanner noise and JPEG artefacts make stray pixels count as ink.
TEST(DigitiseScan, NoisyJpegStaysClose)
{
    ChartOptions options;
    options.seed = 3;
    options.format = ScanFormat::Jpeg;
    options.jpegQuality = 60;
    options.noiseSigma = 25.0;
    FieldResult fields[2];
    const std::vector<TableError> e = DigitisedChart(options).measure(fields, "noisy JPEG q60 sigma 25");
    EXPECT_LE(e[0].rmse, 0.5);  // NaN fails as well
    EXPECT_LE(e[1].rmse, 1.5);
}

// On a turned chart at 200 dpi, the scan's records act as in the GUI:
// drawn rows and search windows. (Marks and time step: cli_test; offsets: the
// GUI's workflow test, whose tables the batch repeats from the saved records.)
TEST(DigitiseScan, TurnedChartIsUnbiasedAndRecordsTakeEffect)
{
    ChartOptions options = quickChartOptions(6);
    options.rotationDeg = -1.3;
    DigitisedChart chart(options);
    FieldResult base[2], changed[2];
    expectUnbiased(chart.measure(base, "200 dpi BMP turned -1.3 degrees"));

    const int s = chart.made.chart.datePos[0];
    for (int x = s + 100; x < s + 110; ++x) {
        chart.ctx.set(columnKey("Draw", 0, x).c_str(), "50");
        // A window of row 0 alone holds no ink.
        chart.ctx.set(columnKey("Bot", 1, x).c_str(), "0");
        chart.ctx.set(columnKey("Top", 1, x).c_str(), "0");
    }
    ASSERT_EQ(chart.digitise(changed), DigitiseOk);
    // Knots run by column: the drawn rows replace the ink's, the empty windows drop theirs.
    ASSERT_EQ(changed[0].knotCount, base[0].knotCount);
    EXPECT_EQ(changed[1].knotCount, base[1].knotCount - 10);
    const int *pos = changed[0].knotPos.data();
    const int first = int(std::lower_bound(pos, pos + changed[0].knotCount, s + 100) - pos);
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(pos[first + k], s + 100 + k);
        EXPECT_EQ(changed[0].knotVal[first + k], 50.0) << k;
    }
}

}  // namespace
