// SPDX-License-Identifier: GPL-3.0-or-later
// Verdicts on synthetic charts whose truth is known: a chart whose tables are
// off is never ok, a clean chart is never suspect, and what is not a chart at
// all never passes.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>

#include "coretest.h"
#include "hardcharts.h"
#include "scan_verdict.h"
#include "synth_fixtures.h"

namespace {

struct Judged {
    ScanVerdict verdict;
    double temp, hum;   // table RMSE against the truth
};

// The chart digitised from its records, edited first when asked, and judged;
// another scan image or other parameters may stand in for the chart's.
Judged judge(const SynthChart &chart, bool autoWindows, const std::function<void(FileCtx &)> &edit = nullptr,
             const GdkPixbuf *scan = nullptr, const Params *params = nullptr)
{
    FileCtx ctx;
    chart.storeRecords(ctx);
    if (edit) edit(ctx);
    FieldResult fields[2];
    Judged j;
    j.verdict = digitiseAndJudge(params ? *params : chart.params, scan ? scan : chart.scan.get(), ctx, autoWindows,
                                 fields);
    j.temp = tableRmse(chart, fields[0].rows, 0);
    j.hum = tableRmse(chart, fields[1].rows, 1);
    return j;
}

SynthChart rendered(const ChartOptions &options)
{
    SynthChart chart;
    EXPECT_EQ(renderAsScanned(options, chart), SynthOk);
    return chart;
}

bool tablesOff(const Judged &j) { return !(j.temp <= 1.0 && j.hum <= 3.0); }

}  // namespace

// Clean charts, charts digitised with and without proposed windows under the
// disturbances that pull knots, a second drum turn, a start mark set a day
// late, an end date a day late, a wrong paper speed and a misplaced pass
// point: no table off by more than 1 C or 3 % is called ok, and no clean
// chart is called suspect.
TEST(Verdict, NoFalseOkNoFalseSuspect)
{
    int falseOk = 0, falseSuspect = 0, off = 0, charts = 0;
    auto count = [&](const char *what, const Judged &j, bool clean) -> Judged {
        ++charts;
        const bool ok = j.verdict.level == VerdictLevel::Ok;
        off += tablesOff(j);
        falseOk += ok && tablesOff(j);
        falseSuspect += clean && !ok;
        std::printf("%-22s T %6.2f  h %6.2f  %-7s %s\n", what, j.temp, j.hum, verdictName(j.verdict.level),
                    verdictReasons(j.verdict).c_str());
        return j;
    };
    for (uint64_t seed : {1, 2, 3}) {
        const SynthChart clean = rendered(quickChartOptions(seed));
        count("clean", judge(clean, true), true);
        count("clean, no windows", judge(clean, false), true);

        ChartOptions notes = quickChartOptions(seed);
        notes.longNotes = notes.annotations = notes.blots = true;
        const SynthChart noted = rendered(notes);
        count("notes, no windows", judge(noted, false), false);
        count("notes", judge(noted, true), false);

        const SynthChart turned = rendered(kHardCharts[4].options(seed));
        count("second turn", judge(turned, true), false);

        count("start mark a day late", judge(clean, true, [&](FileCtx &ctx) {
                  storeDatePosRecord(ctx, 0, clean.datePos[0] + int(std::lround(clean.columnAt(1440) - clean.columnAt(0))));
              }), false);
        const Judged late = count("end date a day late", judge(clean, true, [&](FileCtx &ctx) {
                  DateTime end = clean.dateVal[1];
                  for (int h = 0; h < 24; ++h) end.addHour();
                  storeDateValRecord(ctx, 1, end);
              }), false);
        EXPECT_NE(verdictReasons(late.verdict).find("time lines"), std::string::npos);
        Params slow = clean.params;
        slow.srcMMPerHour = 0.8 * clean.mmPerHour;
        const Judged speed = count("paper speed", judge(clean, true, nullptr, nullptr, &slow), false);
        EXPECT_NE(verdictReasons(speed.verdict).find("paper speed"), std::string::npos);
        count("pass point 3 mm off", judge(clean, true, [&](FileCtx &ctx) {
                  storePassPointRecord(ctx, 1, PassPoint{1, clean.pass[1].x + 3 * clean.scanPixelsPerMM, clean.pass[1].y});
              }), false);
    }
    std::printf("%d charts, %d with tables off: %d false ok, %d false suspect\n", charts, off, falseOk, falseSuspect);
    EXPECT_GE(off, 9);
    EXPECT_EQ(falseOk, 0);
    EXPECT_EQ(falseSuspect, 0);
}

