// SPDX-License-Identifier: GPL-3.0-or-later
// Tables of the hard chart combinations, digitised with proposed windows as
// the batch does by default, against the charts' truth. The ten-seed sweeps
// are a benchmark (hardcharts_bench).

#include "coretest.h"
#include "hardcharts.h"
#include "scan_verdict.h"

TEST(AutoWindowsHardCharts, CombinationsMeetTheLimits)
{
    for (const HardChart &kind : kHardCharts)
        for (uint64_t seed : {1, 3}) {
            SCOPED_TRACE(std::string(kind.name) + " seed " + std::to_string(seed));
            SynthChart chart;
            ASSERT_EQ(renderAsScanned(kind.options(seed), chart), SynthOk);
            FileCtx ctx;
            chart.storeRecords(ctx);
            FieldResult fields[2];
            const ScanVerdict verdict = digitiseAndJudge(chart.params, chart.scan.get(), ctx, true, fields);
            const double temp = tableRmse(chart, fields[0].rows, 0), hum = tableRmse(chart, fields[1].rows, 1);
            std::printf("%-26s seed %d  temperature %5.3f C  humidity %5.3f %%  %s\n", kind.name, int(seed), temp,
                        hum, verdictName(verdict.level));
            // NaN fails these as well.
            EXPECT_LE(temp, 0.3);
            EXPECT_LE(hum, 1.5);
        }
}
