// SPDX-License-Identifier: GPL-3.0-or-later
// What the verdict and the previews cost. On a degraded 300 dpi chart: the
// proposed windows and the verdict of both fields beside the ink search of
// both fields (target: at most 1.5 times). On a 300 dpi TIFF read from disk:
// a scan digitised and judged with and without writing its preview (target:
// the preview adds at most 30 %). Ratios are printed at the end, from the
// thread CPU time of the same run, the least of five repetitions each.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <string>

#include <glib.h>
#include <glib/gstdio.h>

#include "../tests/core/scan_verdict.h"
#include "autowindows.h"
#include "benchcost.h"
#include "chartsynth.h"
#include "inksearch.h"
#include "scanimage.h"

namespace {

// A degraded chart digitised once: its fields, the settings they were made
// with and the reference colour.
struct Degraded {
    SynthChart chart;
    FieldResult fields[2];
    ScanSettings settings;
    RefColor ref[2];   // each field's ink
    bool ok = false;

    Degraded()
    {
        ChartOptions o;   // 300 dpi
        o.seed = 3;
        o.annotations = o.blots = o.gaps = o.longNotes = true;
        o.noiseSigma = 8;
        if (renderChart(o, chart) != SynthOk) return;
        FileCtx ctx;
        chart.storeRecords(ctx);
        digitiseAndJudge(chart.params, chart.scan.get(), ctx, true, fields, nullptr, &settings);
        for (int f = 0; f < 2; ++f) ref[f] = inkColorOf(settings, f);
        ok = fields[0].pixbuf && fields[1].pixbuf;
    }
    int width(int f) const { return gdk_pixbuf_get_width(fields[f].pixbuf); }
};

// Records the cost as CpuTimer does, keeping the least over repetitions: on
// a machine shared with other work the quietest run compares fairest.
void recordLeast(const CpuTimer &timer, const std::string &name, const benchmark::State &state)
{
    const double before = costs().count(name) ? costs()[name] : HUGE_VAL;
    timer.record(name, state);
    costs()[name] = std::min(costs()[name], before);
}

const Degraded &degraded()
{
    static Degraded d;
    return d;
}

void BM_InkSearchBothFields(benchmark::State &state)
{
    const Degraded &d = degraded();
    if (!d.ok) return state.SkipWithError("chart not made");
    std::unique_ptr<SpanArray> spans[2] = {std::make_unique<SpanArray>(d.width(0)), std::make_unique<SpanArray>(d.width(1))};
    CpuTimer timer;
    for (auto _ : state)
        for (int f = 0; f < 2; ++f) findCurveSpans(d.fields[f].pixbuf, d.ref[f], nullptr, spans[f].get());
    recordLeast(timer, "ink search", state);
}
BENCHMARK(BM_InkSearchBothFields)->Repetitions(5)->Unit(benchmark::kMillisecond);

// As the batch goes: the even-row ink found once per field for the windows
// and the verdict, the windows proposed, both fields judged.
void BM_AutoWindowsAndVerdictBothFields(benchmark::State &state)
{
    const Degraded &d = degraded();
    if (!d.ok) return state.SkipWithError("chart not made");
    ScanSettings settings = d.settings;
    FieldEvidence evidence[2];
    CpuTimer timer;
    for (auto _ : state) {
        for (int f = 0; f < 2; ++f) {
            FieldSettings &hand = settings.fields[f];
            hand.windows.reset();
            d.fields[f].evenRowInk.rowStart.clear();   // found anew, as for the next scan
            proposeSearchWindows(d.fields[f].pixbuf, d.ref[f], hand.windows, hand.drawPos.data(), settings.datePos[0],
                                 settings.datePos[1], nullptr, nullptr, &fieldEvenRowInk(d.fields[f], d.ref[f]));
        }
        benchmark::DoNotOptimize(judgeFields(d.chart.params, settings, d.fields, evidence));
    }
    recordLeast(timer, "windows and verdict", state);
}
BENCHMARK(BM_AutoWindowsAndVerdictBothFields)->Repetitions(5)->Unit(benchmark::kMillisecond);

// A 300 dpi TIFF with its records in a scratch directory.
struct OnDisk {
    std::string dir, scan;
    SynthChart chart;
    OnDisk()
    {
        char pattern[] = "/tmp/vellora-verdict-bench-XXXXXX";
        if (!g_mkdtemp(pattern)) return;
        dir = pattern;
        scan = dir + "/chart.tif";
        ChartOptions o;
        o.seed = 5;
        o.annotations = o.blots = o.gaps = true;
        if (writeChart(o, scan, &chart) != SynthOk) scan.clear();
    }
    ~OnDisk()
    {
        for (const char *name : {"/chart.tif", "/chart.tif.ctx", "/chart.tif.truth.tsv", "/preview.png"})
            g_remove((dir + name).c_str());
        g_rmdir(dir.c_str());
    }
};

const OnDisk &onDisk()
{
    static OnDisk d;
    return d;
}

// Reads, digitises and judges the scan; writes its preview when asked.
void digitiseScanFile(const OnDisk &d, bool preview)
{
    GdkPixbuf *scan = nullptr;
    if (loadScanImage(d.scan.c_str(), &scan) != ScanLoaded) return;
    FileCtx ctx;
    d.chart.storeRecords(ctx);
    FieldResult fields[2];
    FieldEvidence evidence[2];
    ScanSettings used;
    const ScanVerdict verdict = digitiseAndJudge(d.chart.params, scan, ctx, true, fields, evidence, &used);
    if (preview) {
        const PreviewField shown[2] = {previewField(used, 0, fields[0], evidence[0]),
                                       previewField(used, 1, fields[1], evidence[1])};
        std::string error;
        writePreview(d.dir + "/preview.png", shown, "chart.tif", verdict, &error);
    }
    g_object_unref(scan);
}

void BM_ScanFile(benchmark::State &state)
{
    const OnDisk &d = onDisk();
    if (d.scan.empty()) return state.SkipWithError("chart not written");
    const bool preview = state.range(0) != 0;
    CpuTimer timer;
    for (auto _ : state) digitiseScanFile(d, preview);
    recordLeast(timer, preview ? "scan with preview" : "scan", state);
}
BENCHMARK(BM_ScanFile)->Arg(0)->Arg(1)->Repetitions(5)->Unit(benchmark::kMillisecond);

void reportRatios()
{
    std::map<std::string, double> &c = costs();
    if (c.count("ink search") && c.count("windows and verdict"))
        std::printf("windows and verdict / ink search, both fields: %.2f (target <= 1.5)\n",
                    c["windows and verdict"] / c["ink search"]);
    if (c.count("scan") && c.count("scan with preview"))
        std::printf("scan with preview / scan: %.2f (target <= 1.3)\n", c["scan with preview"] / c["scan"]);
}

}  // namespace

int main(int argc, char **argv)
{
    return runThenReport(argc, argv, reportRatios);
}