// A black image, a logo and a photograph laid where a chart's fields would be:
// none of them is ok.
TEST(Verdict, WhatIsNoChartIsNeverOk)
{
    const SynthChart chart = rendered(quickChartOptions(4));
    const int w = gdk_pixbuf_get_width(chart.scan.get()), h = gdk_pixbuf_get_height(chart.scan.get());
    const guchar black[3] = {0, 0, 0}, white[3] = {255, 255, 255};
    PixbufPtr dark = solidImage(w, h, black), logo = solidImage(w, h, white), photo = solidImage(w, h, white);
    const guchar ink[3] = {guchar(chart.curveColor[0]), guchar(chart.curveColor[1]), guchar(chart.curveColor[2])};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // A logo: two discs in the ink colour. A photograph: smooth shades
            // over the whole range with fine grain.
            const double a = std::hypot(x - 0.3 * w, y - 0.4 * h), b = std::hypot(x - 0.7 * w, y - 0.6 * h);
            if (a < 0.12 * w || b < 0.08 * w) putPixel(logo.get(), x, y, ink);
            const guchar shade[3] = {guchar(127 + 120 * std::sin(x * 0.013 + y * 0.004)),
                                     guchar(127 + 120 * std::sin(y * 0.011 - x * 0.002)),
                                     guchar(127 + 100 * std::sin((x + y) * 0.007) + (x * 7 + y * 13) % 20)};
            putPixel(photo.get(), x, y, shade);
        }
    for (const auto &image : {std::make_pair("black", dark.get()), std::make_pair("logo", logo.get()),
                              std::make_pair("photograph", photo.get())})
        for (bool windows : {false, true}) {
            const Judged j = judge(chart, windows, nullptr, image.second);
            std::printf("%-10s windows %d: %s  %s\n", image.first, windows, verdictName(j.verdict.level),
                        verdictReasons(j.verdict).c_str());
            EXPECT_NE(j.verdict.level, VerdictLevel::Ok) << image.first << (windows ? " with" : " without") << " windows";
        }
}

// Rows whose curve crossed a pen gap of an hour or more are flagged with the
// gap's length; rows on ink are not.
TEST(Verdict, RowsBridgedOverPenGapsAreFlagged)
{
    ChartOptions options = quickChartOptions(5);
    options.gaps = true;
    const SynthChart chart = rendered(options);
    FileCtx ctx;
    chart.storeRecords(ctx);
    FieldResult fields[2];
    const ScanVerdict v = digitiseAndJudge(chart.params, chart.scan.get(), ctx, true, fields);
    auto inGap = [&](const TableRow &r, double margin) {
        DateTime t;
        t.setDateTime(r.year, r.month, r.day, r.hour, r.minute);
        const int m = chart.minuteOf(t);
        for (const PenGap &g : chart.gaps)
            if (m >= g.startMinute - margin && m <= g.endMinute + margin) return true;
        return false;
    };
    std::vector<bool> flagged[2] = {std::vector<bool>(fields[0].rows.size()), std::vector<bool>(fields[1].rows.size())};
    for (const FlaggedRow &f : v.flagged) {
        flagged[f.field][f.row] = true;
        EXPECT_TRUE(inGap(fields[f.field].rows[f.row], 20)) << "field " << f.field << " row " << f.row;
        EXPECT_GE(f.bridgedHours, 0.5);
    }
    int longGapRows = 0, missed = 0;
    for (int f = 0; f < 2; ++f)
        for (size_t i = 0; i < fields[f].rows.size(); ++i) {
            const TableRow &r = fields[f].rows[i];
            // Well inside a gap of more than an hour.
            bool deep = false;
            DateTime t;
            t.setDateTime(r.year, r.month, r.day, r.hour, r.minute);
            for (const PenGap &g : chart.gaps)
                deep = deep || (g.endMinute - g.startMinute > 60 && chart.minuteOf(t) > g.startMinute + 15 &&
                                chart.minuteOf(t) < g.endMinute - 15);
            longGapRows += deep;
            missed += deep && !flagged[f][i];
        }
    EXPECT_GT(longGapRows, 0);
    EXPECT_EQ(missed, 0);
}

// The stretches a reviewer is sent to, from plain evidence: a gap without
// knots, a jump, and other ink beside the path over breaks of up to four columns,
// in column order; short ones are left out.
TEST(Verdict, SuspectStretchesFromEvidence)
{
    FieldEvidence e;
    e.width = 1000;
    e.height = 600;
    e.markStart = 0;
    e.markEnd = 999;
    e.minutesPerColumn = 4.0;
    e.tableMade = true;
    e.ink.assign(1000, ColumnInk{6, 0, 6});
    for (int x = 0; x < 1000; ++x) {
        if (x >= 100 && x <= 120) continue;   // 84 minutes without ink
        e.knotPos.push_back(x);
        e.knotVal.push_back(x == 501 ? 400.0 : 300.0);   // 12.5 degrees in 4 minutes and back
    }
    for (int y = 0; y < 600; y += 40) e.rows.push_back(TableRow{10 * y / 8, y, 2000, 1, 1, 0, 0, 45.0 - y / 8.0});
    for (int x : {700, 730, 735, 742, 900, 905})
        for (int k = x; k <= (x == 700 ? 730 : x); ++k) e.ink[k].beside = 4;
    const std::vector<ColumnStretch> s = suspectStretches(e);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].first, 100);
    EXPECT_EQ(s[0].last, 120);
    EXPECT_EQ(s[1].first, 500);
    EXPECT_EQ(s[1].last, 502);
    EXPECT_EQ(s[2].first, 700);
    EXPECT_EQ(s[2].last, 735);   // 742 lies six columns on: another, short stretch
    FieldEvidence both[2] = {e, e};
    both[1].field = 1;
    const ScanVerdict v = judgeScan(both);
    EXPECT_EQ(v.level, VerdictLevel::Suspect);
    EXPECT_NEAR(v.figures[0].longestGapHours, 84.0 / 60, 1e-9);
    EXPECT_NEAR(v.figures[0].fastestRate, (100.0 - 2.0) / 8 * 15, 1e-6);   // less two rows of jitter
}
