#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "chartsynth.h"
#include "cutout.h"
#include "pixel.h"
#include "records.h"
#include "scanimage.h"
#include "synth_fixtures.h"

namespace {

SynthChart render(const ChartOptions &options)
{
    SynthChart chart;
    EXPECT_EQ(SynthOk, renderChart(options, chart));
    return chart;
}

ChartOptions atDpi(uint64_t seed, double dpi)
{
    ChartOptions o;
    o.seed = seed;
    o.dpi = dpi;
    return o;
}

bool samePixels(const GdkPixbuf *a, const GdkPixbuf *b)
{
    int w = gdk_pixbuf_get_width(a), h = gdk_pixbuf_get_height(a);
    if (w != gdk_pixbuf_get_width(b) || h != gdk_pixbuf_get_height(b)) return false;
    for (int y = 0; y < h; y++)
        if (std::memcmp(gdk_pixbuf_get_pixels(a) + size_t(y) * gdk_pixbuf_get_rowstride(a),
                        gdk_pixbuf_get_pixels(b) + size_t(y) * gdk_pixbuf_get_rowstride(b), size_t(w) * 3))
            return false;
    return true;
}

double distance(Vec2 a, Vec2 b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

// ---------------------------------------------------------------------------
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
        guchar rgb[3] = {guchar(chart.curveColor[0]), guchar(chart.curveColor[1]), guchar(chart.curveColor[2])};
        makeRefColor(ink, rgb);
    }

    int width() const { return gdk_pixbuf_get_width(field[0].get()); }
    int height() const { return gdk_pixbuf_get_height(field[0].get()); }

    bool isInkAt(int f, int x, int y) const
    {
        guchar p[3];
        return getPixel(field[f].get(), x, y, p) == 0 && isInk(ink, p);
    }

    // Printed grid shows most in the green channel.
    int darkness(int f, int x, int y) const
    {
        guchar p[3];
        return getPixel(field[f].get(), x, y, p) == 0 ? 255 - p[1] : 0;
    }

    // Row centre of the ink in column x, or NaN without ink: the ink pixels
    // locate the trace, and around them each pixel counts by how much ink it
    // shows: its red drop from the paper less the part that a drop in blue
    // would give on the printed grid, which thus counts nothing.
    double inkRow(int f, int x) const
    {
        double sum = 0;
        int n = 0;
        for (int y = 0; y < height(); y++)
            if (isInkAt(f, x, y)) {
                sum += y;
                n++;
            }
        if (n == 0) return NAN;
        std::vector<int> reds, blues;
        for (int y = 0; y < height(); y++) {
            guchar p[3];
            getPixel(field[f].get(), x, y, p);
            reds.push_back(p[0]);
            blues.push_back(p[2]);
        }
        std::nth_element(reds.begin(), reds.begin() + reds.size() / 2, reds.end());
        std::nth_element(blues.begin(), blues.begin() + blues.size() / 2, blues.end());
        double paperR = reds[reds.size() / 2], paperB = blues[blues.size() / 2];
        const unsigned char *grid = chart.params.dstGridColor;
        double k = (paperR - grid[0]) / (paperB - grid[2]);
        int centre = int(sum / n + 0.5);
        double wsum = 0, weight = 0;
        for (int y = centre - 5; y <= centre + 5; y++) {
            guchar p[3];
            if (getPixel(field[f].get(), x, y, p) != 0) continue;
            double w = std::max(0.0, (paperR - p[0]) - k * (paperB - p[2]));
            wsum += w * y;
            weight += w;
        }
        return wsum / weight;
    }

    bool inkNear(int f, int x0, int x1, int y0, int y1) const
    {
        for (int y = y0; y <= y1; y++)
            for (int x = x0; x <= x1; x++)
                if (isInkAt(f, x, y)) return true;
        return false;
    }

