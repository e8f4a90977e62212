// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_BENCHSCRATCH_H
#define VELLORA_BENCHSCRATCH_H

// What the whole-scan benchmarks share: their inputs, written once per
// program into a scratch folder with an output folder inside, and the wall
// and CPU time per iteration of each benchmark by name, for the ratios
// printed at the end. On a busy machine the CPU times compare more fairly.

#include <sys/resource.h>

#include <ctime>
#include <map>
#include <string>

#include <benchmark/benchmark.h>
#include <glib.h>
#include <glib/gstdio.h>

#include "benchcost.h"

// A folder made from a g_dir_make_tmp pattern, with "out" inside; both
// are removed with their files when it goes.
struct ScratchFolder {
    std::string dir, out;

    explicit ScratchFolder(const char *pattern)
    {
        char *made = g_dir_make_tmp(pattern, nullptr);
        dir = made ? made : ".";
        g_free(made);
        out = dir + "/out";
        g_mkdir(out.c_str(), 0755);
    }

    ~ScratchFolder()
    {
        for (const std::string &d : {out, dir}) {
            if (GDir *g = g_dir_open(d.c_str(), 0, nullptr)) {
                while (const char *name = g_dir_read_name(g))
                    g_remove((d + "/" + name).c_str());
                g_dir_close(g);
            }
            g_rmdir(d.c_str());
        }
    }

    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;
};

// The program's inputs, a type with a ScratchFolder and `bool ok`, made on
// first use.
template <typename Inputs>
const Inputs &scratchInputs()
{
    static Inputs inputs;
    return inputs;
}

// False, with the benchmark skipped, when the inputs could not be written.
template <typename Inputs>
bool inputsReady(benchmark::State &state)
{
    if (scratchInputs<Inputs>().ok)
        return true;
    state.SkipWithError("the benchmark's scans could not be written");
    return false;
}

struct WallCpu {
    double wall, cpu;
};

inline std::map<std::string, WallCpu> &wallCpuCosts()
{
    static std::map<std::string, WallCpu> m;
    return m;
}

inline double clockSeconds(clockid_t clock)
{
    timespec t;
    clock_gettime(clock, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

inline double processSeconds() { return clockSeconds(CLOCK_PROCESS_CPUTIME_ID); }

// CPU seconds of the waited-for child processes.
inline double childSeconds()
{
    rusage u;
    getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// Wall seconds and the seconds of a CPU clock per iteration of a benchmark's
// loop, recorded under a name.
class WallCpuTimer {
public:
    explicit WallCpuTimer(double (*cpuSeconds)() = threadCpuSeconds)
        : cpuSeconds(cpuSeconds), wall(clockSeconds(CLOCK_MONOTONIC)), cpu(cpuSeconds())
    {
    }

    void record(const std::string &name, const benchmark::State &state) const
    {
        const double n = static_cast<double>(state.iterations());
        wallCpuCosts()[name] =
            WallCpu{(clockSeconds(CLOCK_MONOTONIC) - wall) / n, (cpuSeconds() - cpu) / n};
    }

private:
    double (*cpuSeconds)();
    double wall, cpu;
};

#endif
