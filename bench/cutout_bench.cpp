// SPDX-License-Identifier: GPL-3.0-or-later
// Cut-out and ink search of both fields of a 300 dpi scan with the default
// parameters, each beside a plain copy or read of the same number of bytes.

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "benchscan.h"
#include "cutout.h"
#include "inksearch.h"

namespace {

struct Setup {
    Params params;
    Vec2 pass[3];
    GdkPixbuf *scan;
    GdkPixbuf *fields[2];
    size_t fieldBytes; // of both field images, without row padding

    Setup()
    {
        setParamDefaults(params);
        params.numFieldPassPoints = 3;
        benchscan::passPoints(params, pass);
        scan = benchscan::makeScan();
        fieldBytes = 0;
        for (int f = 0; f < 2; ++f) {
            fields[f] = cutOutField(params, scan, f, pass);
            fieldBytes += 3 * (size_t)gdk_pixbuf_get_width(fields[f]) * gdk_pixbuf_get_height(fields[f]);
        }
    }
};

const Setup &setup()
{
    static Setup s;
    return s;
}

void BM_CutOutBothFields(benchmark::State &state)
{
    const Setup &s = setup();
    for (auto _ : state)
        for (int f = 0; f < 2; ++f) {
            GdkPixbuf *img = cutOutField(s.params, s.scan, f, s.pass);
            benchmark::DoNotOptimize(img);
            g_object_unref(img);
        }
    state.SetBytesProcessed(state.iterations() * s.fieldBytes);
}

void BM_MemcpyFieldBytes(benchmark::State &state)
{
    const Setup &s = setup();
    std::vector<guchar> dst(s.fieldBytes);
    const guchar *src = gdk_pixbuf_get_pixels(s.scan);
    for (auto _ : state) {
        std::memcpy(dst.data(), src, dst.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * s.fieldBytes);
}

void BM_InkSearchBothFields(benchmark::State &state)
{
    const Setup &s = setup();
    RefColor ref;
    makeRefColor(ref, benchscan::kInk);
    int found = 0;
    for (auto _ : state)
        for (int f = 0; f < 2; ++f) {
            SpanArray limit(gdk_pixbuf_get_width(s.fields[f]));
            SpanArray contrast(limit.size());
            findCurveSpans(s.fields[f], ref, &limit, &contrast);
            found = contrast.getBot(limit.size() / 2);
            benchmark::DoNotOptimize(found);
        }
    state.counters["midColumnInkRow"] = found;
    state.SetBytesProcessed(state.iterations() * s.fieldBytes);
}

void BM_ReadFieldBytes(benchmark::State &state)
{
    const Setup &s = setup();
    for (auto _ : state)
        for (int f = 0; f < 2; ++f) {
            const guchar *px = gdk_pixbuf_get_pixels(s.fields[f]);
            size_t n = 3 * (size_t)gdk_pixbuf_get_width(s.fields[f]) * gdk_pixbuf_get_height(s.fields[f]);
            unsigned sum = 0;
            for (size_t i = 0; i < n; ++i)
                sum += px[i];
            benchmark::DoNotOptimize(sum);
        }
    state.SetBytesProcessed(state.iterations() * s.fieldBytes);
}

} // namespace

BENCHMARK(BM_MemcpyFieldBytes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CutOutBothFields)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadFieldBytes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InkSearchBothFields)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
