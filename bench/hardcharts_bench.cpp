// SPDX-License-Identifier: GPL-3.0-or-later
// The ten-seed sweeps of the hard chart combinations: table RMSE against the
// truth without and with proposed windows, and how the verdict judged them.
// A clean sweep counts false suspects; every sweep counts false oks (tables
// more than 1 C or 3 % off, yet ok). Each sweep runs once; the figures are
// the counters.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

#include "../tests/core/scan_verdict.h"
#include "hardcharts.h"

namespace {

const int kSeeds = 10;

struct Sweep {
    double worst[2][2] = {{0, 0}, {0, 0}};   // [windows][field]
    int withinLimits = 0, falseOk = 0, suspect = 0, failed = 0;
};

void digitiseChart(const SynthChart &chart, bool windows, Sweep &s)
{
    FileCtx ctx;
    chart.storeRecords(ctx);
    FieldResult fields[2];
    const ScanVerdict v = digitiseAndJudge(chart.params, chart.scan.get(), ctx, windows, fields);
    double rmse[2];
    for (int f = 0; f < 2; ++f) {
        rmse[f] = tableError(chart, fields[f].rows, f).rmse;
        s.worst[windows][f] = std::max(s.worst[windows][f], std::isnan(rmse[f]) ? HUGE_VAL : rmse[f]);
    }
    const bool off = !(rmse[0] <= 1.0 && rmse[1] <= 3.0);
    s.falseOk += off && v.level == VerdictLevel::Ok;
    if (windows) {
        s.withinLimits += rmse[0] <= 0.3 && rmse[1] <= 1.5;
        s.suspect += v.level == VerdictLevel::Suspect;
        s.failed += v.level == VerdictLevel::Failed;
    }
}

void runSweep(benchmark::State &state, ChartOptions (*options)(uint64_t))
{
    Sweep s;
    for (auto _ : state)
        for (uint64_t seed = 1; seed <= kSeeds; ++seed) {
            SynthChart chart;
            if (renderAsScanned(options(seed), chart) != SynthOk) return state.SkipWithError("chart not made");
            digitiseChart(chart, false, s);
            digitiseChart(chart, true, s);
        }
    state.counters["T_rmse_max_before"] = s.worst[0][0];
    state.counters["T_rmse_max_after"] = s.worst[1][0];
    state.counters["h_rmse_max_before"] = s.worst[0][1];
    state.counters["h_rmse_max_after"] = s.worst[1][1];
    state.counters["within_limits"] = s.withinLimits;
    state.counters["false_ok"] = s.falseOk;
    state.counters["suspect"] = s.suspect;
    state.counters["failed"] = s.failed;
}

void BM_CleanSweep(benchmark::State &state) { runSweep(state, quickChartOptions); }
BENCHMARK(BM_CleanSweep)->Iterations(1)->Unit(benchmark::kSecond);

void BM_HardSweep(benchmark::State &state)
{
    const HardChart &kind = kHardCharts[state.range(0)];
    state.SetLabel(kind.name);
    runSweep(state, kind.options);
}
BENCHMARK(BM_HardSweep)->DenseRange(0, 4)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
