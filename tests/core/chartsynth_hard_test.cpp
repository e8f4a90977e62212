// SPDX-License-Identifier: GPL-3.0-or-later
// chartsynth's hard degradations drawn where they are meant to be.

#include "coretest.h"
#include "synth_fixtures.h"

namespace {

// The trace minute drawn at a field column.
double minuteAt(const SynthChart &c, double column)
{
    return (column / c.params.dstPixelsPerMM - c.startColumnMM) * 60.0 / c.mmPerHour;
}

}  // namespace

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
        guchar px[3];
        getPixel(plain.field[0].get(), x, y, px);
        const int before = px[0] + px[1] + px[2];
        getPixel(hard.field[0].get(), x, y, px);
        return px[0] + px[1] + px[2] - before;
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
            guchar a[3], b[3];
            getPixel(plain.field[1].get(), x, y, a);
            getPixel(curled.field[1].get(), x, y, b);
            if (std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 30) {
                if (first < 0) first = x;
                last = x;
                break;
            }
        }
    EXPECT_GT(first, 0);
    EXPECT_LE((last - first) / plain.chart.params.dstPixelsPerMM, 50.0 + 12.0);   // plus the pen arc's reach across the field
}
