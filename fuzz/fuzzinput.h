// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_FUZZ_INPUT_H
#define VELLORA_FUZZ_INPUT_H

// Helpers of the fuzz targets: the code under test reads files by name.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace fuzzinput {

// A file of this process in the temporary folder, rewritten for every input.
class InputFile {
public:
    explicit InputFile(const char *suffix)
    {
        const char *tmp = std::getenv("TMPDIR");
        base = std::string(tmp && *tmp ? tmp : "/tmp") + "/vellora-fuzz-" + std::to_string(getpid());
        path = base + suffix;
    }
    ~InputFile() { std::remove(path.c_str()); }

    const char *write(const uint8_t *data, size_t size)
    {
        std::FILE *f = std::fopen(path.c_str(), "wb");
        if (!f)
            std::abort();
        if (size > 0 && std::fwrite(data, 1, size, f) != size)
            std::abort();
        std::fclose(f);
        return path.c_str();
    }

    std::string base;  // path without the suffix
    std::string path;
};

// Reads little-endian integers from the front of the input.
class Reader {
public:
    Reader(const uint8_t *data, size_t size) : p(data), left(size) {}
    int next(int bytes)
    {
        unsigned v = 0;
        for (int i = 0; i < bytes && left > 0; ++i, --left)
            v |= unsigned(*p++) << (8 * i);
        return static_cast<int>(v);
    }

private:
    const uint8_t *p;
    size_t left;
};

} // namespace fuzzinput

#endif
