// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_TESTS_BATCH_FIXTURES_H
#define VELLORA_TESTS_BATCH_FIXTURES_H

// Helpers of the batch tests: files and runs of the real vellora-batch.

#include <sys/wait.h>

#include <map>

#include "coretest.h"
#include "hardcharts.h"
#include "synth_fixtures.h"

namespace batchtest {

inline int countLines(const std::string &text)
{
    return int(std::count(text.begin(), text.end(), '\n'));
}

struct RunResult {
    int status;  // exit status, -1 when it did not exit normally
    std::string out, err;
};

// Runs vellora-batch with the arguments in the folder cwd; setup runs in the
// child before the program starts.
inline RunResult runBatchExe(std::vector<std::string> args, const std::string &cwd,
                             GSpawnChildSetupFunc setup = nullptr)
{
    args.insert(args.begin(), VELLORA_BATCH_EXE);
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    char *out = nullptr, *err = nullptr;
    int wait = 0;
    GError *error = nullptr;
    const bool ran = g_spawn_sync(cwd.c_str(), argv.data(), nullptr, G_SPAWN_DEFAULT, setup, nullptr, &out, &err,
                                  &wait, &error);
    EXPECT_TRUE(ran) << "cannot run vellora-batch: " << (error ? error->message : "");
    g_clear_error(&error);
    RunResult r{ran && WIFEXITED(wait) ? WEXITSTATUS(wait) : -1, out ? out : "", err ? err : ""};
    g_free(out);
    g_free(err);
    return r;
}

typedef std::map<std::string, std::string> Records;

// A one-day chart from 2004-07-01 12:00 at 100 dpi, drawn once: small and
// quick, yet a chart the verdict finds ok.
inline const SynthChart &fixtureChart()
{
    static SynthChart chart = [] {
        ChartOptions o = quickChartOptions(7);
        o.dpi = 100;
        o.hours = 24;
        o.start = at(2004, 7, 1, 12, 0);
        return renderedChart(o);
    }();
    return chart;
}

// The fixture chart as a BMP file; a larger size pads it with white paper
// below and to the right, leaving its pass points in place.
inline void writeScan(const std::string &path, int size = 0)
{
    const GdkPixbuf *chart = fixtureChart().scan.get();
    const int w = gdk_pixbuf_get_width(chart), h = gdk_pixbuf_get_height(chart);
    PixbufPtr p(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, std::max(w, size), std::max(h, size)));
    gdk_pixbuf_fill(p.get(), 0xffffffff);
    gdk_pixbuf_copy_area(chart, 0, 0, w, h, p.get(), 0, 0);
    EXPECT_TRUE(gdk_pixbuf_save(p.get(), path.c_str(), "bmp", nullptr, NULL)) << path;
}

// The records of the fixture chart, with changes.
inline void writeCtx(const std::string &scan, const Records &changes = {})
{
    FileCtx ctx;
    ctx.open(scan.c_str(), false);
    fixtureChart().storeRecords(ctx);
    for (const auto &c : changes) ctx.set(c.first.c_str(), c.second.c_str());
    EXPECT_EQ(ctx.write(), 0) << scan;
}

// Every file of a folder with its content.
inline std::map<std::string, std::string> filesIn(const std::string &path)
{
    std::map<std::string, std::string> all;
    if (GDir *dir = g_dir_open(path.c_str(), 0, nullptr)) {
        while (const char *name = g_dir_read_name(dir)) all[name] = fileContents(path + "/" + name);
        g_dir_close(dir);
    }
    return all;
}

// The pieces of text between separators: its lines by default.
inline std::vector<std::string> linesOf(const std::string &text, const char *separator = "\n")
{
    std::vector<std::string> lines;
    gchar **parts = g_strsplit(text.c_str(), separator, -1);
    for (gchar **p = parts; *p; ++p) lines.push_back(*p);
    g_strfreev(parts);
    return lines;
}

inline bool hasLine(const std::string &text, const std::string &start)
{
    return ("\n" + text).find("\n" + start) != std::string::npos;
}

class BatchCli : public ::testing::Test {
protected:
    std::string scan(const std::string &name, const Records &changes = {})
    {
        writeScan(dir.file(name));
        writeCtx(dir.file(name), changes);
        return dir.file(name);
    }
    RunResult run(const std::vector<std::string> &args) { return runBatchExe(args, dir.path()); }

    TempDir dir{"batch"};
};

}  // namespace batchtest

#endif
