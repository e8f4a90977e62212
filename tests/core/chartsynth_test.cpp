// SPDX-License-Identifier: GPL-3.0-or-later
// chartsynth: determinism, the scan and its files, the program's cut-out of
// it landing where the truth says, and the degradations, the hard ones too.
//
// chartsynth and the cut-out share one convention: field image row y shows
// the paper y/dstPixelsPerMM mm from the field's first edge, and scan pixel
// (X, Y) covers [X-0.5, X+0.5). Every position below is checked in it. The
// traces themselves are held to the truth by the digitising tests.

#include <cstring>

#include "coretest.h"
#include "synth_fixtures.h"

namespace {

bool samePixels(const GdkPixbuf *a, const GdkPixbuf *b)
{
    const int w = gdk_pixbuf_get_width(a), h = gdk_pixbuf_get_height(a);
    bool same = w == gdk_pixbuf_get_width(b) && h == gdk_pixbuf_get_height(b);
    for (int y = 0; same && y < h; y++)
        same = !std::memcmp(gdk_pixbuf_get_pixels(a) + size_t(y) * gdk_pixbuf_get_rowstride(a),
                            gdk_pixbuf_get_pixels(b) + size_t(y) * gdk_pixbuf_get_rowstride(b), size_t(w) * 3);
    return same;
}

// Printed grid shows most in the green channel.
int darkness(const CutChart &cut, int f, int x, int y)
{
    guchar p[3];
    return getPixel(cut.field[f].get(), x, y, p) == 0 ? 255 - p[1] : 0;
}

// The trace minute drawn at a field column.
double minuteAt(const SynthChart &c, double column)
{
    return (column / c.params.dstPixelsPerMM - c.startColumnMM) * 60.0 / c.mmPerHour;
}

// A printed line near `expected`: a scale line's row, its darkness the median
// over the trace's columns, or a time line's column, the median over the
// middle half of the rows, where the straightened pen arc reaches back
// furthest. The medians look past ink and labels. The darkest row or column,
// and the centre of the darkness around it.
struct PrintedLine { int darkest; double centre; };

PrintedLine printedLine(const CutChart &cut, int f, bool timeLine, double expected)
{
    const int c = int(expected + 0.5), h = gdk_pixbuf_get_height(cut.field[f].get());
    std::vector<double> profile;
    for (int i = c - 3; i <= c + 3; i++) {
        std::vector<double> d;
        for (int j = timeLine ? h / 4 : cut.chart.datePos[0]; j < (timeLine ? 3 * h / 4 : cut.chart.datePos[1]); j += 3)
            d.push_back(timeLine ? darkness(cut, f, i, j) : darkness(cut, f, j, i));
        profile.push_back(median(d));
    }
    const int peak = int(std::max_element(profile.begin() + 1, profile.end() - 1) - profile.begin());
    const double base = *std::min_element(profile.begin(), profile.end());
    EXPECT_GT(profile[peak] - base, 30) << "no printed line near " << expected;
    double sum = 0, weight = 0;
    for (int i = peak - 1; i <= peak + 1; i++) {
        sum += (profile[i] - base) * double(i);
        weight += profile[i] - base;
    }
    return PrintedLine{c - 3 + peak, c - 3 + sum / weight};
}

// The same seed draws the same chart, another seed another; the scan reads
// back as drawn (JPEG aside) and the truth file holds a line a minute. The
// records beside it are proved by digitising the written charts.
TEST(ChartSynth, ScanAndTruthFilesReadBack)
{
    TempDir dir;
    ChartOptions o = quickChartOptions(11);
    o.dpi = 60;
    const SynthChart again = renderedChart(o);
    o.seed = 12;
    const SynthChart other = renderedChart(o);
    EXPECT_FALSE(samePixels(again.scan.get(), other.scan.get()));
    EXPECT_FALSE(again.truthText() == other.truthText());  // too long to print
    o.seed = 11;
    for (ScanFormat format : {ScanFormat::Tiff, ScanFormat::Jpeg, ScanFormat::Bmp}) {
        o.format = format;
        const MadeChart made = makeChart(dir.path(), o);
        const SynthChart &c = made.chart;
        SCOPED_TRACE(made.scan);
        ASSERT_EQ(SynthOk, made.result);
        const PixbufPtr loaded = loadedScan(made.scan);
        ASSERT_TRUE(loaded);
        // gdk-pixbuf decodes a TIFF with alpha; the scan must come back as it was drawn.
        EXPECT_EQ(format != ScanFormat::Jpeg, samePixels(c.scan.get(), loaded.get()));
        EXPECT_TRUE(samePixels(c.scan.get(), again.scan.get()));
        EXPECT_TRUE(c.truthText() == again.truthText());
        const std::string truth = fileContents(made.truth);
        EXPECT_EQ(truth, c.truthText());
        EXPECT_EQ(std::count(truth.begin(), truth.end(), '\n'), c.minutes + 1);
    }
}

// The program's cut-out of the scan puts grid, time arcs and marks where the
// truth says, unturned at 300 dpi and turned either way at 200 dpi, for a
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
        ASSERT_NE(cut.field[0], nullptr);
        ASSERT_NE(cut.field[1], nullptr);
        const int w = gdk_pixbuf_get_width(cut.field[0].get()), h = gdk_pixbuf_get_height(cut.field[0].get());
        // A 6 or 18 o'clock line in the middle: bolder, and never labelled.
        const int clock = c.dateVal[0].hour * 60 + c.dateVal[0].minute;
        const double sixOClock = (360 - clock % 720 + 720) % 720 + 720.0 * (c.minutes / 1440);
        // Printed lines where the truth puts them, give or take half a scan
        // pixel for the nearest-pixel sampling and a quarter field pixel for
        // the rounded arc shift and measuring.
        const double near = 0.25 + 0.5 * c.params.dstPixelsPerMM / c.scanPixelsPerMM;
        for (int f = 0; f < 2; f++) {
            SCOPED_TRACE(f == 0 ? "temperature field" : "hygrometer field");
            EXPECT_NEAR(printedLine(cut, f, true, c.columnAt(sixOClock)).centre, c.columnAt(sixOClock), near);
            for (int k = 0; k < 2; k++) {  // +20 and 0 C, 50 and 80 %
                const double row = f == 0 ? c.temperatureRow(20.0 - 20 * k) : c.humidityRow(50.0 + 30 * k);
                EXPECT_NEAR(printedLine(cut, f, false, row).centre, row, near) << "scale line at row " << row;
            }
            // The field view's table overlay draws the scale line of a value
            // at row trunc(mm * p + 0.5), mm being (45 - t + offset) * H / 80
            // for a temperature and HygroScale::toMM for a humidity. The
            // printed line must be darkest there; the top lines, +45 C and
            // 0 %, lie on the field's first rows.
            for (double value : {0.0, 5.0}) {
                const double mm = f == 0 ? value * c.params.srcFieldHeightMM / 80 : HygroScale().toMM(value);
                const int row = int(mm * c.params.dstPixelsPerMM + 0.5);
                EXPECT_EQ(printedLine(cut, f, false, row).darkest, row) << "overlay line at " << mm << " mm";
            }
            // The marks are where the trace starts and ends.
            for (int i = 0; i < 2; i++) {
                EXPECT_GT(cut.inkIn(f, c.datePos[i] - 1, c.datePos[i] + 1, 0, h), 0);
                EXPECT_EQ(cut.inkIn(f, i ? c.datePos[1] + 3 : 0, i ? w : c.datePos[0] - 3, 0, h), 0);
            }
        }
    }
}

