// SPDX-License-Identifier: GPL-3.0-or-later
// chartsynth: writes a synthetic thermohygrograph scan with its file context
// (PATH.ctx), the true values of every minute (PATH.truth.tsv) and the
// parameter file of its chart make (PATH.ini).

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "chartsynth.h"

namespace {

const char kUsage[] =
    "usage: chartsynth [--seed N] [--dpi DPI] [--format tif|jpg|bmp] [--rotate DEG]\n"
    "                  [--noise SIGMA] [--quality Q] [--hours H] [--mmperhour MM]\n"
    "                  [--annotations] [--blots] [--gaps] [--inkgrid] [--long-notes]\n"
    "                  [--tap-marks] [--faded-ink] [--second-turn HOURS] [--curl MM]\n"
    "                  [--pass-error PX] [--profile PARAMFILE] -o PATH\n";

bool parseNumber(const char *text, double &value)
{
    char *end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0';
}

bool parseInteger(const char *text, long long &value)
{
    char *end = nullptr;
    errno = 0;
    value = std::strtoll(text, &end, 10);
    return end != text && *end == '\0' && errno == 0;
}

// An int option; out-of-range values are left to the option check.
bool parseInt(const char *text, int &value)
{
    long long n = 0;
    if (!parseInteger(text, n) || n < INT_MIN || n > INT_MAX) return false;
    value = int(n);
    return true;
}

// The format named by the path's extension, when it names one.
bool formatFromPath(const std::string &path, ScanFormat &format)
{
    size_t dot = path.find_last_of('.');
    return dot != std::string::npos && parseScanFormat(path.substr(dot + 1), format);
}

// Options that take a value; false on an unknown option or a bad value.
bool parseValueOption(const char *name, const char *value, ChartOptions &o, bool &formatGiven)
{
    double d = 0;
    long long n = 0;
    if (!std::strcmp(name, "--seed")) return parseInteger(value, n) && n >= 0 && ((o.seed = uint64_t(n)), true);
    if (!std::strcmp(name, "--format")) return (formatGiven = parseScanFormat(value, o.format));
    if (!std::strcmp(name, "--quality")) return parseInt(value, o.jpegQuality);
    if (!std::strcmp(name, "--hours")) return parseInt(value, o.hours);
    if (!std::strcmp(name, "--second-turn")) return parseInt(value, o.secondTurnHours);
    if (!parseNumber(value, d)) return false;
    if (!std::strcmp(name, "--dpi"))
        o.dpi = d;
    else if (!std::strcmp(name, "--rotate"))
        o.rotationDeg = d;
    else if (!std::strcmp(name, "--noise"))
        o.noiseSigma = d;
    else if (!std::strcmp(name, "--mmperhour"))
        o.mmPerHour = d;
    else if (!std::strcmp(name, "--curl"))
        o.curlMM = d;
    else if (!std::strcmp(name, "--pass-error"))
        o.passPointErrorPx = d;
    else
        return false;
    return true;
}

bool parseFlag(const char *name, ChartOptions &o)
{
    bool *flag = !std::strcmp(name, "--annotations") ? &o.annotations
                 : !std::strcmp(name, "--blots")     ? &o.blots
                 : !std::strcmp(name, "--gaps")      ? &o.gaps
                 : !std::strcmp(name, "--inkgrid")   ? &o.inkGrid
                 : !std::strcmp(name, "--long-notes") ? &o.longNotes
                 : !std::strcmp(name, "--tap-marks") ? &o.tapMarks
                 : !std::strcmp(name, "--faded-ink") ? &o.fadedInk
                                                     : nullptr;
    if (flag) *flag = true;
    return flag != nullptr;
}

// The chart make of a parameter file; false with a message when it is not
// read whole.
bool readProfile(const char *path, ChartOptions &o)
{
    Params profile;
    setParamDefaults(profile);
    const int result = loadParamFile(profile, path);
    if (result == 0) {
        o.useProfile(profile);
        return true;
    }
    if (result < 0)
        std::fprintf(stderr, "chartsynth: cannot read %s\n", path);
    else
        std::fprintf(stderr, "chartsynth: %s\n", paramFileStopMessage(path, result).c_str());
    return false;
}

int usageError(const char *what)
{
    std::fprintf(stderr, "chartsynth: %s\n%s", what, kUsage);
    return 2;
}

}  // namespace

int main(int argc, char **argv)
{
    ChartOptions options;
    std::string path;
    bool formatGiven = false;
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        if (!std::strcmp(arg, "-h") || !std::strcmp(arg, "--help")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (parseFlag(arg, options)) continue;
        if (i + 1 >= argc) return usageError(arg);
        if (!std::strcmp(arg, "-o"))
            path = argv[++i];
        else if (!std::strcmp(arg, "--profile")) {
            if (!readProfile(argv[++i], options)) return 2;
        }
        else if (!parseValueOption(arg, argv[i + 1], options, formatGiven))
            return usageError(arg);
        else
            i++;
    }
    if (path.empty()) return usageError("no output path");
    if (!formatGiven) formatFromPath(path, options.format);

    SynthChart chart;
    int result = writeChart(options, path, &chart);
    if (result == SynthBadOptions) return usageError("options make no chart");
    if (result != SynthOk) {
        std::fprintf(stderr, "chartsynth: could not write %s\n", path.c_str());
        return 1;
    }
    std::printf("%s: %dx%d, marks %d..%d, %04d-%02d-%02d %02d:%02d + %d h\n", path.c_str(),
                gdk_pixbuf_get_width(chart.scan.get()), gdk_pixbuf_get_height(chart.scan.get()), chart.datePos[0],
                chart.datePos[1], chart.dateVal[0].year, chart.dateVal[0].month, chart.dateVal[0].day,
                chart.dateVal[0].hour, chart.dateVal[0].minute, options.hours);
    return 0;
}
