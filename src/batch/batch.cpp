// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <malloc.h>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <unistd.h>
#include <vector>

#include <glib.h>

#include "atomicfile.h"
#include "datapaths.h"
#include "preview.h"
#include "scanimage.h"
#include "scanjob.h"

namespace {

const int kLargestPooledBlock = 256 << 20;

// Outcomes of the workers, handed to the writer strictly in input order.
class OutcomeQueue {
public:
    explicit OutcomeQueue(size_t count) : slots(count), handedOut(0), finished(0) {}

    // The next scan index for a worker; false when every scan is taken.
    bool take(size_t &index)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (handedOut == slots.size())
            return false;
        index = handedOut++;
        return true;
    }

    void put(size_t index, std::unique_ptr<ScanOutcome> outcome)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            slots[index] = std::move(outcome);
            ++finished;
        }
        ready.notify_all();
    }

    // Waits for the outcome of scan index; onProgress sees the number of
    // finished scans whenever it changes meanwhile.
    template <typename Fn> std::unique_ptr<ScanOutcome> waitFor(size_t index, Fn onProgress)
    {
        std::unique_lock<std::mutex> lock(mutex);
        size_t seen = finished;
        onProgress(seen);
        while (!slots[index]) {
            ready.wait(lock);
            if (finished != seen) {
                seen = finished;
                onProgress(seen);
            }
        }
        return std::move(slots[index]);
    }

private:
    std::mutex mutex;
    std::condition_variable ready;
    std::vector<std::unique_ptr<ScanOutcome>> slots;
    size_t handedOut;
    size_t finished;
};

// One line on a terminal's standard error, redrawn in place.
class ProgressBar {
public:
    ProgressBar(FILE *err, bool enabled, size_t total)
        : err(err), enabled(enabled), total(total), shown(false), drawn(0)
    {
    }

    void draw(size_t done)
    {
        if (!enabled || (shown && done == drawn))
            return;
        const int width = 30;
        int filled = total ? static_cast<int>(width * done / total) : width;
        std::string bar(filled, '#');
        bar.append(width - filled, '.');
        std::fprintf(err, "\r[%s] %zu/%zu scans", bar.c_str(), done, total);
        std::fflush(err);
        shown = true;
        drawn = done;
    }

    // Draws the last count again after clear().
    void redraw() { draw(drawn); }

    void clear()
    {
        if (!shown)
            return;
        std::fputs("\r\033[K", err);
        std::fflush(err);
        shown = false;
    }

private:
    FILE *err;
    bool enabled;
    size_t total;
    bool shown;
    size_t drawn;
};

struct RunInputs {
    const BatchOptions &options;
    const Params &params;
    const Manifest *manifest;
};

void digitiseOne(const std::string &path, const RunInputs &in, OutcomeQueue &queue, size_t index)
{
    std::unique_ptr<ScanOutcome> outcome;
    try {
        outcome.reset(new ScanOutcome);
        digitiseScanFile(path, in.params, in.options, *outcome, in.manifest);
    } catch (const std::exception &e) {
        // Mostly no memory for a huge scan: that scan fails, the batch goes on.
        outcome.reset(new ScanOutcome);
        outcome->path = path;
        outcome->failures.push_back(std::string("internal error: ") + e.what());
    }
    queue.put(index, std::move(outcome));
}

void worker(const RunInputs &in, OutcomeQueue &queue)
{
    size_t index;
    while (queue.take(index))
        digitiseOne(in.options.scans[index], in, queue, index);
}

void printOutcome(const ScanOutcome &outcome, const BatchOptions &options, FILE *out, FILE *err)
{
    for (const std::string &text : outcome.warnings)
        std::fprintf(err, "%s: warning: %s\n", outcome.path.c_str(), text.c_str());
    for (const std::string &text : outcome.failures)
        std::fprintf(err, "%s: %s\n", outcome.path.c_str(), text.c_str());
    std::fflush(err);
    if (!options.quiet) {
        std::fprintf(out, "%s\n", scanSummaryLine(outcome).c_str());
        std::fflush(out);
    }
}

// Temporaries of an earlier run killed while writing, in every folder this
// run writes to.
void removeStaleOutputs(const BatchOptions &options)
{
    std::set<std::string> folders;
    if (!options.outputDir.empty())
        folders.insert(options.outputDir);
    else
        for (const std::string &scan : options.scans)
            folders.insert(scan.substr(0, scan.find_last_of('/') + 1));
    for (const std::string &folder : folders)
        removeStaleTemporaries(folder);
}

// Counts of a run's verdicts and what they make of the exit status.
struct RunTally {
    int ok = 0, suspect = 0, failed = 0, skipped = 0;

    void add(const ScanOutcome &outcome)
    {
        if (outcome.skippedCleanly())
            ++skipped;
        else if (outcome.level() == VerdictLevel::Failed)
            ++failed;
        else if (outcome.level() == VerdictLevel::Suspect)
            ++suspect;
        else
            ++ok;
    }

    std::string text() const
    {
        std::string line = std::to_string(ok) + " ok, " + std::to_string(suspect) + " suspect, " +
                           std::to_string(failed) + " failed";
        return skipped ? line + ", " + std::to_string(skipped) + " skipped" : line;
    }

    bool allGood(bool strict) const { return failed == 0 && (!strict || suspect == 0); }
};

