// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of vellora-batch: arguments are the input split at NUL
// bytes; parsing never fails harmfully, and an accepted run has scans and
// sound values.
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzzinput.h"
#include "options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<std::string> args = {"vellora-batch"};
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    args.push_back(current);
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);

    BatchOptions options;
    std::string message;
    const ParseResult result =
        parseBatchOptions(static_cast<int>(args.size()), argv.data(), options, message);
    if (result == ParseRun &&
        (options.scans.empty() || options.jobs < 1 || options.maxPixels < 1 ||
         (options.timeStep != 0 && options.timeStep != 10 && options.timeStep != 60) ||
         (options.sef && options.station.id == StationInfo().id)))
        std::abort();
    if (result != ParseRun && message.empty())
        std::abort();
    return 0;
}
