// SPDX-License-Identifier: GPL-3.0-or-later
// The headless road on a 300 dpi chart stored as JPEG and as BMP, beside
// decoding the same file alone: in this process (load, both cut-outs,
// knots, fits, tables and their text) and as whole processes (vellora-batch
// against a process that only decodes, in turns, their medians compared).
// The ratios are printed at the end, measured in the same run; CPU times
// compare more fairly on a busy machine.

#include <benchmark/benchmark.h>

#include "benchscratch.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "chartsynth.h"
#include "digitise.h"
#include "scanimage.h"
#include "tablefile.h"

namespace {

enum Format { Jpeg = 0, Bmp = 1 };
const char *const kFormatNames[2] = {"jpeg", "bmp"};
const char *const kExtensions[2] = {".jpg", ".bmp"};

// The chart in both formats, with its file contexts.
struct Charts {
    ScratchFolder folder{"vellora-road-bench-XXXXXX"};
    std::string scans[2];
    bool ok = true;

    Charts()
    {
        for (int f = Jpeg; f <= Bmp; ++f) {
            ChartOptions options;
            options.seed = 3;
            options.dpi = 300;
            options.format = f == Jpeg ? ScanFormat::Jpeg : ScanFormat::Bmp;
            scans[f] = folder.dir + "/chart" + kExtensions[f];
            ok = ok && writeChart(options, scans[f]) == SynthOk;
        }
    }
};

const Charts &charts() { return scratchInputs<Charts>(); }
bool ready(benchmark::State &state) { return inputsReady<Charts>(state); }

std::string costName(const char *what, int format)
{
    return std::string(what) + " " + kFormatNames[format];
}

void BM_DecodeAlone(benchmark::State &state)
{
    if (!ready(state))
        return;
    const std::string &scan = charts().scans[state.range(0)];
    WallCpuTimer t;
    for (auto _ : state) {
        GdkPixbuf *p = gdk_pixbuf_new_from_file(scan.c_str(), nullptr);
        benchmark::DoNotOptimize(p);
        g_object_unref(p);
    }
    t.record(costName("decode", state.range(0)), state);
}

// Load, digitise and the text of both tables; false when a table is missing.
bool road(const std::string &path, const Params &params, size_t &textBytes)
{
    GdkPixbuf *scan = nullptr;
    if (loadScanImage(path.c_str(), &scan) != ScanLoaded)
        return false;
    FileCtx ctx;
    ctx.open(path.c_str(), true);
    FieldResult fields[2];
    ScanSettings used;
    bool ok = digitiseScan(params, scan, ctx, DigitiseOptions(), fields, nullptr, nullptr,
                           &used) == DigitiseOk;
    for (int f = 0; f < 2; ++f) {
        ok = ok && !fields[f].rows.empty();
        textBytes += tableFileText(f, used.timeStep, fields[f].rows.data(),
                                   static_cast<int>(fields[f].rows.size()))
                         .size();
    }
    g_object_unref(scan);
    return ok;
}

void BM_Road(benchmark::State &state)
{
    if (!ready(state))
        return;
    Params params;
    setParamDefaults(params);
    const std::string &scan = charts().scans[state.range(0)];
    size_t textBytes = 0;
    WallCpuTimer t;
    for (auto _ : state) {
        if (!road(scan, params, textBytes)) {
            state.SkipWithError("the chart gave no tables");
            return;
        }
    }
    t.record(costName("road", state.range(0)), state);
    benchmark::DoNotOptimize(textBytes);
}

// Runs argv in the scratch folder (no parameter file there: the defaults);
// false when it fails.
bool runProcess(const char *const argv[])
{
    int status = 0;
    return g_spawn_sync(charts().folder.dir.c_str(), const_cast<char **>(argv), nullptr,
                        G_SPAWN_STDOUT_TO_DEV_NULL, nullptr, nullptr, nullptr, nullptr,
                        &status, nullptr) &&
           g_spawn_check_wait_status(status, nullptr);
}

// Wall and CPU seconds of each run of a process.
struct RunTimes {
    std::vector<double> wall, cpu;

    static double median(std::vector<double> v)
    {
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    }

    WallCpu medians() const { return WallCpu{median(wall), median(cpu)}; }
};

bool timedRun(const char *const argv[], RunTimes &times)
{
    const double wall = clockSeconds(CLOCK_MONOTONIC), cpu = childSeconds();
    if (!runProcess(argv))
        return false;
    times.wall.push_back(clockSeconds(CLOCK_MONOTONIC) - wall);
    times.cpu.push_back(childSeconds() - cpu);
    return true;
}

// A process that only decodes the scan and vellora-batch on it, run in
// turns so that both meet the same load on a shared machine; the medians
// of their runs are kept.
void BM_Processes(benchmark::State &state)
{
    if (!ready(state))
        return;
    const int format = static_cast<int>(state.range(0));
    const char *scan = charts().scans[format].c_str();
    const std::array<const char *, 4> decode{"/proc/self/exe", "--decode-only", scan, nullptr};
    const std::array<const char *, 7> batch{VELLORA_BATCH_EXE, "-q", "--force", "--output-dir",
                                            charts().folder.out.c_str(), scan, nullptr};
    RunTimes times[2];
    for (auto _ : state) {
        if (!timedRun(decode.data(), times[0]) || !timedRun(batch.data(), times[1])) {
            state.SkipWithError("the process failed");
            return;
        }
    }
    wallCpuCosts()[costName("decode process", format)] = times[0].medians();
    wallCpuCosts()[costName("batch process", format)] = times[1].medians();
}

BENCHMARK(BM_DecodeAlone)->Arg(Jpeg)->Arg(Bmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Road)->Arg(Jpeg)->Arg(Bmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Processes)->Arg(Jpeg)->Arg(Bmp)->Unit(benchmark::kMillisecond)->UseRealTime()
    ->MinTime(2.0);

// The target is the whole processes'; the in-process road is shown for where
// the time goes (its decode pays fewer page faults than a fresh process).
void reportRatio(const char *what, const char *alone, int format, double target)
{
    std::map<std::string, WallCpu> &c = wallCpuCosts();
    const std::string a = costName(alone, format), w = costName(what, format);
    if (!c.count(a) || !c.count(w))
        return;
    std::printf("%-13s / %-14s %-4s: wall %5.1f / %5.1f ms = %.2f, cpu %5.1f / %5.1f ms = %.2f",
                what, alone, kFormatNames[format], 1e3 * c[w].wall, 1e3 * c[a].wall,
                c[w].wall / c[a].wall, 1e3 * c[w].cpu, 1e3 * c[a].cpu, c[w].cpu / c[a].cpu);
    if (target > 0)
        std::printf(" (target <= %.1f)", target);
    std::printf("\n");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--decode-only") == 0) {
        GdkPixbuf *p = gdk_pixbuf_new_from_file(argv[2], nullptr);
        if (p)
            g_object_unref(p);
        return p ? 0 : 1;
    }
    return runThenReport(argc, argv, [] {
        const double targets[2] = {1.3, 1.6};
        for (int f = Jpeg; f <= Bmp; ++f) {
            reportRatio("road", "decode", f, 0);
            reportRatio("batch process", "decode process", f, targets[f]);
        }
    });
}
