// SPDX-License-Identifier: GPL-3.0-or-later
// Knot extraction and fit over a field the size of a real cut-out (2347 x 656
// pixels) with a synthetic trace, beside a plain read of the same bytes as
// the floor any per-pixel pass has to pay.
#include <cmath>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "inksearch.h"
#include "knots.h"
#include "fieldeval.h"
#include "table.h"

namespace {

const int kWidth = 2347;
const int kHeight = 656;
const guchar kInkColor[3] = {70, 40, 150};

int traceRow(int x)
{
    return static_cast<int>(328.0 + 210.0 * std::sin(x / 310.0) + 25.0 * std::sin(x / 41.0));
}

// Paper with a printed grid and a three-pixel trace whose shade varies.
GdkPixbuf *syntheticField()
{
    GdkPixbuf *image = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, kWidth, kHeight);
    const guchar paper[3] = {248, 246, 236}, grid[3] = {225, 170, 160};
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            putPixel(image, x, y, (x % 40 == 0 || y % 40 == 0) ? grid : paper);
    for (int x = 0; x < kWidth; ++x) {
        const int centre = traceRow(x);
        for (int dy = -1; dy <= 1; ++dy) {
            const guchar shade = static_cast<guchar>(10 * (dy + 1) + x % 5);
            const guchar ink[3] = {static_cast<guchar>(kInkColor[0] + shade),
                                   static_cast<guchar>(kInkColor[1] + shade),
                                   static_cast<guchar>(kInkColor[2] + shade)};
            putPixel(image, x, centre + dy, ink);
        }
    }
    return image;
}

struct Fixture {
    GdkPixbuf *image = syntheticField();
    RefColor ref;
    SpanArray limits{kWidth};
    std::vector<int> drawPos = std::vector<int>(kWidth, -1);
    std::vector<int> knotPos = std::vector<int>(kWidth);
    std::vector<double> knotVal = std::vector<double>(kWidth);

    Fixture() { makeRefColor(ref, kInkColor); }
    ~Fixture() { g_object_unref(image); }
    int extract()
    {
        return extractKnots(image, ref, &limits, drawPos.data(), 0, kWidth - 1, knotPos.data(),
                            knotVal.data());
    }
};

void BM_ReadFieldBytes(benchmark::State &state)
{
    Fixture f;
    const guchar *pixels = gdk_pixbuf_read_pixels(f.image);
    const int stride = gdk_pixbuf_get_rowstride(f.image);
    for (auto _ : state) {
        unsigned sum = 0;
        for (int y = 0; y < kHeight; ++y) {
            const guchar *row = pixels + static_cast<size_t>(y) * stride;
            for (int i = 0; i < 3 * kWidth; ++i)
                sum += row[i];
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_ReadFieldBytes);

// Whole columns as search windows: every pixel is visited.
void BM_ExtractKnots(benchmark::State &state)
{
    Fixture f;
    for (auto _ : state)
        benchmark::DoNotOptimize(f.extract());
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_ExtractKnots);

// Narrow windows around the trace, as after the user confined them.
void BM_ExtractKnotsInWindows(benchmark::State &state)
{
    Fixture f;
    for (int x = 0; x < kWidth; ++x) {
        f.limits.setBot(x, traceRow(x) - 30);
        f.limits.setTop(x, traceRow(x) + 30);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(f.extract());
    state.SetItemsProcessed(state.iterations() * kWidth);
}
BENCHMARK(BM_ExtractKnotsInWindows);

void BM_ExtractAndFit(benchmark::State &state)
{
    Fixture f;
    for (auto _ : state) {
        const int count = f.extract();
        int status = 1;
        std::unique_ptr<SplineCurve> curve(
            fitKnotCurve(f.knotPos.data(), f.knotVal.data(), count, 8.0, &status));
        if (status != 0)
            state.SkipWithError("fit failed");
        benchmark::DoNotOptimize(curve.get());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_ExtractAndFit);

// What one recomputation does for both fields: ink search, knots, fit and a
// week's hourly table. Compare with two plain reads of BM_ReadFieldBytes.
void BM_WholeRecomputeBothFields(benchmark::State &state)
{
    Params params;
    setParamDefaults(params);
    ScanSettings settings;
    defaultScanSettings(params, settings);
    for (int k = 0; k < 3; ++k)
        settings.curveColor[k] = kInkColor[k];
    settings.datePos[0] = 0;
    settings.datePos[1] = kWidth - 1;
    settings.dateVal[0].setDateTime(2004, 7, 1, 8, 0);
    settings.dateVal[1].setDateTime(2004, 7, 8, 8, 0);
    FieldResult fields[2];
    for (int f = 0; f < 2; ++f) {
        settings.fields[f].windows.resize(kWidth);
        settings.fields[f].drawPos.assign(kWidth, -1);
        fields[f].pixbuf = syntheticField();
        fields[f].contrastSpan.resize(kWidth);
        fields[f].knotPos.resize(kWidth);
        fields[f].knotVal.resize(kWidth);
    }
    const ProgressSink quiet{nullptr, nullptr, nullptr};
    for (auto _ : state) {
        for (int f = 0; f < 2; ++f) {
            evaluateField(params, settings, f, EvalInkExtent, fields[f], quiet);
            if (fields[f].tableResult != TableOk)
                state.SkipWithError("table failed");
            benchmark::DoNotOptimize(fields[f].rows.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * 2 * kWidth * kHeight);
}
BENCHMARK(BM_WholeRecomputeBothFields);

}  // namespace

BENCHMARK_MAIN();
