#ifndef VELLORA_TESTS_BATCH_FIXTURES_H
#define VELLORA_TESTS_BATCH_FIXTURES_H

// Helpers of the batch tests: files and runs of the real vellora-batch.

#include <sys/wait.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include <glib.h>
#include <gtest/gtest.h>

#include "coretest.h"
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
    if (!g_spawn_sync(cwd.c_str(), argv.data(), nullptr, G_SPAWN_DEFAULT, setup, nullptr, &out, &err, &wait,
                      &error)) {
        ADD_FAILURE() << "cannot run vellora-batch: " << error->message;
        g_clear_error(&error);
        return RunResult{-1, "", ""};
    }
    RunResult r{WIFEXITED(wait) ? WEXITSTATUS(wait) : -1, out, err};
    g_free(out);
    g_free(err);
    return r;
}

typedef std::map<std::string, std::string> Records;

// A square white scan with lines two pixels high in the default ink colour
// every twelve rows, so that every field column has ink and gets a knot
// while most of the paper stays free, as on a chart.
inline void writeScan(const std::string &path, const char *type = "bmp", int channels = 3, int size = 420)
{
    PixbufPtr p(gdk_pixbuf_new(GDK_COLORSPACE_RGB, channels == 4, 8, size, size));
    gdk_pixbuf_fill(p.get(), 0xffffffff);
    for (int y = 0; y + 2 <= size; y += 12) {
        PixbufPtr line(gdk_pixbuf_new_subpixbuf(p.get(), 0, y, size, 2));
        gdk_pixbuf_fill(line.get(), 0x9b84c0ff);
    }
    EXPECT_TRUE(gdk_pixbuf_save(p.get(), path.c_str(), type, nullptr, NULL)) << path;
}

// Usable pass points and one day from 2004-07-01 12:00, with changes.
inline void writeCtx(const std::string &scan, const Records &changes = {})
{
    Records records = {{"Pass1", "1 40.0 40.0"}, {"Pass2", "1 40.0 380.0"}, {"Pass3", "1 380.0 380.0"},
                       {"DateVal1", "y 2004 m 07 d 01 h 12 m 00"}, {"DateVal2", "y 2004 m 07 d 02 h 12 m 00"}};
    for (const auto &c : changes) records[c.first] = c.second;
    std::string text;
    for (const auto &r : records) text += r.first + "=" + r.second + "\n";
    makeFile(scan + ".ctx", text);
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
