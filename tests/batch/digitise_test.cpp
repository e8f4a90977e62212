// digitiseScan on synthetic charts: accuracy against the charts' truth, and
// the file context records taking effect as in the GUI.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "batch_fixtures.h"
#include "digitise.h"
#include "scanimage.h"
#include "synth_fixtures.h"
#include "tablefile.h"

namespace {

struct Errors {
    double tempRmse, humRmse;
    int compared;
};

class DigitisedChart {
public:
    DigitisedChart(const ChartOptions &options, const std::string &name)
        : made(makeChart(dir.path(), options, name)), scan(nullptr)
    {
        EXPECT_EQ(made.result, SynthOk);
        EXPECT_EQ(loadScanImage(made.scan.c_str(), &scan), ScanLoaded);
        ctx.open(made.scan.c_str(), true);
    }
    ~DigitisedChart()
    {
        if (scan)
            g_object_unref(scan);
    }

    int digitise(FieldResult fields[2], const DigitiseOptions &options) const
    {
        return digitiseScan(made.chart.params, scan, ctx, options, fields);
    }

    DigitiseOptions guiStart() const
    {
        DigitiseOptions o;
        o.smoothness = made.chart.params.dstCurveFilter;
        o.timeStep = 0;
        o.autoWindows = false;
        return o;
    }

    // Root mean square differences of the table rows from the true values.
    Errors compare(const FieldResult fields[2]) const
    {
        Errors e{0.0, 0.0, 0};
        double sums[2] = {0.0, 0.0};
        for (int f = 0; f < 2; ++f) {
            int n = 0;
            for (const TableRow &r : fields[f].rows) {
                DateTime t;
                t.setDateTime(r.year, r.month, r.day, r.hour, r.minute);
                double truth = f == 0 ? made.chart.temperatureAt(t) : made.chart.humidityAt(t);
                if (std::isnan(truth))
                    continue;
                sums[f] += (r.value - truth) * (r.value - truth);
                ++n;
            }
            EXPECT_GT(n, 100) << "field " << f;
            sums[f] = std::sqrt(sums[f] / std::max(n, 1));
            e.compared = n;
        }
        e.tempRmse = sums[0];
        e.humRmse = sums[1];
        return e;
    }

    TempDir dir;
    MadeChart made;
    GdkPixbuf *scan;
    FileCtx ctx;
};

Errors digitiseAndCompare(const DigitisedChart &chart, bool autoWindows, const char *label)
{
    FieldResult fields[2];
    DigitiseOptions options = chart.guiStart();
    options.autoWindows = autoWindows;
    EXPECT_EQ(chart.digitise(fields, options), DigitiseOk);
    for (int f = 0; f < 2; ++f) {
        EXPECT_EQ(fields[f].tableResult, TableOk) << label << " field " << f;
        EXPECT_GE(fields[f].coverage, 90) << label << " field " << f;
    }
    Errors e = chart.compare(fields);
    std::printf("[ measured ] %s: temperature RMSE %.3f C, humidity RMSE %.3f %% over %d rows\n",
                label, e.tempRmse, e.humRmse, e.compared);
    return e;
}

TEST(DigitiseScan, CleanTiffAt300DpiFollowsTheTruth)
{
    ChartOptions options;
    options.seed = 11;
    DigitisedChart chart(options, "clean");
    Errors e = digitiseAndCompare(chart, false, "clean 300 dpi TIFF");
    EXPECT_LE(e.tempRmse, 0.25);
    EXPECT_LE(e.humRmse, 1.0);
}

// Strong scanner noise makes stray pixels count as ink; proposed search
// windows keep them out.
TEST(DigitiseScan, NoisyJpegStaysCloseAndSearchWindowsHelp)
{
    ChartOptions options;
    options.seed = 3;
    options.format = ScanFormat::Jpeg;
    options.jpegQuality = 60;
    options.noiseSigma = 25.0;
    DigitisedChart chart(options, "noisy");
    Errors plain = digitiseAndCompare(chart, false, "noisy JPEG q60 sigma 25");
    Errors windowed = digitiseAndCompare(chart, true, "same with auto windows");
    EXPECT_LE(plain.tempRmse, 0.5);
    EXPECT_LE(plain.humRmse, 1.5);
    EXPECT_LE(windowed.tempRmse, 0.15);
    EXPECT_LE(windowed.humRmse, 0.25);
    EXPECT_LT(windowed.tempRmse, plain.tempRmse);
}

// The scan's records act as in the GUI: offsets, drawn rows, search windows,
// marks and the time step.
class DigitiseRecords : public ::testing::Test {
protected:
    DigitiseRecords() : chart(quickChartOptions(5), "records")
    {
        EXPECT_EQ(chart.digitise(base, chart.guiStart()), DigitiseOk);
        EXPECT_EQ(base[0].tableResult, TableOk);
        EXPECT_EQ(base[1].tableResult, TableOk);
    }

