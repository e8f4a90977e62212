// SPDX-License-Identifier: GPL-3.0-or-later
// The headless road on a 300 dpi chart stored as JPEG and as BMP, beside
// decoding the same file alone: in this process (load, both cut-outs,
// knots, fits, tables and their text) and as whole processes (vellora-batch
// against a process that only decodes). The ratios are printed at the end,
// measured in the same run; CPU times compare more fairly on a busy machine.

#include <benchmark/benchmark.h>

#include "benchscratch.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

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

template <typename Argv>
void measureProcess(benchmark::State &state, const char *what, Argv argvOf)
{
    if (!ready(state))
        return;
    const std::string &scan = charts().scans[state.range(0)];
    WallCpuTimer t(childSeconds);
    for (auto _ : state) {
        if (!runProcess(argvOf(scan).data())) {
            state.SkipWithError("the process failed");
            return;
        }
    }
    t.record(costName(what, state.range(0)), state);
}

void BM_DecodeProcess(benchmark::State &state)
{
    measureProcess(state, "decode process", [](const std::string &scan) {
        return std::array<const char *, 4>{"/proc/self/exe", "--decode-only", scan.c_str(),
                                           nullptr};
    });
}

void BM_BatchProcess(benchmark::State &state)
{
    const std::string &out = charts().folder.out;
    measureProcess(state, "batch process", [&out](const std::string &scan) {
        return std::array<const char *, 7>{VELLORA_BATCH_EXE, "-q", "--force", "--output-dir",
                                           out.c_str(), scan.c_str(), nullptr};
    });
}

BENCHMARK(BM_DecodeAlone)->Arg(Jpeg)->Arg(Bmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Road)->Arg(Jpeg)->Arg(Bmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeProcess)->Arg(Jpeg)->Arg(Bmp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BatchProcess)->Arg(Jpeg)->Arg(Bmp)->Unit(benchmark::kMillisecond)->UseRealTime();

void reportRatio(const char *what, const char *alone, int format, double target)
{
    std::map<std::string, WallCpu> &c = wallCpuCosts();
    const std::string a = costName(alone, format), w = costName(what, format);
    if (!c.count(a) || !c.count(w))
        return;
    std::printf("%-13s / %-14s %-4s: wall %5.1f / %5.1f ms = %.2f, cpu %5.1f / %5.1f ms = %.2f"
                " (target <= %.1f)\n",
                what, alone, kFormatNames[format], 1e3 * c[w].wall, 1e3 * c[a].wall,
                c[w].wall / c[a].wall, 1e3 * c[w].cpu, 1e3 * c[a].cpu, c[w].cpu / c[a].cpu,
                target);
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
            reportRatio("road", "decode", f, targets[f]);
            reportRatio("batch process", "decode process", f, targets[f]);
        }
    });
}
