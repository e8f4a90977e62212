// SPDX-License-Identifier: GPL-3.0-or-later
#include "digitise.h"

#include "autowindows.h"
#include "cutout.h"

namespace {

// Maps the fraction of one stage into its share of the whole run.
struct ProgressRange {
    ProgressFn fn;
    void *user;
    double lo, hi;

    static void report(void *self, double fraction)
    {
        const ProgressRange *r = static_cast<const ProgressRange *>(self);
        if (r->fn)
            r->fn(r->user, r->lo + (r->hi - r->lo) * fraction);
    }

    ProgressSink share(int index, double base, double size)
    {
        lo = base + index * size;
        hi = lo + size;
        return ProgressSink{ProgressRange::report, nullptr, this};
    }
};

// Shares of the run: the two cut-outs cost about as much as the two searches.
const double kCutOutShare = 0.25;
const double kFieldShare = 0.25;

void applyOptions(const DigitiseOptions &options, ScanSettings &settings)
{
    if (options.hasSmoothness) {
        settings.hasSmoothness = true;
        settings.smoothness = options.smoothness;
    }
    if (options.timeStep != 0)
        settings.timeStep = options.timeStep;
}

} // namespace

DigitiseOptions::DigitiseOptions()
    : hasSmoothness(false), smoothness(0.0), timeStep(0), autoWindows(false), cutFields(nullptr)
{
}

int digitiseScan(const Params &params, const GdkPixbuf *scan, const FileCtx &ctx,
                 const DigitiseOptions &options, FieldResult fields[2], ProgressFn progress,
                 void *progressUser, ScanSettings *used)
{
    ScanSettings local;
    ScanSettings &settings = used ? *used : local;
    loadScanSettings(ctx, params, settings);
    applyOptions(options, settings);

    ProgressRange range{progress, progressUser, 0.0, 0.0};
    const bool cutAlready = options.cutFields && options.cutFields->cutAt(settings.passPoints);
    bool bothCut = true;
    for (int f = 0; f < 2; ++f) {
        if (cutAlready)
            takeFieldImage(options.cutFields->share(f), fields[f]);
        else if (!cutOutFieldImage(params, scan, settings, f, fields[f],
                                   range.share(f, 0.0, kCutOutShare))) {
            bothCut = false;
            continue;
        }
        loadFieldSettings(ctx, f, gdk_pixbuf_get_width(fields[f].pixbuf),
                          gdk_pixbuf_get_height(fields[f].pixbuf), settings.fields[f]);
    }
    if (!bothCut)
        return DigitiseBadPassPoints;

    fitMarksToField(settings, gdk_pixbuf_get_width(fields[SubImgTemp].pixbuf));
    for (int f = 0; f < 2; ++f) {
        FieldSettings &hand = settings.fields[f];
        if (options.autoWindows) {
            const RefColor ref = inkColorOf(settings, f);
            proposeSearchWindows(fields[f].pixbuf, ref, hand.windows, hand.drawPos.data(),
                                 settings.datePos[0], settings.datePos[1], nullptr, nullptr,
                                 &fieldEvenRowInk(fields[f], ref));
        }
        evaluateField(params, settings, f, 0, fields[f],
                      range.share(f, 2 * kCutOutShare, kFieldShare));
    }
    return DigitiseOk;
}
