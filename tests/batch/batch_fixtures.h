#ifndef VELLORA_TESTS_BATCH_FIXTURES_H
#define VELLORA_TESTS_BATCH_FIXTURES_H

// Helpers of the batch tests: files and runs of the real vellora-batch.

#include <sys/wait.h>

#include <algorithm>
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

// Runs vellora-batch with the arguments in the folder cwd.
inline RunResult runBatchExe(std::vector<std::string> args, const std::string &cwd)
{
    args.insert(args.begin(), VELLORA_BATCH_EXE);
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    char *out = nullptr, *err = nullptr;
    int wait = 0;
    GError *error = nullptr;
    if (!g_spawn_sync(cwd.c_str(), argv.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &out, &err, &wait,
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

}  // namespace batchtest

#endif
