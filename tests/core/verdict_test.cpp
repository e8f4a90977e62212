// SPDX-License-Identifier: GPL-3.0-or-later
// Verdicts on synthetic charts whose truth is known, and the preview
// pictures and contact sheets that show them, decoded again: their size, the
// curve drawn over the trace, suspect stretches tinted, failed scans first.

#include "coretest.h"
#include "scan_verdict.h"
#include "synth_fixtures.h"

namespace {

bool tablesOff(const JudgedChart &j) { return !(j.temp <= 1.0 && j.hum <= 3.0); }

// A chart judged with or without proposed windows, its records edited or its
// parameters replaced when given; reason, when given, is among the verdict's.
struct Case {
    const char *what;
    const SynthChart *chart;
    bool windows;
    std::function<void(FileCtx &)> edit;
    const Params *params;
    const char *reason;
};

// The preview's curve, and its tint of suspect stretches.
bool curveBlue(const guchar *p) { return p[2] > 180 && p[0] < 90 && p[1] < 90; }
// Paper under the red tint; the printed grid is darker.
bool reddish(const guchar *p) { return p[0] > 205 && p[0] > p[1] + 55 && p[0] > p[2] + 55; }

struct Digitised {
    SynthChart chart;
    FieldResult fields[2];
    FieldEvidence evidence[2];
    ScanSettings settings;
    ScanVerdict verdict;
    PreviewField preview[2];

    explicit Digitised(uint64_t seed) : chart(renderedChart(quickChartOptions(seed)))
    {
        FileCtx ctx;
        chart.storeRecords(ctx);
        verdict = digitiseAndJudge(chart.params, chart.scan.get(), ctx, true, fields, evidence, &settings);
        for (int f = 0; f < 2; ++f) preview[f] = previewField(settings, f, fields[f], evidence[f]);
    }
    double scale() const { return double(kPreviewWidth) / gdk_pixbuf_get_width(fields[0].pixbuf); }
    int fieldHeight(int f) const { return int(std::ceil(gdk_pixbuf_get_height(fields[f].pixbuf) * scale())); }
};

}  // namespace

