// SPDX-License-Identifier: GPL-3.0-or-later
// Preview pictures and contact sheets decoded again: their size, the curve
// drawn over the trace, suspect stretches tinted, failed scans first.

#include "coretest.h"
#include "scan_verdict.h"
#include "synth_fixtures.h"

namespace {

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
