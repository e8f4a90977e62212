#ifndef VELLORA_TEST_SYNTHSCAN_H
#define VELLORA_TEST_SYNTHSCAN_H

#include <string>

#include <glib/gstdio.h>

#include "harness.h"
#include "scanfiles.h"
#include "synth_fixtures.h"

// A realistic chart at the default chart geometry in the running program's
// working directory, as chartsynth draws it.

namespace synthscan {

// Written beside the program; withRecords keeps the file context the
// generator stores (pass points, marks, dates), else the scan starts bare.
inline MadeChart writeChart(uint64_t seed, bool withRecords)
{
    MadeChart made = makeChart(appWorkDir(), quickChartOptions(seed));
    EXPECT_EQ(made.result, SynthOk);
    if (!withRecords)
        g_unlink(made.ctx.c_str());
    return made;
}

// Starts the program with the default parameters.
inline MainCtx *startDefault()
{
    const std::string base = makeWorkDir();
    writeFile(appDirOf(base) + "/vellora.ini", "");
    return startApp(base);
}

} // namespace synthscan

#endif
