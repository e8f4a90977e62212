#include "scanjob.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <sys/stat.h>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "atomicfile.h"
#include "cutout.h"
#include "digitise.h"
#include "filectx.h"
#include "knots.h"
#include "recordcheck.h"
#include "records.h"
#include "scanimage.h"
#include "sef.h"
#include "tablefile.h"

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

// The scan as the GUI accepts it: read by gdk-pixbuf, three channels.
GdkPixbuf *loadScan(const std::string &path, ScanOutcome &outcome)
{
    GdkPixbuf *scan = nullptr;
    const int result = loadScanImage(path.c_str(), &scan);
    if (result != ScanLoaded)
        outcome.failures.push_back(scanRefusalText(result) + path);
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

// Writes one output file unless it exists and may not be replaced.
void writeOutput(ScanOutcome &outcome, const std::string &path, bool force,
                 const std::function<int()> &write)
{
    if (!force && pathExists(path)) {
        outcome.failures.push_back("file exists, not replaced (use --force): " + path);
        return;
    }
    if (write() != 0)
        outcome.failures.push_back("could not write " + path);
}

void writeSefFile(ScanOutcome &outcome, int f, const BatchOptions &options)
{
    const FieldOutput &field = outcome.fields[f];
    SefSeries series;
    series.field = f;
    series.rows = field.rows.data();
    series.count = static_cast<int>(field.rows.size());
    series.utcOffsetMinutes = options.utcOffsetMinutes;
    series.scanName = baseName(outcome.path);
    std::string folder = options.outputDir.empty() ? folderOf(outcome.path) : options.outputDir;
    std::string path = inFolder(folder, sefFileName(options.station, series));
    writeOutput(outcome, path, options.force,
                [&] { return writeFileAtomic(path, sefFileText(options.station, series)); });
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

FieldOutput::FieldOutput() : evaluated(false), tableResult(TableMissingCurve), coverage(0), stats()
{
}

ScanOutcome::ScanOutcome() : timeStep(60)
{
}

void digitiseScanFile(const std::string &path, const Params &params, const BatchOptions &options,
                      ScanOutcome &outcome)
{
    outcome.path = path;
    GdkPixbuf *scan = loadScan(path, outcome);
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

    if (result == DigitiseBadPassPoints)
        outcome.failures.push_back(kCutOutFailedText);
    for (int f = 0; f < 2; ++f)
        collectField(f, fields[f], outcome);
}

std::string tableOutputPath(const std::string &scanPath, int field, const std::string &outputDir)
{
    std::string name = tableFileName(scanPath, field);
    if (outputDir.empty())
        return name;
    return inFolder(outputDir, baseName(name));
}

void writeScanOutputs(ScanOutcome &outcome, const BatchOptions &options)
{
    for (int f = 0; f < 2; ++f) {
        const FieldOutput &field = outcome.fields[f];
        if (field.tableResult != TableOk || field.rows.empty())
            continue;
        std::string path = tableOutputPath(outcome.path, f, options.outputDir);
        writeOutput(outcome, path, options.force, [&] {
            return writeTableFile(path, f, outcome.timeStep, field.rows.data(),
                                  static_cast<int>(field.rows.size()));
        });
        if (options.sef)
            writeSefFile(outcome, f, options);
    }
}

std::string scanSummaryLine(const ScanOutcome &outcome)
{
    std::string status;
    for (const std::string &failure : outcome.failures)
        status += (status.empty() ? "" : "; ") + failure;
    if (status.empty())
        status = "ok";
    return outcome.path + "\t" + status + "\t" + fieldSummary(0, outcome.fields[0]) + "\t" +
           fieldSummary(1, outcome.fields[1]);
}
