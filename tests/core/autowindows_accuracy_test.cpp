// SPDX-License-Identifier: GPL-3.0-or-later
// Tables digitised from synthetic charts with and without proposed search
// windows, as the batch does from the charts' own records, measured against
// the charts' truth; the ten-seed sweeps of the hard combinations are a
// benchmark.

#include "coretest.h"
#include "synth_fixtures.h"

namespace {

// Root mean square table errors, temperature and humidity.
struct Rmse { double temp, hum; };

Rmse digitiseError(const SynthChart &chart, bool autoWindows)
{
    FileCtx ctx;
    chart.storeRecords(ctx);
    FieldResult fields[2];
    DigitiseOptions options;
    options.autoWindows = autoWindows;
    if (digitiseScan(chart.params, chart.scan.get(), ctx, options, fields) != DigitiseOk)
        return {NAN, NAN};
    return {tableError(chart, fields[0], 0).rmse, tableError(chart, fields[1], 1).rmse};
}

// The error with proposed windows, held to 0.3 C and 1.5 % (NaN fails too).
Rmse expectWithinLimits(const SynthChart &chart, const std::string &name)
{
    SCOPED_TRACE(name);
    const Rmse e = digitiseError(chart, true);
    EXPECT_LE(e.temp, 0.3);
    EXPECT_LE(e.hum, 1.5);
    return e;
}

}  // namespace

// Every degradation alone and all at once stays within the limits with the
// proposed windows; on clean charts they lose (next to) nothing.
TEST(AutoWindowsAccuracy, DegradedChartsMeetTheLimitsCleanChartsLoseNothing)
{
    const struct {
        const char *name;
        bool annotations, blots, gaps, inkGrid;
        double noiseSigma;
    } kinds[] = {
        {"clean", false, false, false, false, 0.0},  {"annotations", true, false, false, false, 0.0},
        {"blots", false, true, false, false, 0.0},   {"gaps", false, false, true, false, 0.0},
        {"inkGrid", false, false, false, true, 0.0}, {"all", true, true, true, true, 0.0},
        {"all, noisy", true, true, true, true, 8.0},
    };
    for (const auto &k : kinds)
        for (uint64_t seed : {1, 2, 3}) {
            ChartOptions options = quickChartOptions(seed);
            options.annotations = k.annotations;
            options.blots = k.blots;
            options.gaps = k.gaps;
            options.inkGrid = k.inkGrid;
            options.noiseSigma = k.noiseSigma;
            const SynthChart chart = renderedChart(options);
            const std::string name = std::string(k.name) + " seed " + std::to_string(seed);
            const Rmse before = digitiseError(chart, false), after = expectWithinLimits(chart, name);
            std::printf("%-18s temperature %7.3f -> %5.3f C   humidity %7.3f -> %5.3f %%\n", name.c_str(),
                        before.temp, after.temp, before.hum, after.hum);
            if (&k == kinds) {
                EXPECT_LE(after.temp, before.temp + 0.005) << name;
                EXPECT_LE(after.hum, before.hum + 0.02) << name;
            }
        }
}

// Seeds 7 and 9 of the second turn start both turns at the same value and
// slope, and they cross several times: the table follows the turn the marks
// span.
TEST(AutoWindowsAccuracy, HardCombinationsMeetTheLimits)
{
    std::vector<std::pair<const HardChart *, uint64_t>> charts;
    for (const HardChart &kind : kHardCharts)
        for (uint64_t seed : {1, 3}) charts.emplace_back(&kind, seed);
    for (uint64_t seed : {7, 9}) charts.emplace_back(&kHardCharts[4], seed);
    for (const auto &c : charts) {
        const std::string name = std::string(c.first->name) + " seed " + std::to_string(c.second);
        const Rmse e = expectWithinLimits(scannedChart(c.first->options(c.second)), name);
        std::printf("%-34s temperature %5.3f C  humidity %5.3f %%\n", name.c_str(), e.temp, e.hum);
    }
}
