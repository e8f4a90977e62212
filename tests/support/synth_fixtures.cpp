#include "synth_fixtures.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <vector>

TempDir::TempDir(const char *prefix)
{
    std::string pattern = std::string(prefix) + "-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (g_mkdtemp(buf.data())) dir = buf.data();
}

TempDir::~TempDir()
{
    if (dir.empty()) return;
    if (GDir *d = g_dir_open(dir.c_str(), 0, nullptr)) {
        while (const char *name = g_dir_read_name(d)) g_remove(file(name).c_str());
        g_dir_close(d);
    }
    g_rmdir(dir.c_str());
}

const char *scanExtension(ScanFormat format)
{
    switch (format) {
    case ScanFormat::Jpeg:
        return "jpg";
    case ScanFormat::Bmp:
        return "bmp";
    case ScanFormat::Tiff:
        break;
    }
    return "tif";
}

MadeChart makeChart(const std::string &dir, const ChartOptions &options, const std::string &name)
{
    MadeChart made;
    made.scan = dir + "/" + name + "." + scanExtension(options.format);
    made.ctx = made.scan + ".ctx";
    made.truth = made.scan + ".truth.tsv";
    made.result = writeChart(options, made.scan, &made.chart);
    return made;
}

ChartOptions quickChartOptions(uint64_t seed)
{
    ChartOptions options;
    options.seed = seed;
    options.dpi = 200;
    options.format = ScanFormat::Bmp;
    return options;
}
