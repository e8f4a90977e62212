// SPDX-License-Identifier: GPL-3.0-or-later
// The batch digitiser on 300 dpi synthetic TIFF scans: the whole digitisation
// of one scan (decode, cut-out, search, fit, both tables, writes) beside
// decoding the same image alone, one and two jobs over a set of scans, and
// the peak memory of one scan against the size of its decoded image. The
// ratios are printed at the end, measured in the same run.

#include <benchmark/benchmark.h>

#include "benchscratch.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <glib.h>

#include "batch.h"
#include "chartsynth.h"
#include "scanimage.h"
#include "scanjob.h"

namespace {

const int kScans = 4;

// The same scan stored two ways: uncompressed, as chartsynth writes it (its
// decoding is little more than a copy), and LZW-compressed as scanners and
// archives commonly store it.
enum Encoding { Uncompressed = 0, Lzw = 1 };
const char *const kEncodingNames[2] = {"uncompressed", "lzw"};

// Copies a scan into an LZW TIFF with the same file context.
bool writeLzwCopy(const std::string &from, const std::string &to)
{
    GdkPixbuf *scan = nullptr;
    if (loadScanImage(from.c_str(), &scan) != ScanLoaded)
        return false;
    bool ok = gdk_pixbuf_save(scan, to.c_str(), "tiff", nullptr, "compression", "5", nullptr);
    g_object_unref(scan);
    gchar *ctx = nullptr;
    gsize length = 0;
    ok = ok && g_file_get_contents((from + ".ctx").c_str(), &ctx, &length, nullptr) &&
         g_file_set_contents((to + ".ctx").c_str(), ctx, static_cast<gssize>(length), nullptr);
    g_free(ctx);
    return ok;
}

// Synthetic 300 dpi scans with their file contexts.
struct Archive {
    ScratchFolder folder{"vellora-batch-bench-XXXXXX"};
    std::vector<std::string> scans[2];
    Params params;
    bool ok = true;

    Archive()
    {
        setParamDefaults(params);
        for (int i = 0; i < kScans; ++i) {
            ChartOptions options;
            options.seed = 100 + i;
            std::string name = folder.dir + "/x" + std::to_string(1000 + i);
            ok = ok && writeChart(options, name + ".tif") == SynthOk &&
                 writeLzwCopy(name + ".tif", name + ".lzw.tif");
            scans[Uncompressed].push_back(name + ".tif");
            scans[Lzw].push_back(name + ".lzw.tif");
        }
    }

    BatchOptions options(Encoding encoding, int jobs) const
    {
        BatchOptions o;
        o.scans = scans[encoding];
        o.outputDir = folder.out;
        o.force = true;
        o.quiet = true;
        o.jobs = jobs;
        return o;
    }
};

const Archive &archive() { return scratchInputs<Archive>(); }
bool ready(benchmark::State &state) { return inputsReady<Archive>(state); }

std::string costName(const char *what, int encoding)
{
    return std::string(what) + " " + kEncodingNames[encoding];
}

// Reads the scans of one encoding in turn with load and records its cost.
template <typename Load>
void measureLoading(benchmark::State &state, const char *what, Load load)
{
    if (!ready(state))
        return;
    const std::vector<std::string> &scans = archive().scans[state.range(0)];
    size_t i = 0;
    WallCpuTimer t;
    for (auto _ : state) {
        GdkPixbuf *p = load(scans[i++ % scans.size()].c_str());
        benchmark::DoNotOptimize(p);
        g_object_unref(p);
    }
    t.record(costName(what, state.range(0)), state);
}

void BM_DecodeOnly(benchmark::State &state)
{
    measureLoading(state, "decode", [](const char *path) {
        return gdk_pixbuf_new_from_file(path, nullptr);
    });
}

// The scan reader of the GUI and the batch: decode and drop TIFF's added alpha.
void BM_LoadScanImage(benchmark::State &state)
{
    measureLoading(state, "load", [](const char *path) {
        GdkPixbuf *p = nullptr;
        loadScanImage(path, &p);
        return p;
    });
}

void processOne(const std::string &scan, const Params &params, const BatchOptions &options)
{
    ScanOutcome outcome;
    digitiseScanFile(scan, params, options, outcome);
    OutputClaims claims;  // each call writes the same files again
    writeScanOutputs(outcome, options, params, claims);
    if (!outcome.ok())
        std::fprintf(stderr, "%s\n", scanSummaryLine(outcome).c_str());
}

void BM_WholeScan(benchmark::State &state)
{
    if (!ready(state))
        return;
    const Archive &a = archive();
    Encoding encoding = static_cast<Encoding>(state.range(0));
    BatchOptions options = a.options(encoding, 1);
    size_t i = 0;
    WallCpuTimer t;
    for (auto _ : state)
        processOne(options.scans[i++ % options.scans.size()], a.params, options);
    t.record(costName("whole", encoding), state);
}

void BM_BatchLzw(benchmark::State &state)
{
    if (!ready(state))
        return;
    const Archive &a = archive();
    BatchOptions options = a.options(Lzw, static_cast<int>(state.range(0)));
    FILE *devnull = std::fopen("/dev/null", "w");
    WallCpuTimer t(processSeconds);
    for (auto _ : state)
        runBatch(options, a.params, devnull, devnull);
    std::fclose(devnull);
    state.SetItemsProcessed(state.iterations() * kScans);
    t.record(state.range(0) == 1 ? "jobs1" : "jobs2", state);
}

BENCHMARK(BM_DecodeOnly)->Arg(Uncompressed)->Arg(Lzw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadScanImage)->Arg(Uncompressed)->Arg(Lzw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeScan)->Arg(Uncompressed)->Arg(Lzw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BatchLzw)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// A field of /proc/self/status in kB, or -1.
long statusKB(const char *field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    size_t n = std::strlen(field);
    while (std::getline(in, line)) {
        if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':')
            return std::atol(line.c_str() + n + 1);
    }
    return -1;
}

