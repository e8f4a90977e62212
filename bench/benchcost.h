// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_BENCHCOST_H
#define VELLORA_BENCHCOST_H

// Thread CPU time and the cost per iteration of each benchmark's last run, by
// name, so that a program can print ratios measured in the same run: on a
// busy machine the thread's CPU time compares more fairly than wall time.

#include <ctime>
#include <map>
#include <string>

#include <benchmark/benchmark.h>

inline double threadCpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

inline std::map<std::string, double> &costs()
{
    static std::map<std::string, double> m;
    return m;
}

// Records the CPU seconds per iteration since it was made under a name.
struct CpuTimer {
    double start = threadCpuSeconds();
    void record(const std::string &name, const benchmark::State &state) const
    {
        costs()[name] = (threadCpuSeconds() - start) / static_cast<double>(state.iterations());
    }
};

// A benchmark program's main: the benchmarks, then the ratios it prints.
inline int runThenReport(int argc, char **argv, void (*reportRatios)())
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    reportRatios();
    return 0;
}

#endif