    // Centre of a printed line crossing a window [lo, hi] of a row (along x)
    // or of a column (along y), or NaN where a wider stretch around it shows
    // no single clear line (another line along it or its nearest-pixel
    // staircase, nothing printed).
    double lineCentre(int f, int fixed, int lo, int hi, bool alongRow, int margin) const
    {
        std::vector<int> d;
        for (int i = lo - margin; i <= hi + margin; i++)
            d.push_back(alongRow ? darkness(f, i, fixed) : darkness(f, fixed, i));
        int base = *std::min_element(d.begin(), d.end());
        int peak = int(std::max_element(d.begin() + margin, d.end() - margin) - d.begin());
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

// How far a position in a field image may lie from the truth: half a field
// pixel for the rounded arc shift, half a scan pixel for the nearest-pixel
// sampling, and a quarter pixel for measuring. On average over a line the
// shift's rounding cancels; the sampling need not, on an unturned scan.
double scanPixel(const SynthChart &c)
{
    return c.params.dstPixelsPerMM / c.scanPixelsPerMM;
}

double tolerance(const SynthChart &c)
{
    return 0.75 + 0.5 * scanPixel(c);
}

double meanTolerance(const SynthChart &c)
{
    return 0.25 + 0.5 * scanPixel(c);
}

// A 6 or 18 o'clock line in the middle of the chart: printed a little bolder
// and, unlike midnight, never carrying scale numbers.
double sixOClockLineMinute(const SynthChart &chart)
{
    int clock = chart.dateVal[0].hour * 60 + chart.dateVal[0].minute;
    return (360 - clock % 720 + 720) % 720 + 720.0 * (chart.minutes / 1440);
}

bool inGap(const SynthChart &chart, double minute, double margin)
{
    for (const PenGap &g : chart.gaps)
        if (minute > g.startMinute - margin && minute < g.endMinute + margin) return true;
    return false;
}

// The ink's centre in a column is the truth at that column's time. A column
// is rounded from the pen arc's shift, so steep stretches, where that
// rounding moves the row, are left out.
void expectTraceOnTruth(const CutChart &cut, int f)
{
    const SynthChart &c = cut.chart;
    double columnMinutes = 60.0 / (c.mmPerHour * c.params.dstPixelsPerMM);
    double sum = 0;
    int checked = 0;
    for (int x = c.datePos[0] + 3; x < c.datePos[1] - 3; x += 11) {
        double m = c.minuteAtColumn(x);
        double slope = std::fabs(c.traceRow(f, m + columnMinutes) - c.traceRow(f, m - columnMinutes)) / 2;
        if (inGap(c, m, 15) || slope > 1.0) continue;
        double row = cut.inkRow(f, x);
        ASSERT_FALSE(std::isnan(row)) << "field " << f << " column " << x;
        EXPECT_NEAR(c.traceRow(f, m), row, tolerance(c)) << "field " << f << " column " << x;
        sum += row - c.traceRow(f, m);
        checked++;
    }
    EXPECT_GT(checked, 50);
    EXPECT_LT(std::fabs(sum / checked), meanTolerance(c)) << "the trace lies off the truth on average";
}

// A printed scale line on its row. Label strokes and time lines crossing the
// window are told apart by the line's continuing in the columns beside.
void expectLineOnRow(const CutChart &cut, int f, double expectedRow)
{
    int lo = int(expectedRow + 0.5) - 2, hi = int(expectedRow + 0.5) + 2, found = 0, total = 0;
    double sum = 0;
    for (int x = cut.chart.datePos[0]; x < cut.chart.datePos[1]; x += 7) {
        if (cut.inkNear(f, x - 2, x + 2, lo - 3, hi + 3)) continue;
        total++;
        double y = cut.lineCentre(f, x, lo, hi, false, 3);
        double left = cut.lineCentre(f, x - 2, lo, hi, false, 3);
        double right = cut.lineCentre(f, x + 2, lo, hi, false, 3);
        if (std::isnan(y) || !(std::fabs(left - y) < 1.0) || !(std::fabs(right - y) < 1.0)) continue;
        found++;
        sum += y - expectedRow;
        EXPECT_NEAR(expectedRow, y, tolerance(cut.chart)) << "field " << f << " column " << x;
    }
    EXPECT_GT(found, total / 3) << "field " << f;
    EXPECT_LT(std::fabs(sum / found), meanTolerance(cut.chart)) << "field " << f << ": the line lies off its row";
}

// The pen arc of a printed time line turns into one straight column, the
// middle rows, where the arc reaches back furthest, included.
void expectStraightTimeLine(const CutChart &cut, int f, double minute)
{
    double expected = cut.chart.columnAt(minute), sum = 0;
    int lo = int(expected + 0.5) - 5, hi = int(expected + 0.5) + 5, found = 0, middle = 0;
    int h = cut.height();
    for (int y = 0; y < h; y++) {
        if (cut.inkNear(f, lo - 4, hi + 4, y - 2, y + 2)) continue;
        double x = cut.lineCentre(f, y, lo, hi, true, 8);
        if (std::isnan(x)) continue;
        found++;
        middle += std::abs(2 * y - h) < h / 2;
        sum += x - expected;
        EXPECT_NEAR(expected, x, tolerance(cut.chart)) << "field " << f << " row " << y;
    }
    EXPECT_GT(found, h / 3) << "field " << f;
    EXPECT_GT(middle, h / 6) << "field " << f;
    EXPECT_LT(std::fabs(sum / found), meanTolerance(cut.chart)) << "field " << f << ": the line lies off its column";
}

void expectChartGeometry(const CutChart &cut)
{
    const SynthChart &c = cut.chart;
    ASSERT_TRUE(cut.field[0] && cut.field[1]);
    for (int f = 0; f < 2; f++) {
        SCOPED_TRACE(f == 0 ? "temperature field" : "hygrometer field");
        expectTraceOnTruth(cut, f);
        expectStraightTimeLine(cut, f, sixOClockLineMinute(c));
    }
    expectLineOnRow(cut, 0, c.temperatureRow(20.0));
    expectLineOnRow(cut, 0, c.temperatureRow(0.0));
    expectLineOnRow(cut, 1, c.humidityRow(50.0));
    expectLineOnRow(cut, 1, c.humidityRow(80.0));
}

// First and last column with ink in a field.
void inkExtent(const CutChart &cut, int f, int &first, int &last)
{
    first = last = -1;
    for (int x = 0; x < cut.width(); x++)
        if (cut.inkNear(f, x, x, 0, cut.height() - 1)) {
            if (first < 0) first = x;
            last = x;
        }
}

}  // namespace

// ---------------------------------------------------------------------------

TEST(ChartSynthRender, SameSeedSameScanOtherSeedOtherScan)
{
    SynthChart a = render(atDpi(5, 60)), b = render(atDpi(5, 60)), c = render(atDpi(6, 60));
    EXPECT_TRUE(samePixels(a.scan.get(), b.scan.get()));
    EXPECT_EQ(a.truthText(), b.truthText());
    EXPECT_FALSE(samePixels(a.scan.get(), c.scan.get()));
    EXPECT_NE(a.truthText(), c.truthText());

    // Degradations draw from streams of their own: the chart under them stays.
    ChartOptions degraded = atDpi(5, 60);
    degraded.annotations = degraded.blots = degraded.gaps = true;
    SynthChart d = render(degraded);
    EXPECT_FALSE(samePixels(a.scan.get(), d.scan.get()));
    EXPECT_EQ(a.truthText(), d.truthText());
    for (int i = 0; i < 3; i++) EXPECT_EQ(0.0, distance(a.pass[i], d.pass[i]));

    // Other degradations over the same chart.
    degraded.degradationSeed = 77;
    SynthChart e = render(degraded);
    EXPECT_FALSE(samePixels(d.scan.get(), e.scan.get()));
    EXPECT_NE(d.gaps[0].startMinute, e.gaps[0].startMinute);
    EXPECT_EQ(a.truthText(), e.truthText());
}

TEST(ChartSynthRender, ScanSizeChannelsAndPassPoints)
{
    ChartOptions o = atDpi(7, 150);
    o.rotationDeg = 0.0;
    SynthChart c = render(o);
    GdkPixbuf *scan = c.scan.get();
    EXPECT_EQ(3, gdk_pixbuf_get_n_channels(scan));
    EXPECT_FALSE(gdk_pixbuf_get_has_alpha(scan));

    const Params &p = c.params;
    double dpmm = 150 / 25.4;
    double paperW = 2 * p.srcFieldHeightMM + p.srcFieldDistMM + 20, paperH = p.srcFieldWidthMM + 32;
    double scanW = gdk_pixbuf_get_width(scan) / dpmm, scanH = gdk_pixbuf_get_height(scan) / dpmm;
    EXPECT_GE(scanW, paperW + 8);
    EXPECT_LE(scanW, paperW + 25);
    EXPECT_GE(scanH, paperH + 8);
    EXPECT_LE(scanH, paperH + 25);

    // Unturned: TopLeft straight above BottomLeft, BottomRight straight right of it.
    EXPECT_NEAR(c.pass[0].x, c.pass[1].x, 1e-9);
    EXPECT_NEAR(c.pass[1].y, c.pass[2].y, 1e-9);
    EXPECT_NEAR(p.srcFieldWidthMM * dpmm, c.pass[1].y - c.pass[0].y, 1e-6);
    EXPECT_NEAR((2 * p.srcFieldHeightMM + p.srcFieldDistMM) * dpmm, c.pass[2].x - c.pass[1].x, 1e-6);
    EXPECT_NEAR(c.pass[2].x, c.scanPoint(1, 0, p.srcFieldHeightMM).x, 1e-9);

    // The pen tip of a time lies on its arc, before the time's column.
    RefColor ink;
    guchar rgb[3] = {guchar(c.curveColor[0]), guchar(c.curveColor[1]), guchar(c.curveColor[2])};
    makeRefColor(ink, rgb);
    for (int f = 0; f < 2; f++)
        for (int m = 0; m <= c.minutes; m += 613) {
            double v = c.traceRow(f, m) / p.dstPixelsPerMM;
            Vec2 s = c.scanPoint(f, c.columnAt(m) / p.dstPixelsPerMM - c.arcOffsetMM(v), v);
            bool found = false;
            for (int dy = -1; dy <= 1; dy++)
                for (int dx = -1; dx <= 1; dx++) {
                    guchar px[3];
                    found |= getPixel(scan, int(s.x + 0.5) + dx, int(s.y + 0.5) + dy, px) == 0 && isInk(ink, px);
                }
            EXPECT_TRUE(found) << "field " << f << " minute " << m;
        }
}

TEST(ChartSynthRender, RotationTurnsThePassPoints)
{
    ChartOptions o = atDpi(8, 60);
    o.rotationDeg = 1.2;
    SynthChart c = render(o);
    EXPECT_NEAR(1.2, c.rotationDeg, 1e-9);
    // Positive angles turn the chart clockwise on the scan (y down).
    double along = std::atan2(c.pass[2].y - c.pass[1].y, c.pass[2].x - c.pass[1].x) * 180 / M_PI;
    EXPECT_NEAR(1.2, along, 1e-9);
    double dpmm = 60 / 25.4;
    EXPECT_NEAR(c.params.srcFieldWidthMM * dpmm, distance(c.pass[0], c.pass[1]), 1e-6);

    ChartOptions random = atDpi(9, 60);
    SynthChart r = render(random);
    EXPECT_LE(std::fabs(r.rotationDeg), 1.5);
}

TEST(ChartSynthRender, RefusesOptionsThatMakeNoChart)
{
    SynthChart c;
    ChartOptions o = atDpi(1, 60);
    o.hours = 0;
    EXPECT_EQ(SynthBadOptions, renderChart(o, c));
    o = atDpi(1, 20);
    EXPECT_EQ(SynthBadOptions, renderChart(o, c));
    o = atDpi(1, 60);
    o.mmPerHour = 2.0;  // 168 h at 2 mm/h do not fit into 286.5 mm
    EXPECT_EQ(SynthBadOptions, renderChart(o, c));
    o.mmPerHour = 1e-300;  // no time line would ever be reached
    EXPECT_EQ(SynthBadOptions, renderChart(o, c));
    o = atDpi(1, 60);
    o.params.srcRadiusMM = 40;  // shorter than half the field height: no arc
    EXPECT_EQ(SynthBadOptions, renderChart(o, c));
    o = atDpi(1, 60);
    o.timeStep = 30;
    EXPECT_EQ(SynthBadOptions, renderChart(o, c));
    o = atDpi(1, 60);
    o.start = DateTime();  // never set
    EXPECT_EQ(SynthBadOptions, renderChart(o, c));
    EXPECT_FALSE(c.scan);
}

TEST(ChartSynthTruth, CurvesStayInRangeAndAccessorsAgree)
{
    for (uint64_t seed = 1; seed <= 12; seed++) {
        SynthChart c = render(atDpi(seed, 50));
        double tMin = 1e9, tMax = -1e9, hMin = 1e9, hMax = -1e9;
        for (int m = 0; m <= c.minutes; m++) {
            tMin = std::min(tMin, c.temperatureAtMinute(m));
            tMax = std::max(tMax, c.temperatureAtMinute(m));
            hMin = std::min(hMin, c.humidityAtMinute(m));
            hMax = std::max(hMax, c.humidityAtMinute(m));
        }
        EXPECT_GE(tMin, -5.0) << seed;
        EXPECT_LE(tMax, 35.0) << seed;
        EXPECT_GE(hMin, 20.0) << seed;
        EXPECT_LE(hMax, 95.0) << seed;
        EXPECT_GT(tMax - tMin, 3.0) << seed;  // a real daily swing, not a flat line

        DateTime t = c.timeAt(1234);
        EXPECT_EQ(1234, c.minuteOf(t));
        EXPECT_EQ(c.temperatureAtMinute(1234), c.temperatureAt(t));
        EXPECT_EQ(c.humidityAtMinute(1234), c.humidityAt(t));
        EXPECT_EQ(c.minutes, c.minuteOf(c.dateVal[1]));
        EXPECT_EQ(c.minutes, c.dateVal[0].hoursUntil(c.dateVal[1]) * 60);
    }
    SynthChart c = render(atDpi(3, 50));
    const DateTime &s = c.dateVal[0];
    DateTime before;
    ASSERT_EQ(0, before.setDateTime(s.year - 1, s.month, s.day, s.hour, s.minute));
    EXPECT_TRUE(std::isnan(c.temperatureAt(before)));
    EXPECT_TRUE(std::isnan(c.humidityAtMinute(c.minutes + 1)));
}

TEST(ChartSynthTruth, StartDateAndSpeedFromOptions)
{
    ChartOptions o = atDpi(4, 60);
    DateTime start;
    start.setDateTime(2004, 2, 28, 23, 5);
    o.start = start;
    o.hours = 24;
    o.mmPerHour = 10.0;
    SynthChart c = render(o);
    EXPECT_EQ(2004, c.dateVal[1].year);
    EXPECT_EQ(2, c.dateVal[1].month);
    EXPECT_EQ(29, c.dateVal[1].day);
    EXPECT_EQ(23, c.dateVal[1].hour);
    EXPECT_EQ(5, c.dateVal[1].minute);
    double p = c.params.dstPixelsPerMM;
    EXPECT_NEAR(24 * 10.0 * p, c.datePos[1] - c.datePos[0], 1.0);
    EXPECT_NEAR(c.columnAt(0), c.datePos[0], 0.5);
    EXPECT_NEAR(c.columnAt(c.minutes), c.datePos[1], 0.5);
}

TEST(ChartSynthFiles, ScanContextAndTruthReadBack)
{
    TempDir dir;
    for (ScanFormat format : {ScanFormat::Tiff, ScanFormat::Jpeg, ScanFormat::Bmp}) {
        ChartOptions o = atDpi(11, 60);
        o.format = format;
        o.jpegQuality = 80;
        o.timeStep = 10;
        MadeChart made = makeChart(dir.path(), o);
        ASSERT_EQ(SynthOk, made.result) << made.scan;

        GdkPixbuf *loaded = nullptr;
        ASSERT_EQ(ScanLoaded, loadScanImage(made.scan.c_str(), &loaded)) << made.scan;
        EXPECT_EQ(3, gdk_pixbuf_get_n_channels(loaded));
        EXPECT_EQ(gdk_pixbuf_get_width(made.chart.scan.get()), gdk_pixbuf_get_width(loaded));
        EXPECT_EQ(gdk_pixbuf_get_height(made.chart.scan.get()), gdk_pixbuf_get_height(loaded));
        if (format != ScanFormat::Jpeg) {
            EXPECT_TRUE(samePixels(made.chart.scan.get(), loaded)) << made.scan;
        }
        g_object_unref(loaded);
    }

    ChartOptions o = atDpi(12, 60);
    o.timeStep = 10;
    MadeChart made = makeChart(dir.path(), o, "records");
    ASSERT_EQ(SynthOk, made.result);
    const SynthChart &c = made.chart;
    FileCtx ctx;
    ctx.open(made.scan.c_str(), true);
    for (int i = 0; i < 3; i++) {
        PassPoint pp{0, 0, 0};
        ASSERT_TRUE(loadPassPointRecord(ctx, i, pp));
        EXPECT_EQ(1, pp.set);
        EXPECT_NEAR(c.pass[i].x, pp.x, 1e-6);
        EXPECT_NEAR(c.pass[i].y, pp.y, 1e-6);
    }
    for (int i = 0; i < 2; i++) {
        int pos = -1;
        DateTime dt;
        ASSERT_TRUE(loadDatePosRecord(ctx, i, pos));
        EXPECT_EQ(c.datePos[i], pos);
        ASSERT_TRUE(loadDateValRecord(ctx, i, dt));
        EXPECT_EQ(0, c.dateVal[i].minutesUntil(dt));
    }
    int rgb[3] = {0, 0, 0}, step = 0;
    ASSERT_TRUE(loadCurveColorRecord(ctx, rgb));
    for (int i = 0; i < 3; i++) EXPECT_EQ(int(o.inkColor[i]), rgb[i]);
    ASSERT_TRUE(loadTimeStepRecord(ctx, step));
    EXPECT_EQ(10, step);
    EXPECT_EQ(9u, ctx.size());

    std::ifstream truth(made.truth);
    std::string line, first, lastLine;
    int lines = 0;
    while (std::getline(truth, line)) {
        if (lines++ == 0) first = line;
        lastLine = line;
    }
    EXPECT_EQ(c.minutes + 1, lines);
    char expected[96];
    const DateTime &s = c.dateVal[0], &e = c.dateVal[1];
    std::snprintf(expected, sizeof expected, "%04d-%02d-%02d %02d:%02d\t%.3f\t%.3f", s.year, s.month, s.day,
                  s.hour, s.minute, c.temperatureAt(s), c.humidityAt(s));
    EXPECT_EQ(expected, first);
    std::snprintf(expected, sizeof expected, "%04d-%02d-%02d %02d:%02d\t", e.year, e.month, e.day, e.hour, e.minute);
    EXPECT_EQ(0u, lastLine.find(expected)) << lastLine;
}

TEST(ChartSynthFiles, UnwritablePathFails)
{
    EXPECT_EQ(SynthWriteFailed, writeChart(atDpi(1, 50), "no-such-dir/chart.tif"));
}

// ---------------------------------------------------------------------------
// The program's cut-out of the scan puts grid, arcs and traces where the truth says.

TEST(ChartSynthGeometry, CutOutMatchesTruthAt300Dpi)
{
    ChartOptions o = atDpi(21, 300);
    o.rotationDeg = 0.0;
    CutChart cut(o);
    expectChartGeometry(cut);

    // The marks are where the trace starts and ends (the pen tip is round).
    for (int f = 0; f < 2; f++) {
        int first, last;
        inkExtent(cut, f, first, last);
        EXPECT_NEAR(cut.chart.datePos[0], first, 2) << f;
        EXPECT_NEAR(cut.chart.datePos[1], last, 2) << f;
    }
}

TEST(ChartSynthGeometry, CutOutMatchesTruthWhenTurned)
{
    for (double degrees : {1.4, -1.1}) {
        SCOPED_TRACE(degrees);
        ChartOptions o = quickChartOptions(30 + uint64_t(degrees > 0));
        o.rotationDeg = degrees;
        o.noiseSigma = 2.0;
        expectChartGeometry(CutChart(o));
    }
}

TEST(ChartSynthGeometry, DailyChartWithOtherFieldResolution)
{
    ChartOptions o = quickChartOptions(41);
    o.hours = 24;
    o.params.dstPixelsPerMM = 6.0;
    expectChartGeometry(CutChart(o));
}

// ---------------------------------------------------------------------------

TEST(ChartSynthDegradations, GapsLeaveColumnsWithoutInk)
{
    ChartOptions o = quickChartOptions(51);
    o.gaps = true;
    CutChart cut(o);
    ASSERT_GE(cut.chart.gaps.size(), 3u);
    for (const PenGap &g : cut.chart.gaps) {
        double mid = 0.5 * (g.startMinute + g.endMinute);
        int x = int(cut.chart.columnAt(mid) + 0.5);
        for (int f = 0; f < 2; f++) EXPECT_TRUE(std::isnan(cut.inkRow(f, x))) << "gap at minute " << mid;
    }
}

TEST(ChartSynthDegradations, MarksLieWhereReportedAndOffTheTrace)
{
    ChartOptions o = quickChartOptions(52);
    o.annotations = o.blots = true;
    CutChart cut(o);
    const SynthChart &c = cut.chart;
    int annotations = 0, blots = 0;
    for (const Disturbance &d : c.disturbances) {
        ASSERT_LT(d.x0, d.x1);
        ASSERT_LT(d.y0, d.y1);
        EXPECT_TRUE(cut.inkNear(d.field, int(d.x0), int(d.x1), int(d.y0), int(d.y1)));
        if (d.kind != Disturbance::Annotation) {
            blots++;
            continue;
        }
        annotations++;
        // Handwriting keeps clear of the trace of its columns.
        for (double x = d.x0; x <= d.x1; x += 4) {
            double minute = c.minuteAtColumn(x);
            if (minute < 0 || minute > c.minutes) continue;
            double row = c.traceRow(d.field, minute);
            EXPECT_TRUE(row < d.y0 || row > d.y1) << "column " << x;
        }
    }
    EXPECT_GE(annotations, 2);
    EXPECT_GE(blots, 3);
}

TEST(ChartSynthDegradations, InkGridPrintsCloseToTheInk)
{
    auto gridDistance = [](bool inkGrid) {
        ChartOptions o = quickChartOptions(53);
        o.inkGrid = inkGrid;
        CutChart cut(o);
        int row = int(cut.chart.temperatureRow(20.0) + 0.5);
        double best = 1e12;
        for (int x = cut.chart.datePos[0]; x < cut.chart.datePos[1]; x += 5) {
            if (std::fabs(cut.chart.traceRow(0, cut.chart.minuteAtColumn(x)) - row) < 8) continue;
            guchar p[3];
            if (getPixel(cut.field[0].get(), x, row, p) == 0) best = std::min(best, colorDistance(cut.ink, p));
        }
        return best;
    };
    EXPECT_GT(gridDistance(false), 5000.0);
    EXPECT_LT(gridDistance(true), 2500.0);
}
