// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_SYNTH_FIXTURES_H
#define VELLORA_SYNTH_FIXTURES_H

// Scratch directories and synthetic charts with their records and truth.

#include <string>

#include "digitise.h"
#include "hardcharts.h"

// A fresh "prefix-XXXXXX" in the working directory, removed with its contents.
class TempDir {
public:
    explicit TempDir(const char *prefix = "synth");
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return dir; }
    std::string file(const std::string &name) const { return dir + "/" + name; }

private:
    std::string dir;
};

struct MadeChart {
    int result;          // writeChart's result, SynthOk on success
    std::string scan;    // dir/NAME.tif|jpg|bmp
    std::string ctx;     // scan + ".ctx"
    std::string truth;   // scan + ".truth.tsv"
    SynthChart chart;    // pixels, pass points, marks, dates and truth
};

// Writes the chart of options into dir as NAME plus the format's extension.
MadeChart makeChart(const std::string &dir, const ChartOptions &options, const std::string &name = "chart");

// renderChart's chart, or renderAsScanned's; one that cannot be drawn fails the test.
SynthChart renderedChart(const ChartOptions &options);
SynthChart scannedChart(const ChartOptions &options);

// A chart drawn, and both field images as the program cuts them out at its
// pass points.
struct CutChart {
    explicit CutChart(const ChartOptions &options);
    // Pixels of the chart's ink in field f, columns x0..x1, rows y0..y1 (clipped).
    int inkIn(int f, int x0, int x1, int y0, int y1) const;

    SynthChart chart;
    PixbufPtr field[2];
    RefColor ink;
};

// tableError of a field's rows; NaN for a failed table too.
TableError tableError(const SynthChart &chart, const FieldResult &field, int f);

#endif
