#ifndef VELLORA_BATCH_SCANJOB_H
#define VELLORA_BATCH_SCANJOB_H

#include <string>
#include <vector>

#include "options.h"
#include "params.h"
#include "table.h"

// One scan of a batch: digitised on a worker thread (digitiseScanFile), its
// files written and its lines printed in input order (writeScanOutputs,
// scanSummaryLine), so that a parallel run leaves what a serial one leaves.

struct FieldOutput {
    FieldOutput();
    bool evaluated;             // cut out and searched
    int tableResult;            // computeTable's result
    int coverage;               // knot coverage in percent
    std::vector<TableRow> rows;
    TableStats stats;
};

struct ScanOutcome {
    ScanOutcome();
    std::string path;
    std::vector<std::string> failures;  // the texts the GUI's dialogs show, with their subject
    std::vector<std::string> warnings;
    int timeStep;
    FieldOutput fields[2];

    bool ok() const { return failures.empty(); }
};

// Reads the scan and its file context and digitises it; never writes a file.
void digitiseScanFile(const std::string &path, const Params &params, const BatchOptions &options,
                      ScanOutcome &outcome);

// Where the table file of a field goes: the GUI's name, beside the scan or in
// the output folder.
std::string tableOutputPath(const std::string &scanPath, int field, const std::string &outputDir);

// Writes the table files (and SEF files) of every field with a table. An
// existing file is replaced only with --force; a refusal or a failed write
// adds a failure.
void writeScanOutputs(ScanOutcome &outcome, const BatchOptions &options);

// "PATH<TAB>ok|failure<TAB>T rows=... knots=...% min=... max=... mean=...<TAB>F ..."
std::string scanSummaryLine(const ScanOutcome &outcome);

#endif