// Ink distance of the grid colour: the median along the +20 C line.
double gridDistance(const CutChart &cut)
{
    const int row = int(cut.chart.temperatureRow(20.0) + 0.5);
    std::vector<double> d;
    guchar p[3];
    for (int x = 0; getPixel(cut.field[0].get(), x, row, p) == 0; x += 3) d.push_back(colorDistance(cut.ink, p));
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
    const SynthChart other = renderedChart(o), plain = renderedChart(quickChartOptions(52));
    EXPECT_NE(c.gaps[0].startMinute, other.gaps[0].startMinute);
    EXPECT_TRUE(plain.truthText() == c.truthText());
    EXPECT_TRUE(plain.truthText() == other.truthText());
    EXPECT_EQ(plain.pass[2].x, c.pass[2].x);
    ASSERT_GE(c.gaps.size(), 3u);
    for (const PenGap &g : c.gaps) {
        const int x = int(c.columnAt(0.5 * (g.startMinute + g.endMinute)) + 0.5);
        for (int f = 0; f < 2; f++)
            EXPECT_EQ(cut.inkIn(f, x, x, 0, gdk_pixbuf_get_height(cut.field[f].get())), 0) << "gap at column " << x;
    }
    int annotations = 0;
    for (const Disturbance &d : c.disturbances) {
        EXPECT_GT(cut.inkIn(d.field, int(d.x0), int(d.x1), int(d.y0), int(d.y1)), 0);
        annotations += d.kind == Disturbance::Annotation;
    }
    EXPECT_GE(annotations, 2);
    EXPECT_GE(int(c.disturbances.size()) - annotations, 3);
    o = quickChartOptions(52);
    o.inkGrid = true;
    EXPECT_GT(gridDistance(cut), 5000.0);
    EXPECT_LT(gridDistance(CutChart(o)), 2500.0);
}

