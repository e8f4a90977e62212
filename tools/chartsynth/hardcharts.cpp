// SPDX-License-Identifier: GPL-3.0-or-later
#include "hardcharts.h"

#include <cmath>
#include <string>

ChartOptions quickChartOptions(uint64_t seed)
{
    ChartOptions o;
    o.seed = seed;
    o.dpi = 200;
    o.format = ScanFormat::Bmp;
    return o;
}

namespace {

ChartOptions base(uint64_t seed, double dpi)
{
    ChartOptions o = quickChartOptions(seed);
    o.dpi = dpi;
    return o;
}

ChartOptions notesCurl(uint64_t seed)
{
    ChartOptions o = base(seed, 300);
    o.longNotes = o.blots = true;
    o.curlMM = 0.8;
    o.noiseSigma = 8;
    o.passPointErrorPx = 1;
    return o;
}

ChartOptions blotsFadeJpeg(uint64_t seed)
{
    ChartOptions o = base(seed, 200);
    o.blots = o.gaps = o.fadedInk = true;
    o.noiseSigma = 8;
    o.format = ScanFormat::Jpeg;
    o.jpegQuality = 60;
    return o;
}

ChartOptions everything600(uint64_t seed)
{
    ChartOptions o = base(seed, 600);
    o.longNotes = o.annotations = o.blots = o.gaps = true;
    o.curlMM = 0.8;
    o.noiseSigma = 8;
    o.format = ScanFormat::Jpeg;
    o.jpegQuality = 80;
    return o;
}

ChartOptions tapMarks(uint64_t seed)
{
    ChartOptions o = base(seed, 200);
    o.tapMarks = true;
    return o;
}

ChartOptions secondTurn(uint64_t seed)
{
    ChartOptions o = base(seed, 200);
    o.secondTurnHours = 24;
    return o;
}

}  // namespace

const HardChart kHardCharts[5] = {
    {"a notes+curl 300dpi", notesCurl},  {"b blots+fade q60 200dpi", blotsFadeJpeg},
    {"c all 600dpi q80", everything600}, {"d tap marks", tapMarks},
    {"e second turn", secondTurn},
};

int renderAsScanned(const ChartOptions &options, SynthChart &out)
{
    int result = renderChart(options, out);
    if (result != SynthOk || options.format != ScanFormat::Jpeg) return result;
    gchar *data = nullptr;
    gsize size = 0;
    std::string quality = std::to_string(options.jpegQuality);
    if (!gdk_pixbuf_save_to_buffer(out.scan.get(), &data, &size, "jpeg", nullptr, "quality", quality.c_str(),
                                   nullptr))
        return SynthNoMemory;
    GdkPixbufLoader *loader = gdk_pixbuf_loader_new_with_type("jpeg", nullptr);
    bool read = loader && gdk_pixbuf_loader_write(loader, (const guchar *)data, size, nullptr) &&
                gdk_pixbuf_loader_close(loader, nullptr);
    g_free(data);
    GdkPixbuf *scan = read ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    if (scan) out.scan.reset(GDK_PIXBUF(g_object_ref(scan)));
    if (loader) g_object_unref(loader);
    return scan ? SynthOk : SynthNoMemory;
}

TableError tableError(const SynthChart &chart, const std::vector<TableRow> &rows, int field)
{
    double sum = 0, squares = 0;
    int n = 0;
    for (const TableRow &r : rows) {
        DateTime t;
        t.setDateTime(r.year, r.month, r.day, r.hour, r.minute);
        const double d = r.value - (field == 0 ? chart.temperatureAt(t) : chart.humidityAt(t));
        if (!std::isnan(d)) sum += d, squares += d * d, n++;
    }
    if (n < 24) return TableError{NAN, NAN, n};
    return TableError{std::sqrt(squares / n), sum / n, n};
}
