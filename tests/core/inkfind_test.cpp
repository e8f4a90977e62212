// SPDX-License-Identifier: GPL-3.0-or-later
// Ink colour and trace ends found in the field images of synthetic charts,
// against the colour they were drawn in and the columns of the trace's
// first and last minute.

#include "coretest.h"
#include "inkfind.h"
#include "synth_fixtures.h"
#include "traceends.h"

// The colour is the ink's where the pen line is full (a few per cent darker
// than the nominal colour, as the pen leaves it), both ends lie within two
// columns (a quarter of a millimetre) of the truth, for both fields, at
// several resolutions, with notes, blots, pen gaps, noise, a faded grid, a
// grid printed close to the ink's colour, another ink and black ink.
TEST(InkFind, FindsTheInkAndTheTraceEndsOfBothFields)
{
    const struct { const char *name; double dpi; bool marks, inkGrid; double noise, fade; guchar ink[3]; } charts[] = {
        {"150 dpi", 150, false, false, 0, 0, {155, 132, 192}},
        {"600 dpi", 600, false, false, 0, 0, {155, 132, 192}},
        {"marked noisy", 300, true, false, 8, 0, {155, 132, 192}},
        {"blue ink, faded grid", 200, true, false, 4, 0.6, {40, 60, 170}},
        {"grid in the ink's colour", 200, false, true, 0, 0, {155, 132, 192}},
        {"black ink", 200, false, false, 0, 0, {0, 0, 0}},  // darkest pixels were taken for gaps
    };
    uint64_t seed = 31;
    for (const auto &c : charts) {
        SCOPED_TRACE(c.name);
        ChartOptions o = quickChartOptions(seed++);
        o.dpi = c.dpi;
        o.annotations = o.blots = o.gaps = c.marks;
        o.inkGrid = c.inkGrid;
        o.noiseSigma = c.noise;
        o.gridFade = c.fade;
        for (int k = 0; k < 3; k++) o.inkColor[k] = c.ink[k];
        const CutChart cut(o);
        const SynthChart &chart = cut.chart;
        for (int f = 0; f < 2; f++) {
            StrokeMap map(cut.field[f].get());
            InkSearch ink = findFieldInk(map);
            EXPECT_GE(ink.confidence, 0.8) << f << " " << ink.reason;
            for (int k = 0; k < 3; k++) {
                EXPECT_LE(ink.rgb[k], c.ink[k] + 2) << f << " channel " << k;
                EXPECT_GE(ink.rgb[k], c.ink[k] * 0.9 - 4) << f << " channel " << k;
            }
            TraceEnds ends = findFieldTraceEnds(chart.params, map, ink.rgb);
            EXPECT_GE(ends.confidence, 0.8) << f << " " << ends.reason;
            EXPECT_NEAR(ends.column[0], chart.columnAt(0), 2.0) << f;
            EXPECT_NEAR(ends.column[1], chart.columnAt(chart.minutes), 2.0) << f;
            std::printf("%-26s field %d ink %3d %3d %3d, ends off by %+5.2f %+5.2f columns\n", c.name, f,
                        ink.rgb[0], ink.rgb[1], ink.rgb[2], ends.column[0] - chart.columnAt(0),
                        ends.column[1] - chart.columnAt(chart.minutes));
        }
    }
}

// A short chart's ends are found as well, in its field and in the fields a
// whole scan's pass points cut out; pass points that cut out nothing are
// refused. A field with print but no pen has neither colour nor ends.
TEST(InkFind, ShortTracesWholeScansAndEmptyFields)
{
    ChartOptions o = quickChartOptions(41);
    o.hours = 30;
    o.mmPerHour = 1.6;
    const CutChart cut(o);
    const SynthChart &chart = cut.chart;
    StrokeMap map(cut.field[0].get());
    InkSearch ink = findFieldInk(map);
    TraceEnds ends = findFieldTraceEnds(chart.params, map, ink.rgb);
    EXPECT_NEAR(ends.column[0], chart.columnAt(0), 2.0);
    EXPECT_NEAR(ends.column[1], chart.columnAt(chart.minutes), 2.0);
    PassPoint pass[3];
    for (int i = 0; i < 3; i++) pass[i] = PassPoint{1, chart.pass[i].x, chart.pass[i].y};
    ends = findTraceEnds(chart.params, chart.scan.get(), pass, ink.rgb);
    EXPECT_EQ(ends.reason, "");
    EXPECT_NEAR(ends.column[0], chart.datePos[0], 2);
    EXPECT_NEAR(ends.column[1], chart.datePos[1], 2);
    pass[0] = pass[1];  // no length along the time axis
    ends = findTraceEnds(chart.params, chart.scan.get(), pass, ink.rgb);
    EXPECT_EQ(ends.column[0], -1);
    EXPECT_EQ(ends.reason, "the fields cannot be cut out");

    o.inkColor[0] = o.inkColor[1] = o.inkColor[2] = 250;  // a pen that left nothing on the paper
    const CutChart blank(o);  // each map reads the image it was made from
    StrokeMap empty(blank.field[0].get());
    InkSearch none = findFieldInk(empty);
    EXPECT_LT(none.confidence, 0.5) << none.reason;
    const int purple[3] = {155, 132, 192};
    TraceEnds noEnds = findFieldTraceEnds(blank.chart.params, empty, purple);
    EXPECT_EQ(noEnds.column[0], -1);
    EXPECT_EQ(noEnds.confidence, 0.0);
    EXPECT_NE(noEnds.reason, "");
}
