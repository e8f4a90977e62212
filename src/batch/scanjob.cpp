// SPDX-License-Identifier: GPL-3.0-or-later
#include "scanjob.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sys/stat.h>

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>

#include "atomicfile.h"
#include "csvfile.h"
#include "cutout.h"
#include "digitise.h"
#include "filectx.h"
#include "knots.h"
#include "preview.h"
#include "recordcheck.h"
#include "records.h"
#include "scanimage.h"
#include "scanverdict.h"
#include "setupverdict.h"
#include "sef.h"
#include "tablefile.h"
#include "valuescale.h"

namespace {

const char *const kFieldNames[2] = {"temperature", "hygrometer"};
const char kFieldLetters[2] = {'T', 'F'};

// Position just past the last folder separator; both kinds, as the table
// file names accept both.
std::string::size_type baseNameStart(const std::string &path)
{
    std::string::size_type sep = path.find_last_of("/\\");
    return sep == std::string::npos ? 0 : sep + 1;
}

std::string baseName(const std::string &path)
{
    return path.substr(baseNameStart(path));
}

std::string folderOf(const std::string &path)
{
    return path.substr(0, baseNameStart(path));
}

std::string inFolder(const std::string &folder, const std::string &name)
{
    if (folder.empty() || folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

bool pathExists(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// Reads the scan's file context; false with a failure when it is missing,
// unreadable or damaged.
bool readFileCtx(const std::string &path, const Params &params, FileCtx &ctx,
                 ScanOutcome &outcome)
{
    std::string name = path + ".ctx";
    if (!pathExists(name)) {
        outcome.failures.push_back("missing file context " + name);
        return false;
    }
    FILE *f = g_file_test(name.c_str(), G_FILE_TEST_IS_REGULAR) ? std::fopen(name.c_str(), "r")
                                                                 : nullptr;
    if (!f) {
        outcome.failures.push_back("could not read file context " + name);
        return false;
    }
    std::fclose(f);
    ctx.open(path.c_str(), true);
    std::string damaged = damagedRecord(ctx, params);
    if (!damaged.empty()) {
        outcome.failures.push_back("damaged record " + damaged + " in file context " + name);
        return false;
    }
    return true;
}

// The scan as the GUI accepts it: read by gdk-pixbuf, three channels, whole.
GdkPixbuf *loadScan(const std::string &path, long long maxPixels, ScanOutcome &outcome)
{
    GdkPixbuf *scan = nullptr;
    std::string reason;
    const int result = loadScanImage(path.c_str(), &scan, maxPixels, &reason);
    if (result == ScanTooLarge)
        reason += " (raise the limit with --max-pixels)";
    if (result != ScanLoaded)
        outcome.failures.push_back(scanRefusalMessage(result, path, reason));
    return scan;
}

void collectField(int f, const FieldResult &result, ScanOutcome &outcome)
{
    FieldOutput &out = outcome.fields[f];
    if (!result.pixbuf)
        return;
    out.evaluated = true;
    out.coverage = result.coverage;
    out.tableResult = result.tableResult;
    out.rows = result.rows;
    out.stats = result.stats;
    std::string subject = std::string(kFieldNames[f]) + ": ";
    if (result.speed.warn)
        outcome.warnings.push_back(subject + paperSpeedWarningText(result.speed));
    if (result.tableResult != TableOk)
        outcome.failures.push_back(subject + tableErrorText(result.tableResult));
}

void markBridgedRows(ScanOutcome &outcome)
{
    for (int f = 0; f < 2; ++f) {
        FieldOutput &field = outcome.fields[f];
        field.bridgedHours = bridgedHoursOf(outcome.verdict, f, field.rows.size());
    }
}

// The scan's file context, completed by proposals with --auto-setup, which
// then also allows it to be missing; false with a failure when the scan
// cannot be digitised.
bool prepareFileCtx(const std::string &path, const Params &params, const BatchOptions &options,
                    const Manifest *manifest, const GdkPixbuf *scan, FileCtx &ctx,
                    ScanOutcome &outcome, SetupProposal *proposal)
{
    if (options.autoSetup && !pathExists(path + ".ctx"))
        ctx.open(path.c_str(), false);
    else if (!readFileCtx(path, params, ctx, outcome))
        return false;
    if (!options.autoSetup)
        return true;
    const ManifestEntry *entry = manifest ? findManifestEntry(*manifest, path) : nullptr;
    *proposal = proposeSetup(params, scan, ctx, entry);
    storeProposals(*proposal, ctx);
    if (options.writeContext && ctx.isModified() && ctx.write() != 0) {
        outcome.failures.push_back("could not write file context " + path + ".ctx: " +
                                   std::strerror(errno));
        return false;
    }
    const std::string missing = missingSetupRecords(ctx);
    if (!missing.empty()) {
        outcome.failures.push_back("cannot digitise without " + missing +
                                   (proposal->reason.empty() ? "" : ": " + proposal->reason));
        return false;
    }
    return true;
}

// The scan's path as given, folders joined by '_', so that scans of the same
// name in different folders keep their own previews.
std::string previewPath(const std::string &scanPath, const std::string &previewDir)
{
    std::string name = scanPath;
    while (name.compare(0, 2, "./") == 0)
        name.erase(0, 2);
    name.erase(0, name.find_first_not_of('/'));
    for (char &c : name) {
        if (c == '/' || c == '\\')
            c = '_';
    }
    return inFolder(previewDir, name + ".png");
}

// The verdict as the preview's caption shows it: failures override it.
ScanVerdict shownVerdict(const ScanOutcome &outcome)
{
    ScanVerdict shown = outcome.verdict;
    if (!outcome.failures.empty()) {
        shown.level = VerdictLevel::Failed;
        shown.reasons = outcome.failures;
    }
    return shown;
}

void writePreviewFile(ScanOutcome &outcome, const BatchOptions &options,
                      const PreviewField fields[2])
{
    const std::string path = previewPath(outcome.path, options.previewDir);
    std::string error;
    if (writePreview(path, fields, baseName(outcome.path), shownVerdict(outcome), &error) == 0)
        outcome.preview = path;
    else
        outcome.warnings.push_back("could not write preview " + path + ": " + error);
}

void judge(const Params &params, const ScanSettings &used, const FieldResult fields[2],
           bool digitised, const SetupProposal *proposal, const BatchOptions &options,
           ScanOutcome &outcome)
{
    FieldEvidence evidence[2];
    outcome.verdict = digitised ? judgeFields(params, used, fields, evidence) : judgeScan(evidence);
    if (proposal)
        judgeSetup(*proposal, outcome.verdict);
    markBridgedRows(outcome);
    // A failure said before (a table error) already says why.
    if (outcome.verdict.level == VerdictLevel::Failed && outcome.failures.empty())
        outcome.failures = outcome.verdict.reasons;
    if (options.previewDir.empty())
        return;
    PreviewField shown[2];
    for (int f = 0; f < 2; ++f)
        shown[f] = previewField(used, f, fields[f], evidence[f]);
    writePreviewFile(outcome, options, shown);
}

// One file a scan is to write; text is made only when it is written.
struct PlannedOutput {
    std::string path;
    std::function<std::string()> text;
};

std::string outputFolder(const std::string &scanPath, const std::string &outputDir)
{
    return outputDir.empty() ? folderOf(scanPath) : outputDir;
}

bool hasTable(const FieldOutput &field)
{
    return field.tableResult == TableOk && !field.rows.empty();
}

// The parameter file the tables were made with, as the SEF header records it.
std::string profileName(const BatchOptions &options)
{
    return options.paramsFile.empty() ? "built-in defaults" : options.paramsFile;
}

// SEF holds degrees Celsius whatever unit the chart prints.
std::vector<TableRow> sefRows(const FieldOutput &field, int f, const Params &params)
{
    std::vector<TableRow> rows = field.rows;
    if (f == SubImgTemp) {
        for (TableRow &row : rows)
            row.value = celsiusOf(params, row.value);
    }
    return rows;
}

PlannedOutput sefOutput(const ScanOutcome &outcome, int f, const BatchOptions &options,
                        const Params &params)
{
    SefSeries series;
    series.field = f;
    series.utcOffsetMinutes = options.utcOffsetMinutes;
    series.scanName = baseName(outcome.path);
    series.profile = profileName(options);
    series.smoothness = outcome.smoothness;
    const StationInfo &station = options.station;
    const std::vector<TableRow> rows = sefRows(outcome.fields[f], f, params);
    series.bridgedHours = outcome.fields[f].bridgedHours;
    series.rows = rows.data();
    series.count = static_cast<int>(rows.size());
    const std::string name = sefFileName(station, series);
    return PlannedOutput{inFolder(outputFolder(outcome.path, options.outputDir), name),
                         [station, series, rows]() mutable {
                             series.rows = rows.data();
                             return sefFileText(station, series);
                         }};
}

PlannedOutput tableOutput(const ScanOutcome &outcome, int f, const BatchOptions &options)
{
    const FieldOutput &field = outcome.fields[f];
    const int step = outcome.timeStep;
    return PlannedOutput{tableOutputPath(outcome.path, f, options.outputDir), [&field, f, step] {
                             return tableFileText(f, step, field.rows.data(),
                                                  static_cast<int>(field.rows.size()));
                         }};
}

// The file the CSV output of a scan goes to: SCAN.csv beside its tables.
std::string csvOutputPath(const std::string &scanPath, const std::string &outputDir)
{
    return inFolder(outputFolder(scanPath, outputDir), baseName(scanPath) + ".csv");
}

PlannedOutput csvOutput(const ScanOutcome &outcome, const BatchOptions &options, TempUnit unit)
{
    const CsvClock clock{options.hasUtcOffset, options.utcOffsetMinutes};
    CsvField fields[2] = {};
    for (int f = 0; f < 2; ++f) {
        if (hasTable(outcome.fields[f]))
            fields[f] = CsvField{&outcome.fields[f].rows, &outcome.fields[f].bridgedHours};
    }
    return PlannedOutput{csvOutputPath(outcome.path, options.outputDir),
                         [fields, clock, unit] { return csvFileText(fields, clock, unit); }};
}

// Every file the scan writes, tables first. A skipped scan writes nothing
// but still owns its table names.
std::vector<PlannedOutput> plannedOutputs(const ScanOutcome &outcome, const BatchOptions &options,
                                          const Params &params)
{
    std::vector<PlannedOutput> planned;
    if (!outcome.ok())
        return planned;
    bool anyTable = false;
    for (int f = 0; f < 2; ++f) {
        if (!outcome.skipped && !hasTable(outcome.fields[f]))
            continue;
        anyTable = true;
        planned.push_back(tableOutput(outcome, f, options));
        if (options.sef && !outcome.skipped)
            planned.push_back(sefOutput(outcome, f, options, params));
    }
    if (options.csv && anyTable && !outcome.skipped)
        planned.push_back(csvOutput(outcome, options, params.tempUnit));
    return planned;
}

// The folder resolved, so that two spellings of one file are one claim.
std::string resolvedPath(const std::string &path)
{
    std::string folder = folderOf(path);
    char *real = realpath(folder.empty() ? "." : folder.c_str(), nullptr);
    if (!real)
        return path;
    std::string resolved = inFolder(real, baseName(path));
    std::free(real);
    return resolved;
}

// Claims every planned file; false with a failure naming the other scan when
// one of them belongs to an earlier scan of the run.
bool claimOutputs(ScanOutcome &outcome, const std::vector<PlannedOutput> &planned,
                  OutputClaims &claims)
{
    for (const PlannedOutput &output : planned) {
        std::string owner = claims.claim(output.path, outcome.path);
        if (!owner.empty()) {
            outcome.failures.push_back("output file " + output.path + " is also the output of " +
                                       owner + " in this run; nothing written for this scan");
            return false;
        }
    }
    return true;
}

// Writes one file without replacing one that exists, even one that appeared
// since the run started, unless --force; false when the scan must stop.
bool writeOutput(ScanOutcome &outcome, const PlannedOutput &output, const BatchOptions &options)
{
    const FileReplace mode = options.force ? FileReplace::Replace : FileReplace::Keep;
    if (writeFileAtomic(output.path, output.text(), mode) == 0)
        return true;
    if (errno != EEXIST || options.force) {
        outcome.failures.push_back("could not write " + output.path + ": " + std::strerror(errno));
        return false;
    }
    if (options.skipExisting)
        return true;
    outcome.failures.push_back("file exists, not replaced (use --force or --skip-existing): " +
                               output.path);
    return false;
}

std::string fieldSummary(int f, const FieldOutput &field)
{
    std::string text(1, kFieldLetters[f]);
    if (!field.evaluated)
        return text + " -";
    char buf[64];
    std::snprintf(buf, sizeof buf, " rows=%d knots=%d%%", static_cast<int>(field.rows.size()),
                  field.coverage);
    text += buf;
    if (field.rows.empty())
        return text + " min=- max=- mean=-";
    char min[32], max[32], mean[32], count[16];
    formatStats(field.stats, min, max, mean, count);
    auto trimmed = [](const char *s) { return std::string(s + std::strspn(s, " ")); };
    return text + " min=" + trimmed(min) + " max=" + trimmed(max) + " mean=" + trimmed(mean);
}

} // namespace

FieldOutput::FieldOutput()
    : evaluated(false), tableResult(TableMissingCurve), coverage(0), stats()
{
}

ScanOutcome::ScanOutcome() : timeStep(60), smoothness(0.0), skipped(false)
{
}

VerdictLevel ScanOutcome::level() const
{
    return failures.empty() ? verdict.level : VerdictLevel::Failed;
}

void digitiseScanFile(const std::string &path, const Params &params, const BatchOptions &options,
                      ScanOutcome &outcome, const Manifest *manifest)
{
    outcome.path = path;
    if (options.skipExisting && pathExists(tableOutputPath(path, 0, options.outputDir)) &&
        pathExists(tableOutputPath(path, 1, options.outputDir))) {
        outcome.skipped = true;
        return;
    }
    const std::string refused = manifest ? manifestRefusalReasons(*manifest, path) : std::string();
    if (!refused.empty()) {
        outcome.failures.push_back("manifest " + refused + "; nothing written for this scan");
        return;
    }
    GdkPixbuf *scan = loadScan(path, options.maxPixels, outcome);
    if (!scan)
        return;
    FileCtx ctx;
    SetupProposal proposal;
    if (!prepareFileCtx(path, params, options, manifest, scan, ctx, outcome, &proposal)) {
        g_object_unref(scan);
        return;
    }
    DigitiseOptions digitise;
    digitise.hasSmoothness = options.hasSmoothness;
    digitise.smoothness = options.smoothness;
    digitise.timeStep = options.timeStep;
    digitise.autoWindows = options.autoWindows;
    digitise.cutFields = proposal.fields.get();
    FieldResult fields[2];
    ScanSettings used;
    int result = digitiseScan(params, scan, ctx, digitise, fields, nullptr, nullptr, &used);
    g_object_unref(scan);
    outcome.timeStep = used.timeStep;
    outcome.smoothness = smoothnessControlValue(used, params);

    if (result == DigitiseBadPassPoints)
        outcome.failures.push_back(kCutOutFailedText);
    for (int f = 0; f < 2; ++f)
        collectField(f, fields[f], outcome);
    judge(params, used, fields, result == DigitiseOk, options.autoSetup ? &proposal : nullptr,
          options, outcome);
}

std::string writeFailurePreview(ScanOutcome &outcome, const BatchOptions &options)
{
    if (!options.previewDir.empty() && outcome.preview.empty() && !outcome.skipped) {
        const PreviewField none[2];
        writePreviewFile(outcome, options, none);
    }
    return outcome.preview;
}

std::string tableOutputPath(const std::string &scanPath, int field, const std::string &outputDir)
{
    std::string name = tableFileName(scanPath, field);
    if (outputDir.empty())
        return name;
    return inFolder(outputDir, baseName(name));
}

std::string OutputClaims::claim(const std::string &file, const std::string &scan)
{
    auto inserted = owners.emplace(resolvedPath(file), scan);
    return inserted.second ? std::string() : inserted.first->second;
}

void writeScanOutputs(ScanOutcome &outcome, const BatchOptions &options, const Params &params,
                      OutputClaims &claims)
{
    const std::vector<PlannedOutput> planned = plannedOutputs(outcome, options, params);
    if (!claimOutputs(outcome, planned, claims) || outcome.skipped)
        return;
    for (const PlannedOutput &output : planned) {
        if (!writeOutput(outcome, output, options))
            return;
    }
}

// "ok", "suspect: REASONS" or "failed: FAILURES".
std::string verdictText(const ScanOutcome &outcome)
{
    if (outcome.skippedCleanly())
        return "skipped, tables exist";
    const ScanVerdict shown = shownVerdict(outcome);
    const std::string reasons = verdictReasons(shown);
    return std::string(verdictName(shown.level)) + (reasons.empty() ? "" : ": " + reasons);
}

std::string scanSummaryLine(const ScanOutcome &outcome)
{
    const std::string status = verdictText(outcome);
    return outcome.path + "\t" + status + "\t" + fieldSummary(0, outcome.fields[0]) + "\t" +
           fieldSummary(1, outcome.fields[1]);
}

namespace {

// A CSV cell, quoted when it holds a comma, quote or line break.
std::string csvCell(const std::string &text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string number(const char *format, double value)
{
    char buf[G_ASCII_DTOSTR_BUF_SIZE];
    return g_ascii_formatd(buf, sizeof buf, format, value);
}

// Figures of a field; blank cells for one that was not judged.
std::string fieldReportCells(const ScanOutcome &outcome, int f)
{
    const FieldOutput &field = outcome.fields[f];
    if (!field.evaluated || outcome.skipped)
        return ",,,,,";
    const FieldFigures &fig = outcome.verdict.figures[f];
    int flagged = 0;
    for (double hours : field.bridgedHours)
        flagged += hours > 0.0;
    return "," + std::to_string(field.rows.size()) + "," + number("%.3f", fig.knotShare) + "," +
           number("%.1f", fig.longestGapHours) + "," + number("%.1f", fig.besideHours) + "," +
           std::to_string(flagged);
}

} // namespace

std::string reportHeader()
{
    std::string header = "scan,verdict,reasons";
    for (const char *f : {"T", "F"})
        for (const char *column : {"rows", "knot_share", "longest_gap_h", "beside_h", "flagged_rows"})
            header += std::string(",") + f + "_" + column;
    return header + "\n";
}

std::string reportLine(const ScanOutcome &outcome)
{
    const ScanVerdict shown = shownVerdict(outcome);
    const char *verdict = outcome.skippedCleanly() ? "skipped" : verdictName(shown.level);
    return csvCell(outcome.path) + "," + verdict + "," + csvCell(verdictReasons(shown)) +
           fieldReportCells(outcome, 0) + fieldReportCells(outcome, 1) + "\n";
}
