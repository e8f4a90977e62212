// SPDX-License-Identifier: GPL-3.0-or-later
// Field corners found on synthetic charts against the pass points the
// charts were drawn with.

#include "coretest.h"
#include "cornerfind.h"
#include "synth_fixtures.h"

namespace {

// marks: handwriting, blots, pen gaps
struct Scan { const char *name; double dpi, rotation; bool marks; double noise, fade, cutMM; bool jpeg; };

SynthChart render(const Scan &s, uint64_t seed)
{
    ChartOptions o;
    o.seed = seed;
    o.dpi = s.dpi;
    o.rotationDeg = s.rotation;
    o.annotations = o.blots = o.gaps = s.marks;
    o.noiseSigma = s.noise;
    o.gridFade = s.fade;
    for (double &m : o.cutMarginMM) m = s.cutMM;
    o.format = s.jpeg ? ScanFormat::Jpeg : ScanFormat::Bmp;
    o.jpegQuality = 75;
    return scannedChart(o);
}

}  // namespace

// Every corner is found to well under a pixel, with the turn and the scale,
// from 150 to 600 dpi, turned up to 3 degrees either way, on clean, noisy,
// JPEG, marked, faded and closely cropped scans.
TEST(CornerFind, FindsTheCornersAcrossResolutionsTurnsAndDegradations)
{
    const Scan scans[] = {
        {"150 dpi", 150, -3.0, false, 0, 0, -1, false},
        {"300 dpi", 300, 3.0, false, 0, 0, -1, false},
        {"600 dpi", 600, -1.2, false, 0, 0, -1, false},
        {"marked noisy JPEG", 200, 2.0, true, 8, 0, -1, true},
        {"faded grid", 300, -2.5, false, 4, 0.75, -1, false},
        {"margins cut off", 450, 1.0, false, 0, 0, 0.5, false},
        {"everything", 300, 0.7, true, 6, 0.6, 1.5, true},
    };
    std::vector<double> at300;
    uint64_t seed = 11;
    for (const Scan &s : scans) {
        SCOPED_TRACE(s.name);
        SynthChart chart = render(s, seed++);
        CornerSearch found = findFieldCorners(chart.params, chart.scan.get());
        EXPECT_EQ(found.reason, "");
        EXPECT_NEAR(found.angleDeg, chart.rotationDeg, 0.02);
        EXPECT_NEAR(found.pixelsPerMM / chart.scanPixelsPerMM, 1.0, 0.001);
        double worst = 0;
        for (int i = 0; i < 3; i++) {
            EXPECT_EQ(found.points[i].set, 1) << i;
            EXPECT_GE(found.confidence[i], 0.7) << i;
            const double error = std::hypot(found.points[i].x - chart.pass[i].x, found.points[i].y - chart.pass[i].y);
            EXPECT_LE(error, 0.6) << i;
            worst = std::max(worst, error);
            if (s.dpi == 300) at300.push_back(error);
        }
        std::printf("%-18s worst corner error %.3f px\n", s.name, worst);
    }
    EXPECT_LE(median(at300), 0.25) << "median corner error at 300 dpi";
}

// A scan cut through the field loses the field's top end: TopLeft is
// reported missing, the two corners on the scan are still found.
TEST(CornerFind, ACornerCutOffTheScanIsReportedNotGuessed)
{
    SynthChart chart = render(Scan{"cut", 150, 1.0, false, 0, 0, -1, false}, 5);
    const int w = gdk_pixbuf_get_width(chart.scan.get()), h = gdk_pixbuf_get_height(chart.scan.get());
    const int top = int(chart.pass[0].y) + 200;  // well below the field's top end
    GdkPixbuf *sub = gdk_pixbuf_new_subpixbuf(chart.scan.get(), 0, top, w, h - top);
    PixbufPtr cut(gdk_pixbuf_copy(sub));
    g_object_unref(sub);
    CornerSearch found = findFieldCorners(chart.params, cut.get());
    EXPECT_EQ(found.points[0].set, 0);
    EXPECT_EQ(found.confidence[0], 0.0);
    EXPECT_NE(found.reason.find("TopLeft"), std::string::npos) << found.reason;
    for (int i = 1; i < 3; i++) {
        EXPECT_EQ(found.points[i].set, 1) << i;
        EXPECT_NEAR(found.points[i].x, chart.pass[i].x, 0.5) << i;
        EXPECT_NEAR(found.points[i].y, chart.pass[i].y - top, 0.5) << i;
    }
}

// A blank page, a thumbnail, no image at all and a geometry without size
// all end in the same report.
TEST(CornerFind, NoGridNoCorners)
{
    const guchar paper[3] = {247, 244, 236};
    PixbufPtr page = solidImage(1200, 1900, paper), thumbnail = solidImage(12, 19, paper);
    const Params params = defaultParams();
    Params flat = params;
    flat.srcFieldHeightMM = flat.srcFieldDistMM = 0;
    const struct { const Params &params; const GdkPixbuf *scan; } cases[] = {
        {params, page.get()}, {params, thumbnail.get()}, {params, nullptr}, {flat, page.get()}};
    for (const auto &c : cases) {
        CornerSearch found = findFieldCorners(c.params, c.scan);
        EXPECT_EQ(found.points[0].set + found.points[1].set + found.points[2].set, 0);
        EXPECT_EQ(found.reason, "no printed field grid found");
    }
}
