// digitiseScan on synthetic charts: accuracy against the charts' truth, the
// executable writing the same tables, and the scan's records taking effect as
// in the GUI.
//
// chartsynth and the cut-out share one convention: field image row y shows
// the paper y/dstPixelsPerMM mm from the field's first edge, and scan pixel
// (X, Y) covers [X-0.5, X+0.5). Half a pixel of disagreement would show as a
// mean signed error of about 0.06 C, so the mean is held tighter than that.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "batch_fixtures.h"
#include "digitise.h"
#include "scanimage.h"
#include "tablefile.h"

namespace {

struct Errors {
    double rmse[2], mean[2];  // table minus truth; temperature, humidity
};

class DigitisedChart {
public:
    explicit DigitisedChart(const ChartOptions &options) : made(makeChart(dir.path(), options))
    {
        EXPECT_EQ(made.result, SynthOk);
        EXPECT_EQ(loadScanImage(made.scan.c_str(), &scan), ScanLoaded);
        ctx.open(made.scan.c_str(), true);
    }
    ~DigitisedChart()
    {
        if (scan) g_object_unref(scan);
    }

    // As the GUI starts: the parameter file's smoothness and the scan's step.
    int digitise(FieldResult fields[2], int timeStep = 0) const
    {
        const DigitiseOptions options{made.chart.params.dstCurveFilter, timeStep, false};
        return digitiseScan(made.chart.params, scan, ctx, options, fields);
    }

    Errors measure(FieldResult fields[2], const char *label) const
    {
        EXPECT_EQ(digitise(fields), DigitiseOk);
        Errors e;
        for (int f = 0; f < 2; ++f) {
            EXPECT_EQ(fields[f].tableResult, TableOk) << label << " field " << f;
            EXPECT_GE(fields[f].coverage, 90) << label << " field " << f;
            double sum = 0, squares = 0;
            int n = 0;
            for (const TableRow &r : fields[f].rows) {
                DateTime t;
                t.setDateTime(r.year, r.month, r.day, r.hour, r.minute);
                const double d = r.value - (f == 0 ? made.chart.temperatureAt(t) : made.chart.humidityAt(t));
                if (std::isnan(d)) continue;
                sum += d;
                squares += d * d;
                ++n;
            }
            EXPECT_GT(n, 100) << label << " field " << f;
            e.rmse[f] = std::sqrt(squares / std::max(n, 1));
            e.mean[f] = sum / std::max(n, 1);
        }
        std::printf("[ measured ] %s: RMSE %.3f C, %.3f %%; mean signed error %+.3f C, %+.3f %%\n", label,
                    e.rmse[0], e.rmse[1], e.mean[0], e.mean[1]);
        return e;
    }

