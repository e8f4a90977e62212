// SPDX-License-Identifier: GPL-3.0-or-later
// vellora-batch: digitises chart scans without the GUI, from their file contexts.
#include <csignal>
#include <cstdio>
#include <string>

#include "batch.h"
#include "options.h"

int main(int argc, char **argv)
{
    BatchOptions options;
    std::string message;
    switch (parseBatchOptions(argc, argv, options, message)) {
    case ParseDone:
        std::fputs(message.c_str(), stdout);
        return 0;
    case ParseUsage:
        std::fprintf(stderr, "vellora-batch: %s\nTry 'vellora-batch --help'.\n", message.c_str());
        return 2;
    case ParseRun:
        break;
    }

    for (const std::string &text : options.warnings)
        std::fprintf(stderr, "vellora-batch: warning: %s\n", text.c_str());
    // A file-size limit then fails the write with its reason instead of
    // killing the run without a word.
    std::signal(SIGXFSZ, SIG_IGN);

    Params params;
    Manifest manifest;
    std::string warning;
    if (loadBatchParams(options, params, warning, message) != 0 ||
        !loadBatchManifest(options, manifest, message) || !prepareOutputDir(options, message)) {
        std::fprintf(stderr, "vellora-batch: %s\n", message.c_str());
        return 2;
    }
    if (!warning.empty())
        std::fprintf(stderr, "vellora-batch: warning: %s\n", warning.c_str());
    reuseImageMemory();
    return runBatch(options, params, stdout, stderr,
                    options.manifestFile.empty() ? nullptr : &manifest);
}
