// SPDX-License-Identifier: GPL-3.0-or-later
// Fit and evaluation of a field curve the size of a full chart (2,300 knots).
#include <cmath>
#include <vector>

#include <benchmark/benchmark.h>

#include "smoothspline.h"
#include "splinecurve.h"

namespace {

const int kKnots = 2300;

// A wandering trace with pixel noise, one knot per column.
double knotRow(int i)
{
    return 300.0 + 120.0 * std::sin(i / 170.0) + 15.0 * std::sin(i / 23.0) + ((i * 37) % 7) * 0.3;
}

SplineCurve *fittedCurve()
{
    SplineCurve *curve = new SplineCurve(kKnots, 8.0);
    curve->begin();
    for (int i = 0; i < kKnots; ++i)
        curve->add(i, knotRow(i));
    curve->fit();
    return curve;
}

// What the knot extraction does per recomputation: build, add, fit.
void BM_FitCurve(benchmark::State &state)
{
    std::vector<double> rows(kKnots);
    for (int i = 0; i < kKnots; ++i)
        rows[i] = knotRow(i);
    for (auto _ : state) {
        SplineCurve curve(kKnots, 8.0);
        curve.begin();
        for (int i = 0; i < kKnots; ++i)
            curve.add(i, rows[i]);
        benchmark::DoNotOptimize(curve.fit());
    }
    state.SetItemsProcessed(state.iterations() * kKnots);
}
BENCHMARK(BM_FitCurve);

// The fit alone in each end condition, on the same data.
void BM_FitMode(benchmark::State &state)
{
    const int mode = static_cast<int>(state.range(0));
    const int n = kKnots - 1;
    std::vector<double> x(n + 1), y(n + 1), w(n + 1, 8.0), a(n + 1), b(n + 1), c(n + 1), d(n + 1);
    for (int i = 0; i <= n; ++i) {
        x[i] = i;
        y[i] = knotRow(i);
    }
    y[n] = y[0];
    for (auto _ : state)
        benchmark::DoNotOptimize(fitSmoothingSpline(n, x.data(), y.data(), w.data(), mode, 0.0,
                                                    0.0, a.data(), b.data(), c.data(), d.data()));
    state.SetItemsProcessed(state.iterations() * kKnots);
}
BENCHMARK(BM_FitMode)->DenseRange(1, 4);

// One value per column, left to right, as the views and the table sampler do.
void BM_EvaluateForward(benchmark::State &state)
{
    SplineCurve *curve = fittedCurve();
    for (auto _ : state) {
        double sum = 0.0;
        for (int x = 0; x < kKnots; ++x)
            sum += curve->value(x + 0.5);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kKnots);
    delete curve;
}
BENCHMARK(BM_EvaluateForward);

// Jumping abscissae defeat the remembered interval: bisection every call.
void BM_EvaluateScattered(benchmark::State &state)
{
    SplineCurve *curve = fittedCurve();
    for (auto _ : state) {
        double sum = 0.0;
        for (int x = 0; x < kKnots; ++x)
            sum += curve->value((x * 997) % kKnots + 0.5);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kKnots);
    delete curve;
}
BENCHMARK(BM_EvaluateScattered);

}  // namespace

BENCHMARK_MAIN();