// In a fresh process (nothing freed earlier is kept for reuse): the peak
// resident growth in kB while loading the scan ("load") or digitising it
// with its writes ("whole"), printed on standard output.
int measurePeak(const std::string &what, const std::string &scan, const std::string &outputDir)
{
    reuseImageMemory();  // as vellora-batch does
    Params params;
    setParamDefaults(params);
    BatchOptions options;
    options.force = true;
    options.outputDir = outputDir;
    long before = statusKB("VmRSS");
    if (what == "load") {
        GdkPixbuf *p = nullptr;
        if (loadScanImage(scan.c_str(), &p) == ScanLoaded)
            g_object_unref(p);
    } else {
        processOne(scan, params, options);
    }
    long peak = statusKB("VmHWM");
    std::printf("%ld\n", before < 0 || peak < 0 ? -1 : peak - before);
    return 0;
}

// Runs measurePeak in a new process of this program; -1 when that fails.
long peakGrowthKB(const char *what, const std::string &scan, const std::string &outputDir)
{
    char *argv[] = {const_cast<char *>("/proc/self/exe"), const_cast<char *>("--measure-peak"),
                    const_cast<char *>(what), const_cast<char *>(scan.c_str()),
                    const_cast<char *>(outputDir.c_str()), nullptr};
    char *out = nullptr;
    int status = 0;
    long kB = -1;
    if (g_spawn_sync(nullptr, argv, nullptr, G_SPAWN_STDERR_TO_DEV_NULL, nullptr, nullptr, &out,
                     nullptr, &status, nullptr) &&
        status == 0 && out)
        kB = std::atol(out);
    g_free(out);
    return kB;
}

void reportMemory()
{
    const Archive &a = archive();
    if (!a.ok)
        return;
    GdkPixbuf *decoded = nullptr;
    const std::string &scan = a.scans[Lzw][0];
    if (loadScanImage(scan.c_str(), &decoded) != ScanLoaded)
        return;
    double imageKB = gdk_pixbuf_get_byte_length(decoded) / 1024.0;
    std::printf("decoded scan: %d x %d pixels, %.0f kB\n", gdk_pixbuf_get_width(decoded),
                gdk_pixbuf_get_height(decoded), imageKB);
    g_object_unref(decoded);

    long load = peakGrowthKB("load", scan, a.folder.out);
    long whole = peakGrowthKB("whole", scan, a.folder.out);
    if (load < 0 || whole < 0) {
        std::printf("peak memory: not measurable here\n");
        return;
    }
    std::printf("peak memory growth: loading %.2f x decoded image, whole scan %.2f x\n",
                load / imageKB, whole / imageKB);
}

void reportRatios()
{
    std::map<std::string, WallCpu> &c = wallCpuCosts();
    for (int e = Uncompressed; e <= Lzw; ++e) {
        std::string decode = costName("decode", e), whole = costName("whole", e);
        if (!c.count(decode) || !c.count(whole))
            continue;
        for (const char *what : {"decode", "load", "whole"}) {
            const WallCpu &k = c[costName(what, e)];
            std::printf("%-6s %-12s per scan: wall %6.1f ms, cpu %6.1f ms\n", what,
                        kEncodingNames[e], 1000 * k.wall, 1000 * k.cpu);
        }
        std::printf("whole / decode alone, %s: wall %.2f, cpu %.2f (target <= 1.5)\n",
                    kEncodingNames[e], c[whole].wall / c[decode].wall,
                    c[whole].cpu / c[decode].cpu);
    }
    if (c.count("jobs1") && c.count("jobs2"))
        std::printf("throughput jobs 2 / jobs 1 (lzw): %.2f (process cpu per run %.0f / %.0f ms)\n",
                    c["jobs1"].wall / c["jobs2"].wall, 1000 * c["jobs1"].cpu,
                    1000 * c["jobs2"].cpu);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--measure-peak") == 0)
        return measurePeak(argv[2], argv[3], argv[4]);
    reuseImageMemory();  // as vellora-batch does
    return runThenReport(argc, argv, [] {
        reportRatios();
        reportMemory();
    });
}
