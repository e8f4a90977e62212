// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_BATCH_OPTIONS_H
#define VELLORA_BATCH_OPTIONS_H

#include <string>
#include <vector>

#include "scanimage.h"
#include "sef.h"

// The command line of vellora-batch.
struct BatchOptions {
    BatchOptions();

    std::vector<std::string> scans;
    std::string paramsFile;     // empty: "vellora.ini" of the working directory
    bool hasSmoothness;         // else the parameter file's dstCurveFilter
    double smoothness;          // the smoothness control's value
    int timeStep;               // 10 or 60; 0: the scan's record, else 60
    std::string outputDir;      // empty: beside each scan
    bool force;
    bool skipExisting;          // leave scans whose tables exist, keep existing files
    bool csv;
    long long maxPixels;        // larger scans are refused before decoding
    int jobs;
    bool autoWindows;           // propose windows for columns without one (default)
    bool strict;                // a suspect scan makes the exit status 1
    std::string reportFile;     // CSV of every scan's verdict and figures
    std::string previewDir;     // one PNG per scan
    std::string contactSheet;   // the previews tiled, failed and suspect first
    std::string manifestFile;   // dates of the scans; implies autoSetup
    bool autoSetup;             // propose the records a file context lacks
    bool writeContext;          // store the proposals in the scans' file contexts
    bool sef;
    StationInfo station;
    int utcOffsetMinutes;       // local = UTC + offset
    bool hasUtcOffset;          // given, rather than assumed 0
    bool quiet;
    std::vector<std::string> warnings;  // about the options, shown before the run
};

enum ParseResult {
    ParseRun = 0,    // options valid, go on
    ParseDone = 1,   // --help or --version: message holds the text for standard output
    ParseUsage = 2,  // message holds what is wrong
};

ParseResult parseBatchOptions(int argc, char **argv, BatchOptions &options, std::string &message);

extern const char kBatchVersion[];

#endif