// Faulty lines and lines naming no scan of the run; true when there were
// faulty lines.
bool reportManifestProblems(const Manifest &manifest, const BatchOptions &options, FILE *err)
{
    const char *name = options.manifestFile.c_str();
    for (const ManifestError &error : manifest.errors)
        std::fprintf(err, "vellora-batch: manifest %s: %s\n", name, error.message.c_str());
    for (const ManifestEntry &entry : manifest.entries) {
        const bool given = std::any_of(options.scans.begin(), options.scans.end(),
                                       [&entry](const std::string &scan) {
                                           return manifestNamesScan(entry.scan, scan);
                                       });
        if (!given)
            std::fprintf(err, "vellora-batch: warning: manifest %s: line %d: scan %s is not among "
                              "the scans given\n", name, entry.line, entry.scan.c_str());
    }
    std::fflush(err);
    return !manifest.errors.empty();
}

// The report and the contact sheet, written when the run is over; false
// when one could not be written.
bool writeRunFiles(const BatchOptions &options, const std::string &report,
                   const std::vector<SheetEntry> &sheet, FILE *err)
{
    bool written = true;
    if (!options.reportFile.empty() &&
        writeFileAtomic(options.reportFile, reportHeader() + report, FileReplace::Replace) != 0) {
        std::fprintf(err, "vellora-batch: could not write report %s: %s\n",
                     options.reportFile.c_str(), std::strerror(errno));
        written = false;
    }
    std::string error;
    const int kSheetColumns = 6;
    if (!options.contactSheet.empty() &&
        writeContactSheet(options.contactSheet, sheet, kSheetColumns, &error) != 0) {
        std::fprintf(err, "vellora-batch: could not write contact sheet %s: %s\n",
                     options.contactSheet.c_str(), error.c_str());
        written = false;
    }
    return written;
}

} // namespace

bool loadBatchManifest(const BatchOptions &options, Manifest &manifest, std::string &error)
{
    if (options.manifestFile.empty() || readManifest(options.manifestFile, manifest))
        return true;
    error = "could not read manifest " + options.manifestFile;
    if (!manifest.errors.empty())
        error += ": " + manifest.errors.front().message;
    return false;
}

int loadBatchParams(BatchOptions &options, Params &params, std::string &warning,
                    std::string &error)
{
    setParamDefaults(params);
    const bool named = !options.paramsFile.empty();
    // Looked up as the GUI does; none found leaves the built-in values.
    if (!named)
        options.paramsFile = findParamFile(processDataPlaces());
    if (options.paramsFile.empty())
        return 0;
    const int result = loadParamFile(params, options.paramsFile.c_str());
    if (result == -1 && named) {
        error = "could not read parameter file " + options.paramsFile;
        return -1;
    }
    warning = paramFileStopMessage(options.paramsFile.c_str(), result);
    return 0;
}

void reuseImageMemory()
{
    // Above every image a scan needs (a 600 dpi chart decodes to some
    // 160 MB with alpha); freed images stay for the next scan.
    mallopt(M_MMAP_THRESHOLD, kLargestPooledBlock);
    mallopt(M_TRIM_THRESHOLD, 2 * kLargestPooledBlock);
    decodeOntoHugePages(true);
}

bool prepareOutputDir(const BatchOptions &options, std::string &error)
{
    for (const std::string *dir : {&options.outputDir, &options.previewDir}) {
        if (dir->empty())
            continue;
        if (g_mkdir_with_parents(dir->c_str(), 0777) != 0 ||
            !g_file_test(dir->c_str(), G_FILE_TEST_IS_DIR)) {
            error = "could not create folder " + *dir + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

int runBatch(const BatchOptions &options, const Params &params, FILE *out, FILE *err,
             const Manifest *manifest)
{
    const bool manifestFaulty = manifest && reportManifestProblems(*manifest, options, err);
    removeStaleOutputs(options);
    size_t count = options.scans.size();
    OutcomeQueue queue(count);
    size_t threads = std::min(count, static_cast<size_t>(std::max(options.jobs, 1)));
    std::vector<std::thread> workers;
    for (size_t t = 0; t < threads; ++t)
        workers.emplace_back(worker, RunInputs{options, params, manifest}, std::ref(queue));

    ProgressBar bar(err, !options.quiet && isatty(fileno(err)), count);
    RunTally tally;
    std::string report;
    std::vector<SheetEntry> sheet;
    OutputClaims claims;
    auto onProgress = [&](size_t finished) { bar.draw(finished); };
    for (size_t i = 0; i < count; ++i) {
        std::unique_ptr<ScanOutcome> outcome = queue.waitFor(i, onProgress);
        // Files are written here, in input order, so that scans sharing an
        // output name meet in the same order as in a serial run.
        writeScanOutputs(*outcome, options, params, claims);
        bar.clear();
        printOutcome(*outcome, options, out, err);
        tally.add(*outcome);
        report += reportLine(*outcome);
        if (!writeFailurePreview(*outcome, options).empty())
            sheet.push_back(SheetEntry{outcome->preview, outcome->level()});
        bar.redraw();
    }
    bar.clear();
    for (std::thread &t : workers)
        t.join();
    if (!options.quiet)
        std::fprintf(out, "%s\n", tally.text().c_str());
    const bool written = writeRunFiles(options, report, sheet, err);
    return tally.allGood(options.strict) && written && !manifestFaulty ? 0 : 1;
}
