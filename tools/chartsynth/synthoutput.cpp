// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a synthetic chart: the scan, its file context and the truth table.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

#include "atomicfile.h"
#include "chartsynth.h"

int saveScan(const GdkPixbuf *scan, const std::string &path, ScanFormat format, int jpegQuality)
{
    GError *error = nullptr;
    GdkPixbuf *pb = const_cast<GdkPixbuf *>(scan);
    gboolean ok = FALSE;
    switch (format) {
    case ScanFormat::Jpeg: {
        std::string quality = std::to_string(std::clamp(jpegQuality, 0, 100));
        ok = gdk_pixbuf_save(pb, path.c_str(), "jpeg", &error, "quality", quality.c_str(), nullptr);
        break;
    }
    case ScanFormat::Bmp:
        ok = gdk_pixbuf_save(pb, path.c_str(), "bmp", &error, nullptr);
        break;
    case ScanFormat::Tiff:
        // Uncompressed, as scanners write it; deflate would take seconds.
        ok = gdk_pixbuf_save(pb, path.c_str(), "tiff", &error, "compression", "1", nullptr);
        break;
    }
    if (error) g_error_free(error);
    return ok ? 0 : -1;
}

bool parseScanFormat(const std::string &name, ScanFormat &format)
{
    std::string n = name;
    std::transform(n.begin(), n.end(), n.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (n == "tif" || n == "tiff")
        format = ScanFormat::Tiff;
    else if (n == "jpg" || n == "jpeg")
        format = ScanFormat::Jpeg;
    else if (n == "bmp")
        format = ScanFormat::Bmp;
    else
        return false;
    return true;
}

namespace {

std::string isoMinute(const DateTime &t)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
    return text;
}

}  // namespace

std::string SynthChart::manifestLine(const std::string &scan) const
{
    return scan + "," + isoMinute(dateVal[0]) + "," + isoMinute(dateVal[1]) + "\n";
}

int writeChart(const ChartOptions &options, const std::string &scanPath, SynthChart *out)
{
    SynthChart local;
    SynthChart &chart = out ? *out : local;
    int result = renderChart(options, chart);
    if (result != SynthOk) return result;
    if (saveScan(chart.scan.get(), scanPath, options.format, options.jpegQuality) != 0) return SynthWriteFailed;
    if (options.withContext) {
        FileCtx ctx;
        ctx.open(scanPath.c_str(), false);
        chart.storeRecords(ctx);
        if (ctx.write() != 0) return SynthWriteFailed;
    } else {
        std::string name = scanPath.substr(scanPath.find_last_of('/') + 1);
        if (writeFileAtomic(scanPath + ".manifest.csv", "scan,start,end\n" + chart.manifestLine(name)) != 0)
            return SynthWriteFailed;
    }
    if (writeFileAtomic(scanPath + ".truth.tsv", chart.truthText()) != 0) return SynthWriteFailed;
    if (writeFileAtomic(scanPath + ".ini", paramFileText(chart.params)) != 0) return SynthWriteFailed;
    return SynthOk;
}