    TempDir dir;
    MadeChart made;
    GdkPixbuf *scan = nullptr;
    FileCtx ctx;
};

void expectUnbiased(const Errors &e)
{
    EXPECT_NEAR(e.mean[0], 0.0, 0.05);
    EXPECT_NEAR(e.mean[1], 0.0, 0.15);
}

// The executable reads the three-sample TIFF as the GUI does and writes the
// tables of digitiseScan byte for byte.
TEST(DigitiseScan, CleanTiffAt300DpiFollowsTheTruthAndTheExecutableAgrees)
{
    ChartOptions options;
    options.seed = 11;
    DigitisedChart chart(options);
    FieldResult fields[2];
    const Errors e = chart.measure(fields, "clean 300 dpi TIFF");
    EXPECT_LE(e.rmse[0], 0.25);
    EXPECT_LE(e.rmse[1], 1.0);
    expectUnbiased(e);

    const batchtest::RunResult r = batchtest::runBatchExe({chart.made.scan}, chart.dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    for (int f = 0; f < 2; ++f) {
        EXPECT_TRUE(batchtest::readFile(tableFileName(chart.made.scan, f)) ==
                    tableFileText(f, 60, fields[f].rows.data(), int(fields[f].rows.size())))
            << "field " << f;
    }
}

// Strong scanner noise and JPEG artefacts make stray pixels count as ink.
TEST(DigitiseScan, NoisyJpegStaysClose)
{
    ChartOptions options;
    options.seed = 3;
    options.format = ScanFormat::Jpeg;
    options.jpegQuality = 60;
    options.noiseSigma = 25.0;
    DigitisedChart chart(options);
    FieldResult fields[2];
    const Errors e = chart.measure(fields, "noisy JPEG q60 sigma 25");
    EXPECT_LE(e.rmse[0], 0.5);
    EXPECT_LE(e.rmse[1], 1.5);
}

int knotAt(const FieldResult &field, int x)
{
    const auto end = field.knotPos.begin() + field.knotCount, at = std::find(field.knotPos.begin(), end, x);
    return at == end ? -1 : int(at - field.knotPos.begin());
}

// On a turned chart at 200 dpi, the scan's records act as in the GUI:
// offsets, drawn rows, search windows, marks and the time step.
TEST(DigitiseScan, TurnedChartIsUnbiasedAndRecordsTakeEffect)
{
    ChartOptions options = quickChartOptions(6);
    options.rotationDeg = -1.3;
    DigitisedChart chart(options);
    FieldResult base[2], shifted[2], drawn[2], unmarked[2];
    expectUnbiased(chart.measure(base, "200 dpi BMP turned -1.3 degrees"));

    chart.ctx.set("AddTemp", "1.500000");
    chart.ctx.set("AddHygro", "2.000000");
    ASSERT_EQ(chart.digitise(shifted), DigitiseOk);
    ASSERT_TRUE(shifted[0].rows.size() == base[0].rows.size() && shifted[1].rows.size() == base[1].rows.size());
    double rose = 0;
    for (size_t i = 0; i < base[1].rows.size(); ++i) {
        EXPECT_NEAR(shifted[0].rows[i].value, base[0].rows[i].value + 1.5, 1e-9);
        // Two millimetres further down the hygrometer field read as more humid.
        EXPECT_GE(shifted[1].rows[i].value, base[1].rows[i].value);
        rose = std::max(rose, shifted[1].rows[i].value - base[1].rows[i].value);
    }
    EXPECT_GT(rose, 1.0);
    chart.ctx.removePrefix("Add");

    const int s = chart.made.chart.datePos[0];
    for (int x = s + 100; x < s + 110; ++x) {
        const std::string column = std::to_string(10000 + x).substr(1);  // "%04d"
        chart.ctx.set(("Draw0_" + column).c_str(), "50");
        // A window of row 0 alone holds no ink.
        chart.ctx.set(("Bot1_" + column).c_str(), "0");
        chart.ctx.set(("Top1_" + column).c_str(), "0");
    }
    ASSERT_EQ(chart.digitise(drawn), DigitiseOk);
    for (int x = s + 100; x < s + 110; ++x) {
        ASSERT_GE(knotAt(drawn[0], x), 0) << x;
        EXPECT_EQ(drawn[0].knotVal[knotAt(drawn[0], x)], 50.0);
        EXPECT_EQ(knotAt(drawn[1], x), -1) << x;
    }
    EXPECT_EQ(drawn[1].knotCount, base[1].knotCount - 10);

    // The marks default to the first and the last column of the field; six
    // rows an hour instead of the scan's one.
    chart.ctx.removePrefix("DatePos");
    ASSERT_EQ(chart.digitise(unmarked, 10), DigitiseOk);
    const std::vector<TableRow> &rows = unmarked[0].rows;
    const int last = gdk_pixbuf_get_width(unmarked[0].pixbuf) - 1;
    const double tenMinutes = last / 6.0 / chart.made.chart.dateVal[0].hoursUntil(chart.made.chart.dateVal[1]);
    EXPECT_LE(rows.front().x, tenMinutes + 1);
    EXPECT_LE(rows.back().x, last);
    EXPECT_GT(rows.back().x, last - tenMinutes - 1);
    EXPECT_GE(rows.size(), 6 * (base[0].rows.size() - 1));
    EXPECT_LE(rows.size(), 6 * base[0].rows.size());
}

}  // namespace