// Notes beside a trace and never across it, taps across both traces.
TEST(ChartSynthHard, NotesRunBesideTheTraceAndTapsCrossIt)
{
    ChartOptions o = quickChartOptions(8);
    o.longNotes = o.tapMarks = true;
    const CutChart cut(o);
    const double p = cut.chart.params.dstPixelsPerMM;
    int notes = 0, taps = 0;
    for (const Disturbance &d : cut.chart.disturbances) {
        SCOPED_TRACE(d.kind == Disturbance::Note ? "note" : "tap");
        EXPECT_GT(cut.inkIn(d.field, int(d.x0), int(d.x1), int(d.y0), int(d.y1)), 0);
        double nearest = HUGE_VAL;
        for (double x = d.x0; x <= d.x1; x += 1.0) {
            const double row = cut.chart.traceRow(d.field, minuteAt(cut.chart, x));
            nearest = std::min(nearest, std::max(d.y0 - row, row - d.y1));
        }
        if (d.kind == Disturbance::Note) {
            ++notes;
            EXPECT_NEAR((d.x1 - d.x0) / p, 35.0, 7.0);
            EXPECT_GE(nearest / p, 1.5);   // the stroke's half width and tilt eat into the 2 mm
            EXPECT_LE(nearest / p, 16.0);
        } else if (d.kind == Disturbance::Tap) {
            ++taps;
            EXPECT_LT(nearest, 0.0);   // the trace row lies inside the box
            EXPECT_LE((d.y1 - d.y0) / p, 7.0);
        }
    }
    EXPECT_GE(notes, 1);
    EXPECT_GE(taps, 2 * 6);   // both fields, every day of the week but the last
}

TEST(ChartSynthHard, SecondTurnCoversTheFirstDayOnly)
{
    ChartOptions o = quickChartOptions(4);
    o.secondTurnHours = 24;
    const CutChart cut(o);
    const SynthChart &c = cut.chart;
    const double p = c.params.dstPixelsPerMM;
    int inFirstDay = 0, later = 0, apart = 0;
    for (double m = 60; m < 48 * 60; m += 30) {
        const int x = int(c.columnAt(m) + 0.5);
        const double first = c.traceRow(0, m), second = c.traceRow(0, c.minutes + m);
        if (std::fabs(first - second) < 3 * p || std::fabs(m - 24 * 60) <= 60) continue;
        ++apart;
        const int y = int(second + 0.5);
        (m < 23 * 60 ? inFirstDay : later) += cut.inkIn(0, x, x, y - 1, y + 1) > 0;
    }
    EXPECT_GT(apart, 20);
    EXPECT_GT(inFirstDay, 5);
    EXPECT_EQ(later, 0);
    o.secondTurnHours = o.hours + 1;
    SynthChart bad;
    EXPECT_EQ(renderChart(o, bad), SynthBadOptions);
}

TEST(ChartSynthHard, FadesCurlAndPassPointErrors)
{
    ChartOptions o = quickChartOptions(6);
    const CutChart plain(o);
    o.fadedInk = true;
    o.curlMM = 0.8;
    o.passPointErrorPx = 1.0;
    const CutChart hard(o);
    // Faded stretches read paler than the trace around them.
    ASSERT_FALSE(hard.chart.fades.empty());
    auto traceLightness = [&](double m) {
        const int x = int(hard.chart.columnAt(m) + 0.5), y = int(hard.chart.traceRow(0, m) + 0.5);
        const guchar *before = pixelAddress(plain.field[0].get(), x, y), *after = pixelAddress(hard.field[0].get(), x, y);
        return after[0] + after[1] + after[2] - before[0] - before[1] - before[2];
    };
    for (const PenGap &g : hard.chart.fades) EXPECT_GT(traceLightness(0.5 * (g.startMinute + g.endMinute)), 60);
    // The stored pass points moved by the pixel asked for.
    for (int i = 0; i < 3; i++)
        EXPECT_NEAR(std::hypot(hard.chart.pass[i].x - plain.chart.pass[i].x, hard.chart.pass[i].y - plain.chart.pass[i].y),
                    1.0, 1e-9);
    // Curl moves the scan only within its 50 mm bump along the time axis.
    o.fadedInk = false;
    o.passPointErrorPx = 0.0;
    const CutChart curled(o);
    int first = -1, last = -1;
    for (int x = 0; x < gdk_pixbuf_get_width(plain.field[1].get()); x++)
        for (int y = 0; y < gdk_pixbuf_get_height(plain.field[1].get()); y += 2) {
            const guchar *a = pixelAddress(plain.field[1].get(), x, y), *b = pixelAddress(curled.field[1].get(), x, y);
            if (std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 30) {
                if (first < 0) first = x;
                last = x;
                break;
            }
        }
    EXPECT_GT(first, 0);
    EXPECT_LE((last - first) / plain.chart.params.dstPixelsPerMM, 50.0 + 12.0);   // plus the pen arc's reach across the field
}

}  // namespace
