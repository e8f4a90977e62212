// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_BATCH_SCANJOB_H
#define VELLORA_BATCH_SCANJOB_H

#include <map>
#include <string>
#include <vector>

#include "autosetup.h"
#include "manifest.h"
#include "options.h"
#include "params.h"
#include "table.h"
#include "verdict.h"

// One scan of a batch: digitised on a worker thread (digitiseScanFile), its
// files written and its lines printed in input order (writeScanOutputs,
// scanSummaryLine), so that a parallel run leaves what a serial one leaves.

struct FieldOutput {
    FieldOutput();
    bool evaluated;             // cut out and searched
    int tableResult;            // computeTable's result
    int coverage;               // knot coverage in percent
    std::vector<TableRow> rows;
    std::vector<double> bridgedHours;  // per row: stretch without ink it was bridged over, or 0
    TableStats stats;
};

struct ScanOutcome {
    ScanOutcome();
    std::string path;
    std::vector<std::string> failures;  // the texts the GUI's dialogs show, with their subject
    std::vector<std::string> warnings;
    int timeStep;
    double smoothness;                  // the smoothness control's value used
    bool skipped;                       // --skip-existing found its tables
    FieldOutput fields[2];
    ScanVerdict verdict;                // of the tables; failures override it
    std::string preview;                // the preview written, or empty

    bool ok() const { return failures.empty(); }
    // Skipped for its existing tables, and no failure since (a name another
    // scan claimed).
    bool skippedCleanly() const { return skipped && ok(); }
    // Failed with any failure, else the verdict's level.
    VerdictLevel level() const;
};

// Reads the scan and its file context (with --auto-setup completed by
// proposals, from manifest when given), digitises and judges it. It writes
// only the proposals with --write-context and the preview with --preview.
// With --skip-existing a scan whose tables exist is only marked skipped.
void digitiseScanFile(const std::string &path, const Params &params, const BatchOptions &options,
                      ScanOutcome &outcome, const Manifest *manifest = nullptr);

// The preview of a scan that failed before its fields were cut out: its
// caption alone. Returns the path written, or empty.
std::string writeFailurePreview(ScanOutcome &outcome, const BatchOptions &options);

// The output files of a run and the scan each belongs to, so that no scan
// overwrites what an earlier one of the same run wrote.
class OutputClaims {
public:
    // The scan that claimed file before, or empty after claiming it for scan.
    std::string claim(const std::string &file, const std::string &scan);

private:
    std::map<std::string, std::string> owners;  // by the file's resolved path
};

// Where the table file of a field goes: the GUI's name, beside the scan or in
// the output folder.
std::string tableOutputPath(const std::string &scanPath, int field, const std::string &outputDir);

// Writes the table files (and SEF and CSV files) of the scan. A file another
// scan of the run claimed refuses the whole scan; an existing file is
// replaced only with --force and kept with --skip-existing; otherwise a
// refusal or a failed write adds a failure and ends the scan's writing.
void writeScanOutputs(ScanOutcome &outcome, const BatchOptions &options, const Params &params,
                      OutputClaims &claims);

// "PATH<TAB>ok|suspect: REASONS|FAILURES<TAB>T rows=... knots=...% min=... max=... mean=...<TAB>F ..."
std::string scanSummaryLine(const ScanOutcome &outcome);

// The header and one line of the --report CSV.
std::string reportHeader();
std::string reportLine(const ScanOutcome &outcome);

#endif
