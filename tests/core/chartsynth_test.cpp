// chartsynth: determinism, the scan and its files, the program's cut-out of
// it landing where the truth says, and the degradations.
//
// chartsynth and the cut-out share one convention: field image row y shows
// the paper y/dstPixelsPerMM mm from the field's first edge, and scan pixel
// (X, Y) covers [X-0.5, X+0.5). Every position below is checked in it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "chartsynth.h"
#include "cutout.h"
#include "digitise.h"
#include "pixel.h"
#include "scanimage.h"
#include "splinecurve.h"
#include "synth_fixtures.h"

namespace {

SynthChart render(const ChartOptions &options)
{
    SynthChart chart;
    EXPECT_EQ(SynthOk, renderChart(options, chart));
    return chart;
}

bool samePixels(const GdkPixbuf *a, const GdkPixbuf *b)
{
    const int w = gdk_pixbuf_get_width(a), h = gdk_pixbuf_get_height(a);
    if (w != gdk_pixbuf_get_width(b) || h != gdk_pixbuf_get_height(b)) return false;
    for (int y = 0; y < h; y++)
        if (std::memcmp(gdk_pixbuf_get_pixels(a) + size_t(y) * gdk_pixbuf_get_rowstride(a),
                        gdk_pixbuf_get_pixels(b) + size_t(y) * gdk_pixbuf_get_rowstride(b), size_t(w) * 3))
            return false;
    return true;
}

template <typename T> T median(std::vector<T> v)
{
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// The chart as the program sees it after cutting the fields out.
struct CutChart {
    SynthChart chart;
    PixbufPtr field[2];
    RefColor ink;

    explicit CutChart(const ChartOptions &options) : chart(render(options))
    {
        Params params = chart.params;
        params.numFieldPassPoints = 3;
        for (int f = 0; f < 2; f++) field[f].reset(cutOutField(params, chart.scan.get(), f, chart.pass));
        const guchar rgb[3] = {guchar(chart.curveColor[0]), guchar(chart.curveColor[1]), guchar(chart.curveColor[2])};
        makeRefColor(ink, rgb);
    }

    int width() const { return gdk_pixbuf_get_width(field[0].get()); }
    int height() const { return gdk_pixbuf_get_height(field[0].get()); }
    bool pixel(int f, int x, int y, guchar p[3]) const { return getPixel(field[f].get(), x, y, p) == 0; }

    bool inkNear(int f, int x0, int x1, int y0, int y1) const
    {
        guchar p[3];
        for (int y = y0; y <= y1; y++)
            for (int x = x0; x <= x1; x++)
                if (pixel(f, x, y, p) && isInk(ink, p)) return true;
        return false;
    }

    // Printed grid shows most in the green channel.
    int darkness(int f, int x, int y) const
    {
        guchar p[3];
        return pixel(f, x, y, p) ? 255 - p[1] : 0;
    }

    // Row centre of the ink in column x, or NaN without ink. Around the ink
    // pixels each pixel counts by its red drop from the paper less what its
    // blue drop gives on the printed grid, so the grid counts nothing.
    double inkRow(int f, int x) const
    {
        std::vector<int> reds, blues, inkRows;
        guchar p[3];
        for (int y = 0; pixel(f, x, y, p); y++) {
            reds.push_back(p[0]);
            blues.push_back(p[2]);
            if (isInk(ink, p)) inkRows.push_back(y);
        }
        if (inkRows.empty()) return NAN;
        const double paperR = median(reds), paperB = median(blues);
        const unsigned char *grid = chart.params.dstGridColor;
        const double k = (paperR - grid[0]) / (paperB - grid[2]);
        double sum = 0, weight = 0;
        for (int y = median(inkRows) - 5; y <= median(inkRows) + 5; y++) {
            const double w = pixel(f, x, y, p) ? std::max(0.0, (paperR - p[0]) - k * (paperB - p[2])) : 0.0;
            sum += w * y;
            weight += w;
        }
        return sum / weight;
    }

    // Centre of a printed line crossing the window [lo, hi] of a row (along
    // x) or of a column (along y), or NaN where a wider stretch shows no
    // single clear line.
    double lineCentre(int f, int fixed, int lo, int hi, bool alongRow, int margin) const
    {
        std::vector<int> d;
        for (int i = lo - margin; i <= hi + margin; i++)
            d.push_back(alongRow ? darkness(f, i, fixed) : darkness(f, fixed, i));
        const int base = *std::min_element(d.begin(), d.end());
        const int peak = int(std::max_element(d.begin() + margin, d.end() - margin) - d.begin());
        if (base > 25 || d[peak] - base < 30) return NAN;
        for (int i = 0; i < int(d.size()); i++)
            if (std::abs(i - peak) > 2 && d[i] - base > 20) return NAN;
        double sum = 0, weight = 0;
        for (int i = peak - 2; i <= peak + 2; i++) {
            sum += (d[i] - base) * double(i);
            weight += d[i] - base;
        }
        return lo - margin + sum / weight;
    }
};

// Positions measured in a field image less their truth. Each may be off by
// half a field pixel for the rounded arc shift, half a scan pixel for the
// nearest-pixel sampling and a quarter pixel for measuring. On average the
// shift's rounding cancels; the sampling need not on an unturned scan.
void expectOnTruth(const SynthChart &c, const std::vector<double> &errors, size_t atLeast, const std::string &what)
{
    SCOPED_TRACE(what);
    ASSERT_GE(errors.size(), atLeast);
    double sum = 0, worst = 0;
    for (double e : errors) {
        sum += e;
        worst = std::max(worst, std::fabs(e));
    }
    const double scanPixel = c.params.dstPixelsPerMM / c.scanPixelsPerMM;
    EXPECT_LT(worst, 0.75 + 0.5 * scanPixel);
    EXPECT_LT(std::fabs(sum / errors.size()), 0.25 + 0.5 * scanPixel) << "off on average";
}

// The ink's centre in a column is the truth at the column's time. Steep
// stretches, where the column's rounding moves the row, and gaps are left out.
void expectTraceOnTruth(const CutChart &cut, int f)
{
    const SynthChart &c = cut.chart;
    const double columnMinutes = 60.0 / (c.mmPerHour * c.params.dstPixelsPerMM);
    std::vector<double> errors;
    for (int x = c.datePos[0] + 3; x < c.datePos[1] - 3; x += 11) {
        const double m = c.minuteAtColumn(x);
        const bool inGap = std::any_of(c.gaps.begin(), c.gaps.end(), [&](const PenGap &g) {
            return m > g.startMinute - 15 && m < g.endMinute + 15;
        });
        if (!inGap && std::fabs(c.traceRow(f, m + columnMinutes) - c.traceRow(f, m - columnMinutes)) < 2)
            errors.push_back(cut.inkRow(f, x) - c.traceRow(f, m));
    }
    expectOnTruth(c, errors, 50, "trace");
}

// A printed line where the truth puts it: a scale line along its row, or a
// time line, its pen arc straightened, along its column, the middle rows,
// where the arc reaches back furthest, included. Measured only where it
// stands clear of ink and crossing lines; a scale line must also go on at
// both sides, which tells it from label strokes.
void expectLine(const CutChart &cut, int f, bool timeLine, double expected)
{
    const int c = int(expected + 0.5), half = timeLine ? 5 : 2, margin = timeLine ? 8 : 3, side = timeLine ? 0 : 2;
    const int end = timeLine ? cut.height() : cut.chart.datePos[1];
    int tried = 0, middle = 0;
    std::vector<double> errors;
    for (int i = timeLine ? 0 : cut.chart.datePos[0]; i < end; i += timeLine ? 1 : 7) {
        if (timeLine ? cut.inkNear(f, c - 9, c + 9, i - 2, i + 2) : cut.inkNear(f, i - 2, i + 2, c - 5, c + 5))
            continue;
        tried++;
        auto centre = [&](int at) { return cut.lineCentre(f, at, c - half, c + half, timeLine, margin); };
        const double at = centre(i);
        if (!(std::fabs(centre(i - side) - at) < 1.0 && std::fabs(centre(i + side) - at) < 1.0)) continue;
        middle += std::abs(2 * i - end) < end / 2;
        errors.push_back(at - expected);
    }
    expectOnTruth(cut.chart, errors, tried / 3, (timeLine ? "time line at column " : "scale line at row ") +
                                                    std::to_string(expected));
    EXPECT_GT(middle, int(errors.size()) / 4);
}

// The field view's table overlay draws the scale line of a value at row
// trunc(mm * p + 0.5), mm being (45 - t + offset) * H / 80 for a temperature
// and HygroScale::toMM for a humidity. The printed line must be darkest
// there; the top lines, +45 C and 0 %, lie on the field's first rows.
void expectOverlayRowOnGrid(const CutChart &cut, int f, double mm)
{
    const int row = int(mm * cut.chart.params.dstPixelsPerMM + 0.5), first = std::max(0, row - 3);
    std::vector<int> rowDarkness;
    for (int y = first; y <= row + 3; y++) {
        std::vector<int> d;
        for (int x = cut.chart.datePos[0]; x < cut.chart.datePos[1]; x += 5) d.push_back(cut.darkness(f, x, y));
        rowDarkness.push_back(median(d));
    }
    const auto darkest = std::max_element(rowDarkness.begin(), rowDarkness.end());
    EXPECT_EQ(row, first + (darkest - rowDarkness.begin())) << "overlay line at " << mm << " mm";
    EXPECT_GT(*darkest - *std::min_element(rowDarkness.begin(), rowDarkness.end()), 30);
}

TEST(ChartSynth, SameSeedSameScanOtherSeedOtherScan)
{
    ChartOptions o = quickChartOptions(5);
    o.dpi = 60;
    const SynthChart a = render(o), b = render(o);
    o.seed = 6;
    const SynthChart c = render(o);
    EXPECT_TRUE(samePixels(a.scan.get(), b.scan.get()));
    EXPECT_EQ(a.truthText(), b.truthText());
    EXPECT_FALSE(samePixels(a.scan.get(), c.scan.get()));
    EXPECT_NE(a.truthText(), c.truthText());
}

TEST(ChartSynth, ScanContextAndTruthFilesReadBack)
{
    TempDir dir;
    for (ScanFormat format : {ScanFormat::Tiff, ScanFormat::Jpeg, ScanFormat::Bmp}) {
        ChartOptions o = quickChartOptions(11);
        o.dpi = 60;
        o.format = format;
        o.timeStep = 10;
        const MadeChart made = makeChart(dir.path(), o);
        const SynthChart &c = made.chart;
        ASSERT_EQ(SynthOk, made.result) << made.scan;
        GdkPixbuf *loaded = nullptr;
        ASSERT_EQ(ScanLoaded, loadScanImage(made.scan.c_str(), &loaded)) << made.scan;
        EXPECT_TRUE(gdk_pixbuf_get_n_channels(loaded) == 3 && !gdk_pixbuf_get_has_alpha(loaded) &&
                    gdk_pixbuf_get_width(c.scan.get()) == gdk_pixbuf_get_width(loaded) &&
                    gdk_pixbuf_get_height(c.scan.get()) == gdk_pixbuf_get_height(loaded));
        EXPECT_EQ(format != ScanFormat::Jpeg, samePixels(c.scan.get(), loaded)) << made.scan;
        g_object_unref(loaded);

        // The records, read as the program reads them.
        FileCtx ctx;
        ctx.open(made.scan.c_str(), true);
        EXPECT_EQ(9u, ctx.size());
        ScanSettings s;
        defaultScanSettings(c.params, s);
        applyScanRecords(ctx, s);
        for (int i = 0; i < 3; i++) {
            EXPECT_TRUE(s.passPoints[i].set);
            EXPECT_NEAR(c.pass[i].x, s.passPoints[i].x, 1e-6);
            EXPECT_NEAR(c.pass[i].y, s.passPoints[i].y, 1e-6);
            EXPECT_EQ(int(o.inkColor[i]), s.curveColor[i]);
        }
        for (int i = 0; i < 2; i++) {
            EXPECT_EQ(c.datePos[i], s.datePos[i]);
            EXPECT_EQ(0, c.dateVal[i].minutesUntil(s.dateVal[i]));
        }
        EXPECT_EQ(10, s.timeStep);

        std::ostringstream read;
        read << std::ifstream(made.truth).rdbuf();
        const std::string truth = read.str();
        EXPECT_EQ(truth, c.truthText());
        EXPECT_EQ(std::count(truth.begin(), truth.end(), '\n'), c.minutes + 1);
    }
}

// The program's cut-out of the scan puts grid, time arcs and traces where
// the truth says, unturned at 300 dpi and turned either way at 200 dpi, for a
// weekly and a daily chart.
TEST(ChartSynth, CutOutLandsOnTheTruth)
{
    ChartOptions fine = quickChartOptions(21), turnedLeft = quickChartOptions(30), daily = quickChartOptions(31);
    fine.dpi = 300;
    fine.rotationDeg = 0.0;
    turnedLeft.rotationDeg = -1.1;
    daily.rotationDeg = 1.4;
    daily.hours = 24;
    daily.params.dstPixelsPerMM = 6.0;
    for (ChartOptions *o : {&fine, &turnedLeft, &daily}) {
        o->noiseSigma = 2.0;
        const CutChart cut(*o);
        const SynthChart &c = cut.chart;
        SCOPED_TRACE(std::to_string(o->dpi) + " dpi, turned " + std::to_string(c.rotationDeg));
        ASSERT_TRUE(cut.field[0] && cut.field[1]);
        // A 6 or 18 o'clock line in the middle: bolder, and never labelled.
        const int clock = c.dateVal[0].hour * 60 + c.dateVal[0].minute;
        const double sixOClock = (360 - clock % 720 + 720) % 720 + 720.0 * (c.minutes / 1440);
        for (int f = 0; f < 2; f++) {
            SCOPED_TRACE(f == 0 ? "temperature field" : "hygrometer field");
            expectTraceOnTruth(cut, f);
            expectLine(cut, f, true, c.columnAt(sixOClock));
            // The marks are where the trace starts and ends.
            for (int i = 0; i < 2; i++) {
                EXPECT_TRUE(cut.inkNear(f, c.datePos[i] - 1, c.datePos[i] + 1, 0, cut.height()));
                EXPECT_FALSE(cut.inkNear(f, i ? c.datePos[1] + 3 : 0, i ? cut.width() : c.datePos[0] - 3, 0, cut.height()));
            }
        }
        expectLine(cut, 0, false, c.temperatureRow(20.0));
        expectLine(cut, 0, false, c.temperatureRow(0.0));
        expectLine(cut, 1, false, c.humidityRow(50.0));
        expectLine(cut, 1, false, c.humidityRow(80.0));
        for (int step = 0; step < 2; step++) {
            expectOverlayRowOnGrid(cut, 0, 5.0 * step * c.params.srcFieldHeightMM / 80);  // +45 C, +40 C
            expectOverlayRowOnGrid(cut, 1, HygroScale().toMM(5.0 * step));               // 0 %, 5 %
        }
    }
}

// Ink distance of the grid colour: the median along the +20 C line.
double gridDistance(const CutChart &cut)
{
    const int row = int(cut.chart.temperatureRow(20.0) + 0.5);
    std::vector<double> d;
    guchar p[3];
    for (int x = 0; cut.pixel(0, x, row, p); x += 3) d.push_back(colorDistance(cut.ink, p));
    return median(d);
}

// Degradations draw from streams of their own: the chart under them stays.
TEST(ChartSynth, DegradationsArePresentWhereReportedOverTheSameChart)
{
    ChartOptions o = quickChartOptions(52);
    o.annotations = o.blots = o.gaps = true;
    const CutChart cut(o);
    const SynthChart &c = cut.chart;
    o.degradationSeed = 77;
    const SynthChart other = render(o), plain = render(quickChartOptions(52));
    EXPECT_NE(c.gaps[0].startMinute, other.gaps[0].startMinute);
    EXPECT_EQ(plain.truthText(), c.truthText());
    EXPECT_EQ(plain.truthText(), other.truthText());
    EXPECT_EQ(plain.pass[2].x, c.pass[2].x);
    ASSERT_GE(c.gaps.size(), 3u);
    for (const PenGap &g : c.gaps) {
        const int x = int(c.columnAt(0.5 * (g.startMinute + g.endMinute)) + 0.5);
        for (int f = 0; f < 2; f++) EXPECT_TRUE(std::isnan(cut.inkRow(f, x))) << "gap at column " << x;
    }
    int annotations = 0;
    for (const Disturbance &d : c.disturbances) {
        EXPECT_TRUE(cut.inkNear(d.field, int(d.x0), int(d.x1), int(d.y0), int(d.y1)));
        annotations += d.kind == Disturbance::Annotation;
    }
    EXPECT_GE(annotations, 2);
    EXPECT_GE(int(c.disturbances.size()) - annotations, 3);
    o = quickChartOptions(52);
    o.inkGrid = true;
    EXPECT_GT(gridDistance(cut), 5000.0);
    EXPECT_LT(gridDistance(CutChart(o)), 2500.0);
}

}  // namespace
