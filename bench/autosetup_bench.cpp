// SPDX-License-Identifier: GPL-3.0-or-later
// Zero-click set-up of one 300 dpi synthetic chart (corners, ink colour,
// trace ends) beside decoding the same scan as an uncompressed and an
// LZW-compressed TIFF, a PNG and a JPEG (quality 90). The ratios are printed at the end, measured in the
// same run; CPU time of the measuring thread compares fairly on a busy
// machine. The set-up's two field cut-outs are also timed alone: the batch
// digitises from them, so the set-up less them is what it adds to a scan.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <string>

#include "autosetup.h"
#include "benchscratch.h"
#include "chartsynth.h"
#include "cornerfind.h"
#include "fieldpair.h"
#include "scanimage.h"

namespace {

template <typename Work>
void measure(benchmark::State &state, const std::string &name, Work work)
{
    const CpuTimer timer;
    for (auto _ : state) work();
    timer.record(name, state);
}

const char *const kEncodings[] = {"uncompressed", "lzw", "png", "jpeg"};

// The chart written each way, and decoded once.
struct Chart {
    ScratchFolder folder{"vellora-autosetup-bench-XXXXXX"};
    std::string files[4];
    GdkPixbuf *scan = nullptr;
    bool ok = false;
    ManifestEntry entry;
    Params params;

    Chart()
    {
        ChartOptions options;
        options.seed = 7;
        options.maxRotationDeg = 3;
        options.withContext = false;
        SynthChart chart;
        files[0] = folder.dir + "/chart.tif";
        files[1] = folder.dir + "/chart.lzw.tif";
        files[2] = folder.dir + "/chart.png";
        files[3] = folder.dir + "/chart.jpg";
        ok = writeChart(options, files[0], &chart) == SynthOk &&
             gdk_pixbuf_save(chart.scan.get(), files[1].c_str(), "tiff", nullptr, "compression", "5", nullptr) &&
             gdk_pixbuf_save(chart.scan.get(), files[2].c_str(), "png", nullptr, nullptr) &&
             gdk_pixbuf_save(chart.scan.get(), files[3].c_str(), "jpeg", nullptr, "quality", "90", nullptr) &&
             loadScanImage(files[0].c_str(), &scan) == ScanLoaded;
        entry = ManifestEntry{"chart.tif", chart.dateVal[0], chart.dateVal[1], 2};
        params = chart.params;
    }

    ~Chart()
    {
        if (scan) g_object_unref(scan);
    }
};

const Chart &chart() { return scratchInputs<Chart>(); }
bool ready(benchmark::State &state) { return inputsReady<Chart>(state); }

void BM_Decode(benchmark::State &state)
{
    if (!ready(state)) return;
    const char *path = chart().files[state.range(0)].c_str();
    measure(state, std::string("decode ") + kEncodings[state.range(0)], [&] {
        GdkPixbuf *p = nullptr;
        loadScanImage(path, &p);
        benchmark::DoNotOptimize(p);
        if (p) g_object_unref(p);
    });
}

void BM_Corners(benchmark::State &state)
{
    if (!ready(state)) return;
    measure(state, "corners", [] { benchmark::DoNotOptimize(findFieldCorners(chart().params, chart().scan)); });
}

void BM_AutoSetup(benchmark::State &state)
{
    if (!ready(state)) return;
    measure(state, "auto set-up", [] {
        FileCtx none;
        benchmark::DoNotOptimize(proposeSetup(chart().params, chart().scan, none, &chart().entry));
    });
}

// The two field cut-outs alone, at the corners the set-up finds: the batch
// digitises from these very images, so their cost is not the set-up's own.
void BM_CutOuts(benchmark::State &state)
{
    if (!ready(state)) return;
    FileCtx none;
    const SetupProposal found = proposeSetup(chart().params, chart().scan, none, &chart().entry);
    measure(state, "cut-outs", [&] { FieldPair fields(chart().params, chart().scan, found.passPoints); });
}

BENCHMARK(BM_Decode)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Corners)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutoSetup)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CutOuts)->Unit(benchmark::kMillisecond);

void reportRatios()
{
    std::map<std::string, double> &c = costs();
    if (!c.count("auto set-up")) return;
    for (const auto &k : c) std::printf("%-20s cpu %6.1f ms\n", k.first.c_str(), 1000 * k.second);
    const bool cut = c.count("cut-outs") > 0;
    for (const char *e : kEncodings) {
        std::string decode = std::string("decode ") + e;
        if (!c.count(decode)) continue;
        std::printf("auto set-up / decode %s: %.2f (target <= 1)\n", e, c["auto set-up"] / c[decode]);
        if (cut)
            std::printf("auto set-up less the cut-outs the road reuses / decode %s: %.2f\n", e,
                        (c["auto set-up"] - c["cut-outs"]) / c[decode]);
    }
}

}  // namespace

int main(int argc, char **argv)
{
    return runThenReport(argc, argv, reportRatios);
}
