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

void digitiseOne(const std::string &path, const Params &params, const BatchOptions &options,
                 OutcomeQueue &queue, size_t index)
{
    std::unique_ptr<ScanOutcome> outcome;
    try {
        outcome.reset(new ScanOutcome);
        digitiseScanFile(path, params, options, *outcome);
    } catch (const std::exception &e) {
        // Mostly no memory for a huge scan: that scan fails, the batch goes on.
        outcome.reset(new ScanOutcome);
        outcome->path = path;
        outcome->failures.push_back(std::string("internal error: ") + e.what());
    }
    queue.put(index, std::move(outcome));
}

void worker(const BatchOptions &options, const Params &params, OutcomeQueue &queue)
{
    size_t index;
    while (queue.take(index))
        digitiseOne(options.scans[index], params, options, queue, index);
}

void report(const ScanOutcome &outcome, const BatchOptions &options, FILE *out, FILE *err)
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

} // namespace

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
}

bool prepareOutputDir(const BatchOptions &options, std::string &error)
{
    const std::string &dir = options.outputDir;
    if (dir.empty())
        return true;
    if (g_mkdir_with_parents(dir.c_str(), 0777) != 0 ||
        !g_file_test(dir.c_str(), G_FILE_TEST_IS_DIR)) {
        error = "could not create output folder " + dir + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

int runBatch(const BatchOptions &options, const Params &params, FILE *out, FILE *err)
{
    removeStaleOutputs(options);
    size_t count = options.scans.size();
    OutcomeQueue queue(count);
    size_t threads = std::min(count, static_cast<size_t>(std::max(options.jobs, 1)));
    std::vector<std::thread> workers;
    for (size_t t = 0; t < threads; ++t)
        workers.emplace_back(worker, std::cref(options), std::cref(params), std::ref(queue));

    ProgressBar bar(err, !options.quiet && isatty(fileno(err)), count);
    bool allOk = true;
    OutputClaims claims;
    auto onProgress = [&](size_t finished) { bar.draw(finished); };
    for (size_t i = 0; i < count; ++i) {
        std::unique_ptr<ScanOutcome> outcome = queue.waitFor(i, onProgress);
        // Files are written here, in input order, so that scans sharing an
        // output name meet in the same order as in a serial run.
        writeScanOutputs(*outcome, options, params, claims);
        bar.clear();
        report(*outcome, options, out, err);
        allOk = allOk && outcome->ok();
        bar.redraw();
    }
    bar.clear();
    for (std::thread &t : workers)
        t.join();
    return allOk ? 0 : 1;
}
