// SPDX-License-Identifier: GPL-3.0-or-later
// Charts of other makes read through the same road as the standard chart:
// chartsynth draws each from a profile in profiles/ with printed scales of
// its own, and digitiseScan reads the tables back.

#include "coretest.h"
#include "pixelformat.h"
#include "synth_fixtures.h"

namespace {

Params profile(const char *name)
{
    Params p = defaultParams();
    const std::string path = std::string(VELLORA_SOURCE_DIR "/profiles/") + name;
    EXPECT_EQ(loadParamFile(p, path.c_str()), 0) << path;
    return p;
}

// A quick chart of the make, digitised with its records as the batch does;
// the scan passes through prepare first when given.
struct ReadChart {
    ReadChart(const Params &make, uint64_t seed, GdkPixbuf *(*prepare)(GdkPixbuf *) = nullptr)
    {
        ChartOptions options = quickChartOptions(seed);
        options.useProfile(make);
        EXPECT_EQ(renderChart(options, chart), SynthOk);
        PixbufPtr scan(GDK_PIXBUF(g_object_ref(chart.scan.get())));
        if (prepare) scan.reset(prepare(scan.release()));
        FileCtx ctx;
        chart.storeRecords(ctx);
        EXPECT_EQ(digitiseScan(make, scan.get(), ctx, DigitiseOptions(), fields), DigitiseOk);
        for (int f = 0; f < 2; ++f) error[f] = tableError(chart, fields[f], f);
    }

    SynthChart chart;
    FieldResult fields[2];
    TableError error[2];
};

// What a grey TIFF arrives as: grey RGB with an opaque alpha channel.
GdkPixbuf *greyWithAlpha(GdkPixbuf *scan)
{
    const int w = gdk_pixbuf_get_width(scan), h = gdk_pixbuf_get_height(scan);
    GdkPixbuf *grey = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, w, h);
    for (int y = 0; y < h; ++y) {
        const guchar *s = gdk_pixbuf_read_pixels(scan) + y * gdk_pixbuf_get_rowstride(scan);
        guchar *d = gdk_pixbuf_get_pixels(grey) + y * gdk_pixbuf_get_rowstride(grey);
        for (int x = 0; x < w; ++x, s += 3, d += 4) {
            d[0] = d[1] = d[2] = guchar((299 * s[0] + 587 * s[1] + 114 * s[2] + 500) / 1000);
            d[3] = 255;
        }
    }
    g_object_unref(scan);
    return toOpaqueRgb(grey);
}

// Column, row and value of every table row.
std::vector<double> rowsOf(const FieldResult &field)
{
    std::vector<double> all;
    for (const TableRow &r : field.rows) all.insert(all.end(), {double(r.x), double(r.y), r.value});
    return all;
}

} // namespace

// Temperature within 0.1 C (0.18 F) and humidity within 0.3 % RMSE on two
// makes whose fields, gap, arc, scales, unit and inks all differ from the
// standard chart's.
TEST(OtherMakes, TablesFollowTheTruth)
{
    const std::pair<const char *, double> makes[] = {{"weekly-82-90.ini", 0.1}, {"fahrenheit-0-110.ini", 0.18}};
    for (const auto &make : makes) {
        for (uint64_t seed : {3, 8}) {
            const ReadChart r(profile(make.first), seed);
            std::printf("[ measured ] %s seed %d: RMSE %.3f, %.3f %%; mean %+.3f, %+.3f %%\n", make.first, int(seed),
                        r.error[0].rmse, r.error[1].rmse, r.error[0].mean, r.error[1].mean);
            EXPECT_LE(r.error[0].rmse, make.second) << make.first << " " << seed;
            EXPECT_LE(r.error[1].rmse, 0.3) << make.first << " " << seed;
        }
    }
}

// The standard chart's rows do not change whether the profile keys are left
// to their defaults or written out (profiles/standard.ini).
TEST(StandardChart, DefaultsGiveTheRowsOfTheKeysWrittenOut)
{
    const ReadChart defaults(defaultParams(), 5), written(profile("standard.ini"), 5);
    for (int f = 0; f < 2; ++f) {
        EXPECT_GT(defaults.fields[f].rows.size(), 100u);
        EXPECT_EQ(rowsOf(written.fields[f]), rowsOf(defaults.fields[f])) << f;
    }
}

// A grey scan of a chart drawn in black ink digitises after the conversion.
TEST(ScanFormats, GreyScanWithBlackInkDigitises)
{
    Params make = defaultParams();
    make.srcInkColor[0] = make.srcInkColor[1] = make.srcInkColor[2] = 0;
    const ReadChart r(make, 6, greyWithAlpha);
    std::printf("[ measured ] grey scan, black ink: RMSE %.3f C, %.3f %%\n", r.error[0].rmse, r.error[1].rmse);
    EXPECT_LE(r.error[0].rmse, 0.1);
    EXPECT_LE(r.error[1].rmse, 0.3);
}
