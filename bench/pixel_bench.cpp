// SPDX-License-Identifier: GPL-3.0-or-later
// Ink classification of 1.5 million pixels against a plain read of the same bytes.

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "benchscan.h"
#include "inkclassifier.h"
#include "pixel.h"

namespace {

const size_t kPixels = 1500000;

// 1.5 million pixels taken from the benchmark scan, so the colour mix is real.
const std::vector<guchar> &pixels()
{
    static std::vector<guchar> bytes = [] {
        GdkPixbuf *scan = benchscan::makeScan();
        std::vector<guchar> v(3 * kPixels);
        const guchar *src = gdk_pixbuf_get_pixels(scan);
        std::memcpy(v.data(), src + (size_t)1000 * gdk_pixbuf_get_rowstride(scan), v.size());
        g_object_unref(scan);
        return v;
    }();
    return bytes;
}

RefColor inkRef()
{
    RefColor ref;
    makeRefColor(ref, benchscan::kInk);
    return ref;
}

void BM_PlainRead(benchmark::State &state)
{
    const std::vector<guchar> &px = pixels();
    for (auto _ : state) {
        unsigned sum = 0;
        for (guchar b : px)
            sum += b;
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * px.size());
}

template <typename Decide>
void classifyAll(benchmark::State &state, Decide decide)
{
    const std::vector<guchar> &px = pixels();
    for (auto _ : state) {
        size_t ink = 0;
        for (size_t i = 0; i < px.size(); i += 3)
            ink += decide(&px[i]);
        benchmark::DoNotOptimize(ink);
    }
    state.SetBytesProcessed(state.iterations() * px.size());
}

void BM_ColorDistance(benchmark::State &state)
{
    const RefColor ref = inkRef();
    classifyAll(state, [&ref](const guchar *p) { return colorDistance(ref, p) <= kInkDistance; });
}

void BM_IsInk(benchmark::State &state)
{
    const RefColor ref = inkRef();
    classifyAll(state, [&ref](const guchar *p) { return isInk(ref, p); });
}

// Includes building the classifier's cell table, as every search does.
void BM_InkClassifier(benchmark::State &state)
{
    const RefColor ref = inkRef();
    const std::vector<guchar> &px = pixels();
    for (auto _ : state) {
        InkClassifier classifier(ref);
        size_t ink = 0;
        for (size_t i = 0; i < px.size(); i += 3)
            ink += classifier.isInk(&px[i]);
        benchmark::DoNotOptimize(ink);
    }
    state.SetBytesProcessed(state.iterations() * px.size());
}

} // namespace

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColorDistance)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IsInk)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InkClassifier)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
