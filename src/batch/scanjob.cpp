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

#include "atomicfile.h"
#include "csvfile.h"
#include "cutout.h"
#include "digitise.h"
#include "filectx.h"
#include "inkclassifier.h"
#include "knots.h"
#include "recordcheck.h"
#include "records.h"
#include "scanimage.h"
#include "sef.h"
#include "tablefile.h"
#include "valuescale.h"

namespace {

const char *const kFieldNames[2] = {"temperature", "hygrometer"};
// A pen line with its grid and notes covers a small part of a field; ink over
// most of it is a black page, a logo or a photograph, whose "knots" in every
// column would give plausible invented tables.
const double kMaxInkShare = 0.25;
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

// The share of a field's pixels in the ink colour.
double inkShare(const GdkPixbuf *field, const RefColor &ref)
{
    const InkClassifier ink(ref);
    const int width = gdk_pixbuf_get_width(field), height = gdk_pixbuf_get_height(field);
    const int channels = gdk_pixbuf_get_n_channels(field);
    const int stride = gdk_pixbuf_get_rowstride(field);
    const guchar *pixels = gdk_pixbuf_read_pixels(field);
    long long count = 0;
    for (int y = 0; y < height; ++y) {
        const guchar *p = pixels + static_cast<gsize>(y) * stride;
        for (int x = 0; x < width; ++x, p += channels)
            count += ink.isInk(p);
    }
    return width > 0 && height > 0 ? static_cast<double>(count) / width / height : 0.0;
}

void collectField(int f, const FieldResult &result, const RefColor &ink, ScanOutcome &outcome)
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
    if (result.tableResult != TableOk) {
        outcome.failures.push_back(subject + tableErrorText(result.tableResult));
        return;
    }
    const double share = inkShare(result.pixbuf, ink);
    if (share > kMaxInkShare) {
        out.noTrace = true;
        outcome.failures.push_back(subject + "ink covers " + std::to_string(std::lround(share * 100)) +
                                   " % of the field, no pen trace to follow (not a chart scan?)");
    }
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
    return field.tableResult == TableOk && !field.rows.empty() && !field.noTrace;
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

PlannedOutput csvOutput(const ScanOutcome &outcome, const BatchOptions &options)
{
    const CsvClock clock{options.hasUtcOffset, options.utcOffsetMinutes};
    const std::vector<TableRow> *rows[2];
    for (int f = 0; f < 2; ++f)
        rows[f] = hasTable(outcome.fields[f]) ? &outcome.fields[f].rows : nullptr;
    return PlannedOutput{csvOutputPath(outcome.path, options.outputDir), [rows, clock] {
                             const std::vector<TableRow> none;
                             return csvFileText(rows[0] ? *rows[0] : none,
                                                rows[1] ? *rows[1] : none, clock);
                         }};
}

// Every file the scan writes, tables first. A skipped scan writes nothing
// but still owns its table names.
std::vector<PlannedOutput> plannedOutputs(const ScanOutcome &outcome, const BatchOptions &options,
                                          const Params &params)
{
    std::vector<PlannedOutput> planned;
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
        planned.push_back(csvOutput(outcome, options));
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
    : evaluated(false), tableResult(TableMissingCurve), coverage(0), noTrace(false), stats()
{
}

ScanOutcome::ScanOutcome() : timeStep(60), smoothness(0.0), skipped(false)
{
}

void digitiseScanFile(const std::string &path, const Params &params, const BatchOptions &options,
                      ScanOutcome &outcome)
{
    outcome.path = path;
    if (options.skipExisting && pathExists(tableOutputPath(path, 0, options.outputDir)) &&
        pathExists(tableOutputPath(path, 1, options.outputDir))) {
        outcome.skipped = true;
        return;
    }
    GdkPixbuf *scan = loadScan(path, options.maxPixels, outcome);
    if (!scan)
        return;
    FileCtx ctx;
    if (!readFileCtx(path, params, ctx, outcome)) {
        g_object_unref(scan);
        return;
    }
    DigitiseOptions digitise;
    digitise.hasSmoothness = options.hasSmoothness;
    digitise.smoothness = options.smoothness;
    digitise.timeStep = options.timeStep;
    digitise.autoWindows = options.autoWindows;
    FieldResult fields[2];
    ScanSettings used;
    int result = digitiseScan(params, scan, ctx, digitise, fields, nullptr, nullptr, &used);
    g_object_unref(scan);
    outcome.timeStep = used.timeStep;
    outcome.smoothness = smoothnessControlValue(used, params);

    if (result == DigitiseBadPassPoints)
        outcome.failures.push_back(kCutOutFailedText);
    for (int f = 0; f < 2; ++f)
        collectField(f, fields[f], inkColorOf(used, f), outcome);
}

std::string tableOutputPath(const std::string &scanPath, int field, const std::string &outputDir)
{
    std::string name = tableFileName(scanPath, field);
    if (outputDir.empty())
        return name;
    return inFolder(outputDir, baseName(name));
}

std::string csvOutputPath(const std::string &scanPath, const std::string &outputDir)
{
    return inFolder(outputFolder(scanPath, outputDir), baseName(scanPath) + ".csv");
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

std::string scanSummaryLine(const ScanOutcome &outcome)
{
    std::string status;
    for (const std::string &failure : outcome.failures)
        status += (status.empty() ? "" : "; ") + failure;
    if (status.empty())
        status = outcome.skipped ? "skipped, tables exist" : "ok";
    return outcome.path + "\t" + status + "\t" + fieldSummary(0, outcome.fields[0]) + "\t" +
           fieldSummary(1, outcome.fields[1]);
}
