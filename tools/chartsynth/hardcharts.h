// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_HARDCHARTS_H
#define VELLORA_HARDCHARTS_H

// The combinations of degradations that trace following must hold on, shared
// by the accuracy tests and the sweeps.

#include <vector>

#include "chartsynth.h"
#include "table.h"

// Options for a quick chart: 200 dpi (about the field images' 8 px/mm),
// lossless BMP, otherwise the defaults.
ChartOptions quickChartOptions(uint64_t seed);

struct HardChart {
    const char *name;
    ChartOptions (*options)(uint64_t seed);
};

// (a) long notes, smudges, curl, noise, pass points 1 px off, 300 dpi;
// (b) blots, gaps, faded ink, noise, JPEG q60, 200 dpi;
// (c) notes, blots, gaps, smudges, curl, noise, JPEG q80, 600 dpi;
// (d) tap marks; (e) a second turn of a day.
extern const HardChart kHardCharts[5];

// renderChart, and for a JPEG format the scan as it reads back from the file.
int renderAsScanned(const ChartOptions &options, SynthChart &out);

// A field's table rows less the chart's truth over the n rows on the trace:
// root mean square and mean; NaN with fewer than 24 such rows, too few to judge.
struct TableError { double rmse, mean; int n; };
TableError tableError(const SynthChart &chart, const std::vector<TableRow> &rows, int field);

#endif
