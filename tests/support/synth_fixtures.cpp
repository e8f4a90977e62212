// SPDX-License-Identifier: GPL-3.0-or-later
#include "synth_fixtures.h"

#include <glib/gstdio.h>

#include "coretest.h"
#include "cutout.h"

namespace {

void removeTree(const std::string &path)
{
    GDir *d = g_file_test(path.c_str(), G_FILE_TEST_IS_SYMLINK) ? nullptr : g_dir_open(path.c_str(), 0, nullptr);
    if (d) {
        while (const char *name = g_dir_read_name(d)) removeTree(path + "/" + name);
        g_dir_close(d);
    }
    g_remove(path.c_str());
}

SynthChart drawnChart(int (*draw)(const ChartOptions &, SynthChart &), const ChartOptions &options)
{
    SynthChart chart;
    EXPECT_EQ(draw(options, chart), SynthOk);
    return chart;
}

}  // namespace

TempDir::TempDir(const char *prefix)
{
    char *cwd = g_get_current_dir();
    std::string pattern = std::string(cwd) + "/" + prefix + "-XXXXXX";
    g_free(cwd);
    if (g_mkdtemp(&pattern[0])) dir = pattern;
}

TempDir::~TempDir()
{
    if (!dir.empty()) removeTree(dir);
}

MadeChart makeChart(const std::string &dir, const ChartOptions &options, const std::string &name)
{
    const char *ext = options.format == ScanFormat::Jpeg ? "jpg" : options.format == ScanFormat::Bmp ? "bmp" : "tif";
    MadeChart made;
    made.scan = dir + "/" + name + "." + ext;
    made.ctx = made.scan + ".ctx";
    made.truth = made.scan + ".truth.tsv";
    made.result = writeChart(options, made.scan, &made.chart);
    return made;
}

SynthChart renderedChart(const ChartOptions &options) { return drawnChart(renderChart, options); }
SynthChart scannedChart(const ChartOptions &options) { return drawnChart(renderAsScanned, options); }

CutChart::CutChart(const ChartOptions &options)
    : chart(renderedChart(options)), ink(refOf(chart.curveColor[0], chart.curveColor[1], chart.curveColor[2]))
{
    Params params = chart.params;
    params.numFieldPassPoints = 3;
    for (int f = 0; f < 2; f++) field[f].reset(cutOutField(params, chart.scan.get(), f, chart.pass));
}

int CutChart::inkIn(int f, int x0, int x1, int y0, int y1) const
{
    return countPixels(field[f].get(), x0, x1, y0, y1, [this](const guchar *p) { return isInk(ink, p); });
}

TableError tableError(const SynthChart &chart, const FieldResult &field, int f)
{
    const TableError e = tableError(chart, field.rows, f);
    return field.tableResult == TableOk ? e : TableError{NAN, NAN, e.n};
}
