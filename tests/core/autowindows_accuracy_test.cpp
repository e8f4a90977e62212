// SPDX-License-Identifier: GPL-3.0-or-later
// Tables digitised from synthetic charts with and without proposed search
// windows, measured against the charts' truth.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "synth_fixtures.h"

namespace {

// Root mean square table errors, temperature and humidity, of the chart
// digitised as the batch does it from the chart's own records.
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

}  // namespace

// Every degradation alone and all at once stay within 0.3 C and 1.5 % with
// the proposed windows; on clean charts they lose (next to) nothing.
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
            SynthChart chart;
            ASSERT_EQ(renderChart(options, chart), SynthOk);
            const Rmse before = digitiseError(chart, false), after = digitiseError(chart, true);
            std::printf("%-12s seed %d  temperature %7.3f -> %5.3f C   humidity %7.3f -> %5.3f %%\n", k.name,
                        int(seed), before.temp, after.temp, before.hum, after.hum);
            SCOPED_TRACE(std::string(k.name) + " seed " + std::to_string(seed));
            // NaN fails these as well.
            EXPECT_LE(after.temp, 0.3);
            EXPECT_LE(after.hum, 1.5);
            if (&k == kinds) {
                EXPECT_LE(after.temp, before.temp + 0.005);
                EXPECT_LE(after.hum, before.hum + 0.02);
            }
        }
}
