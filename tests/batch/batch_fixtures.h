#ifndef VELLORA_TESTS_BATCH_FIXTURES_H
#define VELLORA_TESTS_BATCH_FIXTURES_H

// Helpers of the batch tests: scratch folders, small scans with their file
// contexts, and running the real vellora-batch executable.

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

namespace batchtest {

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir()
    {
        GError *error = nullptr;
        char *made = g_dir_make_tmp("vellora-batch-XXXXXX", &error);
        EXPECT_NE(made, nullptr);
        path_ = made ? made : "/tmp";
        g_free(made);
    }
    ~TempDir() { removeTree(path_); }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return path_; }
    std::string operator/(const std::string &name) const { return path_ + "/" + name; }

private:
    static void removeTree(const std::string &path)
    {
        if (g_file_test(path.c_str(), G_FILE_TEST_IS_DIR) &&
            !g_file_test(path.c_str(), G_FILE_TEST_IS_SYMLINK)) {
            GDir *dir = g_dir_open(path.c_str(), 0, nullptr);
            if (dir) {
                while (const char *name = g_dir_read_name(dir))
                    removeTree(path + "/" + name);
                g_dir_close(dir);
            }
        }
        g_remove(path.c_str());
    }

    std::string path_;
};

inline bool fileExists(const std::string &path)
{
    return g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
}

inline std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeFile(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// A scan of one colour; with the ink colour every field column is ink, so
// every column gets a knot in the middle of the field.
inline void writeUniformScan(const std::string &path, const char *type, int channels,
                             const guchar rgb[3], int size = 420)
{
    GdkPixbuf *p = gdk_pixbuf_new(GDK_COLORSPACE_RGB, channels == 4, 8, size, size);
    guint32 pixel = (guint32(rgb[0]) << 24) | (guint32(rgb[1]) << 16) | (guint32(rgb[2]) << 8) | 0xff;
    gdk_pixbuf_fill(p, pixel);
    GError *error = nullptr;
    gboolean saved = gdk_pixbuf_save(p, path.c_str(), type, &error, NULL);
    EXPECT_TRUE(saved) << (error ? error->message : "");
    g_clear_error(&error);
    g_object_unref(p);
}

// The default ink colour of the parameter file's defaults.
inline const guchar *defaultInk()
{
    static const guchar ink[3] = {155, 132, 192};
    return ink;
}

// A file context with usable pass points for a 420-pixel uniform scan and
// the given extra records (key -> value), written as the GUI writes it.
inline void writeCtx(const std::string &scanPath, const std::map<std::string, std::string> &extra)
{
    std::map<std::string, std::string> records = {
        {"Pass1", "1 40.000000 40.000000"},
        {"Pass2", "1 40.000000 380.000000"},
        {"Pass3", "1 380.000000 380.000000"},
        {"DateVal1", "y 2004 m 07 d 01 h 12 m 00"},
        {"DateVal2", "y 2004 m 07 d 02 h 12 m 00"},
    };
    for (const auto &r : extra) {
        if (r.second.empty())
            records.erase(r.first);
        else
            records[r.first] = r.second;
    }
    std::string text;
    for (const auto &r : records)
        text += r.first + "=" + r.second + "\n";
    writeFile(scanPath + ".ctx", text);
}

struct RunResult {
    int status;   // exit status, -1 when it did not exit normally
    std::string out, err;
};

// Runs vellora-batch with the arguments in the folder cwd.
inline RunResult runBatchExe(const std::vector<std::string> &args, const std::string &cwd)
{
    std::vector<char *> argv;
    std::string exe = VELLORA_BATCH_EXE;
    argv.push_back(&exe[0]);
    std::vector<std::string> copy = args;
    for (std::string &a : copy)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    char *out = nullptr, *err = nullptr;
    int wait = 0;
    GError *error = nullptr;
    RunResult r{-1, "", ""};
    if (!g_spawn_sync(cwd.c_str(), argv.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &out,
                      &err, &wait, &error)) {
        ADD_FAILURE() << "cannot run " << exe << ": " << error->message;
        g_clear_error(&error);
        return r;
    }
    r.out = out ? out : "";
    r.err = err ? err : "";
    g_free(out);
    g_free(err);
    r.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    return r;
}

inline int countLines(const std::string &text)
{
    int n = 0;
    for (char c : text)
        n += c == '\n';
    return n;
}

} // namespace batchtest

#endif