    // Index of the knot of column x, or -1.
    static int knotAt(const FieldResult &field, int x)
    {
        for (int i = 0; i < field.knotCount; ++i) {
            if (field.knotPos[i] == x)
                return i;
        }
        return -1;
    }

    DigitisedChart chart;
    FieldResult base[2];
};

TEST_F(DigitiseRecords, OffsetsShiftTheirFieldOnly)
{
    chart.ctx.set("AddTemp", "1.500000");
    chart.ctx.set("AddHygro", "2.000000");
    FieldResult shifted[2];
    ASSERT_EQ(chart.digitise(shifted, chart.guiStart()), DigitiseOk);
    ASSERT_EQ(shifted[0].rows.size(), base[0].rows.size());
    ASSERT_EQ(shifted[1].rows.size(), base[1].rows.size());
    bool humidityRose = false;
    for (size_t i = 0; i < base[0].rows.size(); ++i) {
        EXPECT_NEAR(shifted[0].rows[i].value, base[0].rows[i].value + 1.5, 1e-9);
        // Two millimetres further down the hygrometer field read as more humid.
        EXPECT_GE(shifted[1].rows[i].value, base[1].rows[i].value);
        humidityRose = humidityRose || shifted[1].rows[i].value > base[1].rows[i].value + 1.0;
    }
    EXPECT_TRUE(humidityRose);
}

TEST_F(DigitiseRecords, DrawnRowsAndSearchWindowsReplaceTheInk)
{
    const int s = chart.made.chart.datePos[0];
    char key[32];
    for (int x = s + 100; x < s + 110; ++x) {
        std::snprintf(key, sizeof key, "Draw0_%04d", x);
        chart.ctx.set(key, "50");
        // A window of row 0 alone holds no ink.
        std::snprintf(key, sizeof key, "Bot1_%04d", x);
        chart.ctx.set(key, "0");
        std::snprintf(key, sizeof key, "Top1_%04d", x);
        chart.ctx.set(key, "0");
    }
    FieldResult fields[2];
    ASSERT_EQ(chart.digitise(fields, chart.guiStart()), DigitiseOk);
    for (int x = s + 100; x < s + 110; ++x) {
        int i = knotAt(fields[0], x);
        ASSERT_GE(i, 0) << x;
        EXPECT_EQ(fields[0].knotVal[i], 50.0);
        EXPECT_EQ(knotAt(fields[1], x), -1) << x;
        EXPECT_GE(knotAt(base[1], x), 0) << x;
    }
    EXPECT_EQ(fields[1].knotCount, base[1].knotCount - 10);
}

TEST_F(DigitiseRecords, MissingMarksSpanTheWholeFieldAndTheStepOptionWins)
{
    chart.ctx.remove("DatePos1");
    chart.ctx.remove("DatePos2");
    DigitiseOptions options = chart.guiStart();
    options.timeStep = 10;
    FieldResult fields[2];
    ASSERT_EQ(chart.digitise(fields, options), DigitiseOk);
    // The marks default to the first and the last column of the field.
    const int last = gdk_pixbuf_get_width(fields[0].pixbuf) - 1;
    const double columnsPerHour = double(last) / chart.made.chart.dateVal[0].hoursUntil(
                                                     chart.made.chart.dateVal[1]);
    EXPECT_LE(fields[0].rows.front().x, columnsPerHour / 6 + 1);
    EXPECT_LE(fields[0].rows.back().x, last);
    EXPECT_GT(fields[0].rows.back().x, last - columnsPerHour / 6 - 1);
    // Six rows an hour instead of the scan's one.
    size_t hourly = base[0].rows.size();
    EXPECT_GE(fields[0].rows.size(), 6 * (hourly - 1));
    EXPECT_LE(fields[0].rows.size(), 6 * hourly);
}

// The executable reads a three-sample TIFF as the GUI does and writes the
// tables of digitiseScan, byte for byte.
TEST(DigitiseScan, BatchExecutableWritesTheTablesOfDigitiseScan)
{
    ChartOptions options = quickChartOptions(7);
    options.format = ScanFormat::Tiff;
    options.timeStep = 10;
    DigitisedChart chart(options, "x0815");
    FieldResult fields[2];
    ASSERT_EQ(chart.digitise(fields, chart.guiStart()), DigitiseOk);

    batchtest::RunResult r = batchtest::runBatchExe({chart.made.scan}, ".");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (int f = 0; f < 2; ++f) {
        std::string expected = tableFileText(f, 10, fields[f].rows.data(),
                                             static_cast<int>(fields[f].rows.size()));
        std::string written = batchtest::readFile(tableFileName(chart.made.scan, f));
        EXPECT_TRUE(written == expected) << "field " << f << ": " << written.size() << " bytes, "
                                         << expected.size() << " expected";
        EXPECT_GT(batchtest::countLines(written), 1000);
    }
    EXPECT_TRUE(batchtest::fileExists(chart.dir.file("T0815.tif.txt")));
    EXPECT_TRUE(batchtest::fileExists(chart.dir.file("F0815.tif.txt")));
}

} // namespace
