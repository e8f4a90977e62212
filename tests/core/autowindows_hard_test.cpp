// SPDX-License-Identifier: GPL-3.0-or-later
// Tables of the hard chart combinations, digitised with proposed windows as
// the batch does by default, against the charts' truth; the ten-seed sweeps
// are a benchmark.

#include "coretest.h"
#include "scan_verdict.h"
#include "synth_fixtures.h"

namespace {

void expectWithinLimits(const HardChart &kind, uint64_t seed)
{
    SCOPED_TRACE(std::string(kind.name) + " seed " + std::to_string(seed));
    const SynthChart chart = scannedChart(kind.options(seed));
    FileCtx ctx;
    chart.storeRecords(ctx);
    FieldResult fields[2];
    const ScanVerdict verdict = digitiseAndJudge(chart.params, chart.scan.get(), ctx, true, fields);
    const double temp = tableError(chart, fields[0], 0).rmse, hum = tableError(chart, fields[1], 1).rmse;
    std::printf("%-26s seed %d  temperature %5.3f C  humidity %5.3f %%  %s\n", kind.name, int(seed), temp, hum,
                verdictName(verdict.level));
    // NaN fails these as well.
    EXPECT_LE(temp, 0.3);
    EXPECT_LE(hum, 1.5);
}

}  // namespace

TEST(AutoWindowsHardCharts, CombinationsMeetTheLimits)
{
    for (const HardChart &kind : kHardCharts)
        for (uint64_t seed : {1, 3}) expectWithinLimits(kind, seed);
}

// Seeds whose two turns start at the same value and slope and cross several
// times: the table follows the turn the marks span.
TEST(AutoWindowsHardCharts, SecondTurnFollowsTheMarkedTurn)
{
    for (uint64_t seed : {7, 9}) expectWithinLimits(kHardCharts[4], seed);
}

// A seed whose temperature turns touch in one thick run, 3.5 and 5 rows
// apart, without crossing: each turn leaves the run on the side it came in.
TEST(AutoWindowsHardCharts, TouchingTurnsKeepTheirSides)
{
    expectWithinLimits(kHardCharts[4], 32);
}
