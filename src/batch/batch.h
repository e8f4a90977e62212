// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_BATCH_BATCH_H
#define VELLORA_BATCH_BATCH_H

#include <cstdio>
#include <string>

#include "manifest.h"
#include "options.h"
#include "params.h"

// Parameters as the GUI reads them: defaults, then the parameter file over
// them (--params, else the file the GUI would find: vellora.ini of the working
// directory, the user's, the installed default profile; options.paramsFile
// then names it). -1 with the
// message when a named --params file cannot be opened; a faulty line keeps the
// values read before it, as in the GUI, and only adds a warning.
int loadBatchParams(BatchOptions &options, Params &params, std::string &warning,
                    std::string &error);

// Lets freed scan and field images be reused by the next scan instead of
// going back to the system: every fresh image costs page faults for each of
// its pages, about a sixth of the time of a scan. Call before any thread.
void reuseImageMemory();

// Makes the output and preview folders if they are missing; false with the
// message otherwise.
bool prepareOutputDir(const BatchOptions &options, std::string &error);

// Reads --manifest when given; false with the message when it cannot be read.
// Its faulty lines are for runBatch to report.
bool loadBatchManifest(const BatchOptions &options, Manifest &manifest, std::string &error);

// Digitises every scan on up to options.jobs threads and writes their files
// and lines in input order, then "N ok, M suspect, K failed", the report and
// the contact sheet. Returns the exit status: 0 when every scan gave tables
// or was skipped, 1 when any failed (also a suspect one with --strict, and
// any faulty manifest line).
int runBatch(const BatchOptions &options, const Params &params, FILE *out, FILE *err,
             const Manifest *manifest = nullptr);

#endif
