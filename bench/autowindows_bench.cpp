// SPDX-License-Identifier: GPL-3.0-or-later
// Proposing search windows for both fields of a 300 dpi synthetic chart, beside
// the ink search of both fields that it must not outlast; once on a clean chart
// and once with every degradation (more ink runs per column to choose from).

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "autowindows.h"
#include "chartsynth.h"
#include "cutout.h"
#include "inksearch.h"

namespace {

struct Fields {
    PixbufPtr image[2];
    RefColor ref;
    std::vector<int> drawPos[2];

    explicit Fields(bool degraded)
    {
        ChartOptions options;   // 300 dpi
        options.seed = 3;
        options.annotations = options.blots = options.gaps = options.inkGrid = degraded;
        SynthChart chart;
        if (renderChart(options, chart) != SynthOk)
            return;
        Params params = chart.params;
        params.numFieldPassPoints = 3;
        for (int f = 0; f < 2; ++f) {
            image[f].reset(cutOutField(params, chart.scan.get(), f, chart.pass));
            if (image[f])
                drawPos[f].assign(gdk_pixbuf_get_width(image[f].get()), -1);
        }
        guchar rgb[3];
        for (int k = 0; k < 3; ++k)
            rgb[k] = (guchar)chart.curveColor[k];
        makeRefColor(ref, rgb);
    }
    bool ok() const { return image[0] && image[1]; }
    int width(int f) const { return gdk_pixbuf_get_width(image[f].get()); }
};

const Fields &fields(bool degraded)
{
    static Fields clean(false), spoilt(true);
    return degraded ? spoilt : clean;
}

void BM_FindCurveSpansBothFields(benchmark::State &state)
{
    const Fields &fs = fields(state.range(0));
    if (!fs.ok())
        return state.SkipWithError("chart not made");
    std::unique_ptr<SpanArray> limits[2], spans[2];
    for (int f = 0; f < 2; ++f) {
        limits[f].reset(new SpanArray(fs.width(f)));
        spans[f].reset(new SpanArray(fs.width(f)));
    }
    for (auto _ : state)
        for (int f = 0; f < 2; ++f)
            findCurveSpans(fs.image[f].get(), fs.ref, limits[f].get(), spans[f].get());
}
BENCHMARK(BM_FindCurveSpansBothFields)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ProposeWindowsBothFields(benchmark::State &state)
{
    const Fields &fs = fields(state.range(0));
    if (!fs.ok())
        return state.SkipWithError("chart not made");
    std::unique_ptr<SpanArray> limits[2];
    for (int f = 0; f < 2; ++f)
        limits[f].reset(new SpanArray(fs.width(f)));
    for (auto _ : state)
        for (int f = 0; f < 2; ++f) {
            limits[f]->reset();   // every column free again; negligible beside the search
            benchmark::DoNotOptimize(proposeSearchWindows(fs.image[f].get(), fs.ref, *limits[f],
                                                          fs.drawPos[f].data(), 0,
                                                          fs.width(f) - 1));
        }
}
BENCHMARK(BM_ProposeWindowsBothFields)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
