// Tables digitised from synthetic charts with and without proposed search
// windows, measured against the charts' truth.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "chartsynth.h"
#include "digitise.h"
#include "filectx.h"
#include "synth_fixtures.h"

namespace {

const double kTempLimit = 0.3;       // degrees Celsius, root mean square
const double kHumLimit = 1.5;        // percent relative humidity
const double kCleanTempSlack = 0.005;
const double kCleanHumSlack = 0.02;

struct Rmse {
    double temp, hum;
};

// Root mean square difference between a field's table and the truth; NaN
// when the table failed or too few rows lie on the trace.
double tableRmse(const SynthChart &chart, const FieldResult &field, int f)
{
    if (field.tableResult != TableOk)
        return NAN;
    double sum = 0.0;
    int n = 0;
    for (const TableRow &row : field.rows) {
        DateTime t;
        t.setDateTime(row.year, row.month, row.day, row.hour, row.minute);
        const double truth = f == 0 ? chart.temperatureAt(t) : chart.humidityAt(t);
        if (std::isnan(truth))
            continue;
        sum += (row.value - truth) * (row.value - truth);
        ++n;
    }
    return n >= 24 ? std::sqrt(sum / n) : NAN;
}

// The chart digitised as the batch does it from the chart's own records.
Rmse digitiseError(const SynthChart &chart, bool autoWindows)
{
    FileCtx ctx;
    chart.storeRecords(ctx);
    DigitiseOptions options;
    options.smoothness = chart.params.dstCurveFilter;
    options.timeStep = 0;
    options.autoWindows = autoWindows;
    FieldResult fields[2];
    if (digitiseScan(chart.params, chart.scan.get(), ctx, options, fields) != DigitiseOk)
        return {NAN, NAN};
    return {tableRmse(chart, fields[0], 0), tableRmse(chart, fields[1], 1)};
}

struct Comparison {
    Rmse before, after;
};

Comparison compare(const ChartOptions &options)
{
    SynthChart chart;
    if (renderChart(options, chart) != SynthOk)
        return {{NAN, NAN}, {NAN, NAN}};
    return {digitiseError(chart, false), digitiseError(chart, true)};
}

void report(const char *name, uint64_t seed, const Comparison &c)
{
    std::printf("%-12s seed %llu  temperature %7.3f -> %5.3f C   humidity %7.3f -> %5.3f %%\n",
                name, (unsigned long long)seed, c.before.temp, c.after.temp, c.before.hum,
                c.after.hum);
}

struct Degradation {
    const char *name;
    bool annotations, blots, gaps, inkGrid;
    double noiseSigma;
};

const Degradation kDegradations[] = {
    {"annotations", true, false, false, false, 0.0},
    {"blots", false, true, false, false, 0.0},
    {"gaps", false, false, true, false, 0.0},
    {"inkGrid", false, false, false, true, 0.0},
    {"all", true, true, true, true, 0.0},
    {"all, noisy", true, true, true, true, 8.0},
};

const uint64_t kSeeds[] = {1, 2, 3};

} // namespace

TEST(AutoWindowsAccuracy, DegradedChartsMeetTheLimits)
{
    for (const Degradation &d : kDegradations)
        for (uint64_t seed : kSeeds) {
            ChartOptions options = quickChartOptions(seed);
            options.annotations = d.annotations;
            options.blots = d.blots;
            options.gaps = d.gaps;
            options.inkGrid = d.inkGrid;
            options.noiseSigma = d.noiseSigma;
            const Comparison c = compare(options);
            report(d.name, seed, c);
            // NaN fails these as well.
            EXPECT_LE(c.after.temp, kTempLimit) << d.name << " seed " << seed;
            EXPECT_LE(c.after.hum, kHumLimit) << d.name << " seed " << seed;
        }
}

TEST(AutoWindowsAccuracy, CleanChartsLoseNothing)
{
    for (uint64_t seed : kSeeds) {
        const Comparison c = compare(quickChartOptions(seed));
        report("clean", seed, c);
        EXPECT_LE(c.after.temp, c.before.temp + kCleanTempSlack) << "seed " << seed;
        EXPECT_LE(c.after.hum, c.before.hum + kCleanHumSlack) << "seed " << seed;
    }
}
