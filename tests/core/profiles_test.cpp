// Charts of other makes read through the same road as the standard chart:
// chartsynth draws each from a profile in profiles/ with printed scales of
// its own, and digitiseScan reads the tables back.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "coretest.h"
#include "digitise.h"
#include "pixelformat.h"
#include "synth_fixtures.h"
#include "valuescale.h"

namespace {

Params profile(const char *name)
{
    Params p;
    setParamDefaults(p);
    const std::string path = std::string(VELLORA_SOURCE_DIR "/profiles/") + name;
    EXPECT_EQ(loadParamFile(p, path.c_str()), 0) << paramFileStopMessage(path.c_str(), loadParamFile(p, path.c_str()));
    return p;
}

struct ReadChart {
    SynthChart chart;
    FieldResult fields[2];
    TableError error[2];
};

// Draws the chart of options and digitises the scan (or what prepare makes
// of it) with its records, as the batch does.
void readChart(const ChartOptions &options, ReadChart &r, GdkPixbuf *(*prepare)(GdkPixbuf *) = nullptr)
{
    ASSERT_EQ(renderChart(options, r.chart), SynthOk);
    FileCtx ctx;
    r.chart.storeRecords(ctx);
    PixbufPtr scan(prepare ? prepare(GDK_PIXBUF(g_object_ref(r.chart.scan.get()))) : g_object_ref(r.chart.scan.get()));
    ASSERT_TRUE(scan);
    ASSERT_EQ(digitiseScan(r.chart.params, scan.get(), ctx, DigitiseOptions(), r.fields), DigitiseOk);
    for (int f = 0; f < 2; ++f) r.error[f] = tableError(r.chart, r.fields[f], f);
}

ChartOptions optionsOf(const Params &make, uint64_t seed)
{
    ChartOptions options = quickChartOptions(seed);
    options.useProfile(make);
    return options;
}

} // namespace

// Temperature within 0.1 C (0.18 F) and humidity within 0.3 % RMSE on two
// makes whose fields, gap, arc, scales, unit and inks all differ from the
// standard chart's.
TEST(OtherMakes, TablesFollowTheTruth)
{
    const struct {
        const char *file;
        double tempLimit;
    } makes[] = {{"weekly-82-90.ini", 0.1}, {"fahrenheit-0-110.ini", 0.18}};
    for (const auto &make : makes) {
        for (uint64_t seed : {3, 8}) {
            ReadChart r;
            readChart(optionsOf(profile(make.file), seed), r);
            std::printf("[ measured ] %s seed %d: RMSE %.3f, %.3f %%; mean %+.3f, %+.3f %%\n", make.file, int(seed),
                        r.error[0].rmse, r.error[1].rmse, r.error[0].mean, r.error[1].mean);
            EXPECT_LE(r.error[0].rmse, make.tempLimit) << make.file << " " << seed;
            EXPECT_LE(r.error[1].rmse, 0.3) << make.file << " " << seed;
        }
    }
}

// The standard chart's tables do not change whether the profile keys are left
// to their defaults or written out (profiles/standard.ini).
TEST(StandardChart, DefaultsGiveTheRowsOfTheKeysWrittenOut)
{
    Params defaults;
    setParamDefaults(defaults);
    ReadChart base;
    readChart(optionsOf(defaults, 5), base);
    ASSERT_EQ(base.fields[0].tableResult, TableOk);
    FileCtx ctx;
    base.chart.storeRecords(ctx);
    FieldResult fields[2];
    ASSERT_EQ(digitiseScan(profile("standard.ini"), base.chart.scan.get(), ctx, DigitiseOptions(), fields), DigitiseOk);
    for (int f = 0; f < 2; ++f) {
        ASSERT_EQ(fields[f].rows.size(), base.fields[f].rows.size());
        for (size_t i = 0; i < fields[f].rows.size(); ++i) {
            const TableRow &a = fields[f].rows[i], &b = base.fields[f].rows[i];
            EXPECT_EQ(std::vector<double>({double(a.x), double(a.y), a.value}),
                      std::vector<double>({double(b.x), double(b.y), b.value})) << f << " row " << i;
        }
    }
}

// A grey scan of a chart with black ink, handed over with alpha as grey
// TIFFs are, digitises after the conversion.
TEST(ScanFormats, GreyScanWithBlackInkDigitises)
{
    Params make;
    setParamDefaults(make);
    make.srcInkColor[0] = make.srcInkColor[1] = make.srcInkColor[2] = 0;
    ReadChart r;
    readChart(optionsOf(make, 6), r, [](GdkPixbuf *scan) {
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
    });
    std::printf("[ measured ] grey scan, black ink: RMSE %.3f C, %.3f %%\n", r.error[0].rmse, r.error[1].rmse);
    EXPECT_LE(r.error[0].rmse, 0.1);
    EXPECT_LE(r.error[1].rmse, 0.3);
}