// Disturbances that pull knots, a second drum turn, a start mark set a day
// late, an end date a day late, a wrong paper speed and a misplaced pass
// point: no table off by more than 1 C or 3 % is called ok, and no clean
// chart is called suspect.
TEST(Verdict, NoFalseOkNoFalseSuspect)
{
    int falseOk = 0, falseSuspect = 0, off = 0, charts = 0;
    for (uint64_t seed : {1, 2, 3}) {
        ChartOptions notes = quickChartOptions(seed);
        notes.longNotes = notes.annotations = notes.blots = true;
        const SynthChart clean = scannedChart(quickChartOptions(seed)), noted = scannedChart(notes),
                         turned = scannedChart(kHardCharts[4].options(seed));
        const int dayColumns = int(std::lround(clean.columnAt(1440) - clean.columnAt(0)));
        DateTime dayLate = clean.dateVal[1];
        for (int h = 0; h < 24; ++h) dayLate.addHour();
        Params slow = clean.params;
        slow.srcMMPerHour = 0.8 * clean.mmPerHour;
        const PassPoint moved{1, clean.pass[1].x + 3 * clean.scanPixelsPerMM, clean.pass[1].y};
        const Case cases[] = {
            {"clean", &clean, true, nullptr, nullptr, nullptr},
            {"clean, no windows", &clean, false, nullptr, nullptr, nullptr},
            {"notes, no windows", &noted, false, nullptr, nullptr, nullptr},
            {"notes", &noted, true, nullptr, nullptr, nullptr},
            {"second turn", &turned, true, nullptr, nullptr, nullptr},
            {"start mark a day late", &clean, true,
             [&](FileCtx &ctx) { storeDatePosRecord(ctx, 0, clean.datePos[0] + dayColumns); }, nullptr, nullptr},
            {"end date a day late", &clean, true, [&](FileCtx &ctx) { storeDateValRecord(ctx, 1, dayLate); }, nullptr,
             "time lines"},
            {"paper speed", &clean, true, nullptr, &slow, "paper speed"},
            {"pass point 3 mm off", &clean, true, [&](FileCtx &ctx) { storePassPointRecord(ctx, 1, moved); }, nullptr,
             nullptr},
        };
        for (const Case &c : cases) {
            const JudgedChart j = judgeChart(*c.chart, c.windows, c.edit, nullptr, c.params);
            const bool ok = j.verdict.level == VerdictLevel::Ok, isClean = c.chart == &clean && !c.edit && !c.params;
            ++charts;
            off += tablesOff(j);
            falseOk += ok && tablesOff(j);
            falseSuspect += isClean && !ok;
            std::printf("%-22s T %6.2f  h %6.2f  %-7s %s\n", c.what, j.temp, j.hum, verdictName(j.verdict.level),
                        verdictReasons(j.verdict).c_str());
            if (c.reason) {
                EXPECT_NE(verdictReasons(j.verdict).find(c.reason), std::string::npos) << c.what;
            }
        }
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
    const SynthChart chart = scannedChart(quickChartOptions(4));
    const int w = gdk_pixbuf_get_width(chart.scan.get()), h = gdk_pixbuf_get_height(chart.scan.get());
    const guchar black[3] = {0, 0, 0}, white[3] = {255, 255, 255};
    PixbufPtr dark = solidImage(w, h, black), logo = solidImage(w, h, white), photo = solidImage(w, h, white);
    const guchar ink[3] = {guchar(chart.curveColor[0]), guchar(chart.curveColor[1]), guchar(chart.curveColor[2])};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // A logo of two discs in the ink colour; a photograph of smooth grainy shades.
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
            const JudgedChart j = judgeChart(chart, windows, nullptr, image.second);
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
    const SynthChart chart = scannedChart(options);
    FileCtx ctx;
    chart.storeRecords(ctx);
    FieldResult fields[2];
    const ScanVerdict v = digitiseAndJudge(chart.params, chart.scan.get(), ctx, true, fields);
    // Within margin minutes of a gap longer than the given minutes.
    auto inGap = [&](const TableRow &r, int margin, int longerThan) {
        const int m = chart.minuteOf(at(r.year, r.month, r.day, r.hour, r.minute));
        for (const PenGap &g : chart.gaps)
            if (g.endMinute - g.startMinute > longerThan && m >= g.startMinute - margin && m <= g.endMinute + margin)
                return true;
        return false;
    };
    std::vector<bool> flagged[2] = {std::vector<bool>(fields[0].rows.size()), std::vector<bool>(fields[1].rows.size())};
    for (const FlaggedRow &f : v.flagged) {
        flagged[f.field][f.row] = true;
        EXPECT_TRUE(inGap(fields[f.field].rows[f.row], 20, 0)) << "field " << f.field << " row " << f.row;
        EXPECT_GE(f.bridgedHours, 0.5);
    }
    int longGapRows = 0, missed = 0;
    for (int f = 0; f < 2; ++f)
        for (size_t i = 0; i < fields[f].rows.size(); ++i) {
            const bool deep = inGap(fields[f].rows[i], -16, 60);   // more than 15 minutes inside
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
    std::vector<std::pair<int, int>> stretches;
    for (const ColumnStretch &s : suspectStretches(e)) stretches.emplace_back(s.first, s.last);
    // 742 lies six columns after 735: another, short stretch.
    EXPECT_EQ(stretches, (std::vector<std::pair<int, int>>{{100, 120}, {500, 502}, {700, 735}}));
    FieldEvidence both[2] = {e, e};
    both[1].field = 1;
    const ScanVerdict v = judgeScan(both);
    EXPECT_EQ(v.level, VerdictLevel::Suspect);
    EXPECT_NEAR(v.figures[0].longestGapHours, 84.0 / 60, 1e-9);
    EXPECT_NEAR(v.figures[0].fastestRate, (100.0 - 2.0) / 8 * 15, 1e-6);   // less two rows of jitter
}

// Both fields at 1200 px wide: the blue curve runs where the true trace lies
// in each, a suspect stretch is tinted red, and nothing else is.
TEST(Preview, FieldsCurveAndSuspectStretchesAreDrawn)
{
    TempDir dir("preview");
    Digitised d(1);
    ASSERT_EQ(d.verdict.level, VerdictLevel::Ok);
    d.preview[1].suspect.push_back({1000, 1200});
    std::string error;
    ASSERT_EQ(writePreview(dir.file("p.png"), d.preview, "chart 1", d.verdict, &error), 0) << error;
    const DecodedImage png = decodedImage(dir.file("p.png"));
    ASSERT_EQ(png.width(), kPreviewWidth);
    const int top[2] = {0, png.height() - d.fieldHeight(1) - 54};
    EXPECT_GT(top[1], d.fieldHeight(0));
    for (int f = 0; f < 2; ++f)
        for (double hours : {10.5, 80.5, 150.5}) {   // between the hourly table points
            const int x = int(d.chart.columnAt(hours * 60) * d.scale());
            const int y = top[f] + int(d.chart.traceRow(f, hours * 60) * d.scale());
            EXPECT_GT(png.count(curveBlue, x - 2, y - 4, x + 3, y + 5), 0) << "field " << f << " at " << hours << " h";
            EXPECT_EQ(png.count(curveBlue, x - 2, y - 60, x + 3, y - 20), 0) << "field " << f << " at " << hours << " h";
        }
    const int tinted0 = int(1000 * d.scale()), tinted1 = int(1200 * d.scale());
    EXPECT_GT(png.count(reddish, tinted0 + 2, top[1] + 5, tinted1 - 2, top[1] + 40), 20 * (tinted1 - tinted0));
    EXPECT_EQ(png.count(reddish, tinted0 + 2, 5, tinted1 - 2, 40), 0);
    EXPECT_NE(writePreview(dir.file("missing/p.png"), d.preview, "chart 1", d.verdict, &error), 0);
    EXPECT_NE(error.find("missing/p.png"), std::string::npos);
}

// Three previews on a sheet two tiles wide: the failed one comes first, the
// suspect one second, the ok one last, each told by its caption's colour.
TEST(Preview, ContactSheetPutsFailedAndSuspectFirst)
{
    TempDir dir("sheet");
    Digitised d(2);
    std::string error;
    std::vector<SheetEntry> entries;
    const VerdictLevel levels[3] = {VerdictLevel::Ok, VerdictLevel::Suspect, VerdictLevel::Failed};
    for (int i = 0; i < 3; ++i) {
        ScanVerdict v = d.verdict;
        v.level = levels[i];
        const std::string path = dir.file("p" + std::to_string(i) + ".png");
        ASSERT_EQ(writePreview(path, d.preview, "chart", v, &error), 0) << error;
        entries.push_back({path, levels[i]});
    }
    entries.push_back({dir.file("unreadable.png"), VerdictLevel::Ok});
    ASSERT_EQ(writeContactSheet(dir.file("sheet.png"), entries, 2, &error), 0) << error;
    const DecodedImage sheet = decodedImage(dir.file("sheet.png"));
    ASSERT_EQ(sheet.width(), 800);
    const int tileHeight = sheet.height() / 2;
    const DecodedImage tile = decodedImage(entries[0].preview);
    const int captionY = int((tile.height() - 30) * 400.0 / kPreviewWidth);
    auto captionRed = [&](int i) {
        const guchar *p = pixelAddress(sheet.image.get(), (i % 2) * 400 + 390, (i / 2) * tileHeight + captionY);
        return int(p[0]) - int(p[1]);
    };
    EXPECT_GT(captionRed(0), 80);   // failed: pink
    EXPECT_GT(captionRed(1), 30);   // suspect: amber
    EXPECT_LT(captionRed(1), 80);
    EXPECT_LT(captionRed(2), 0);    // ok: green
}
