#include "digitise.h"

#include "autowindows.h"
#include "cutout.h"
#include "knots.h"
#include "pixel.h"

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
};

// Shares of the run: the two cut-outs cost about as much as the two searches.
const double kCutOutShare = 0.25;
const double kFieldShare = 0.25;

// Fresh per-column arrays of a field image, all "not set".
void makeColumnArrays(FieldResult &field)
{
    int width = gdk_pixbuf_get_width(field.pixbuf);
    field.limitSpan = new SpanArray(width);
    field.drawPos.assign(width, -1);
    field.knotPos.assign(width, 0);
    field.knotVal.assign(width, 0.0);
}

struct FieldInputs {
    const Params *params;
    const ScanSettings *settings;
    const RefColor *ref;
    const HygroScale *hygroScale;
    int timeStep;
    double smoothness;
    bool autoWindows;
};

// What the GUI's chain does for one field: knots, fit, table. The ink extent
// that the chain also searches is only drawn by the views, so it is left out.
void evaluateField(const FieldInputs &in, int f, FieldResult &field, ProgressRange &progress)
{
    int s = in.settings->datePos[0];
    int e = in.settings->datePos[1];
    if (in.autoWindows)
        proposeSearchWindows(field.pixbuf, *in.ref, *field.limitSpan, field.drawPos.data(), s, e);
    field.knotCount = extractKnots(field.pixbuf, *in.ref, field.limitSpan, field.drawPos.data(), s,
                                   e, field.knotPos.data(), field.knotVal.data(),
                                   ProgressRange::report, &progress);
    delete field.curve;
    field.curve = fitKnotCurve(field.knotPos.data(), field.knotVal.data(), field.knotCount,
                               in.smoothness, &field.fitStatus);
    field.coverage = knotCoverage(field.knotCount, s, e);

    TableInput table;
    table.field = f;
    table.curve = field.curve;
    table.fitStatus = field.fitStatus;
    for (int i = 0; i < 2; ++i) {
        table.datePos[i] = in.settings->datePos[i];
        table.dateVal[i] = in.settings->dateVal[i];
    }
    table.timeStep = in.timeStep;
    table.params = in.params;
    table.addTemp = in.settings->addValue[SubImgTemp];
    table.hygroScale = in.hygroScale;

    int count = 0;
    field.rows.resize(kMaxTableRows);
    field.tableResult = computeTable(table, field.rows.data(), &count, &field.stats, &field.speed);
    field.rows.resize(count);
}

} // namespace

FieldResult::FieldResult()
    : pixbuf(nullptr), limitSpan(nullptr), knotCount(0), coverage(0),
      curve(nullptr), fitStatus(1), tableResult(TableMissingCurve), speed(), stats()
{
}

FieldResult::~FieldResult()
{
    if (pixbuf)
        g_object_unref(pixbuf);
    delete limitSpan;
    delete curve;
}

void defaultScanSettings(const Params &params, ScanSettings &settings)
{
    for (PassPoint &pp : settings.passPoints)
        pp = PassPoint{0, 0.0, 0.0};
    settings.datePos[0] = settings.datePos[1] = -1;
    settings.dateVal[0].setDateTime(2000, 1, 1, 12, 0);
    settings.dateVal[1].setDateTime(2000, 1, 2, 13, 0);
    for (int k = 0; k < 3; ++k)
        settings.curveColor[k] = params.srcInkColor[k];
    settings.timeStep = 60;
    settings.addValue[0] = settings.addValue[1] = 0.0;
}

void applyScanRecords(const FileCtx &ctx, ScanSettings &settings)
{
    // Opening a scan forgets only the pass points' set flags; every other
    // setting without a record carries over.
    for (int i = 0; i < 3; ++i) {
        settings.passPoints[i].set = 0;
        loadPassPointRecord(ctx, i, settings.passPoints[i]);
    }
    for (int i = 0; i < 2; ++i) {
        loadDatePosRecord(ctx, i, settings.datePos[i]);
        loadDateValRecord(ctx, i, settings.dateVal[i]);
    }
    loadCurveColorRecord(ctx, settings.curveColor);
    loadTimeStepRecord(ctx, settings.timeStep);
    loadDoubleRecord(ctx, "AddTemp", settings.addValue[SubImgTemp]);
    loadDoubleRecord(ctx, "AddHygro", settings.addValue[SubImgHygro]);
}

int digitiseScan(const Params &params, const GdkPixbuf *scan, const FileCtx &ctx,
                 const DigitiseOptions &options, FieldResult fields[2], ProgressFn progress,
                 void *progressUser)
{
    ScanSettings settings;
    defaultScanSettings(params, settings);
    applyScanRecords(ctx, settings);

    Vec2 pass[3];
    passPointVectors(settings.passPoints, pass);
    if (!passPointsUsable(pass))
        return DigitiseBadPassPoints;

    Params cutParams = params;
    cutParams.numFieldPassPoints = 3;
    ProgressRange range{progress, progressUser, 0.0, 0.0};
    for (int f = 0; f < 2; ++f) {
        range.lo = f * kCutOutShare;
        range.hi = range.lo + kCutOutShare;
        fields[f].pixbuf = cutOutField(cutParams, scan, f, pass, ProgressRange::report, &range);
        if (fields[f].pixbuf)
            makeColumnArrays(fields[f]);
    }
    bool bothCut = fields[0].pixbuf && fields[1].pixbuf;
    if (bothCut) {
        if (settings.datePos[0] == -1)
            settings.datePos[0] = 0;
        if (settings.datePos[1] == -1)
            settings.datePos[1] = gdk_pixbuf_get_width(fields[SubImgTemp].pixbuf) - 1;
    }

    guchar rgb[3];
    for (int k = 0; k < 3; ++k)
        rgb[k] = static_cast<guchar>(settings.curveColor[k]);
    RefColor ref;
    makeRefColor(ref, rgb);
    HygroScale hygroScale;
    hygroScale.setOffset(settings.addValue[SubImgHygro]);

    FieldInputs in;
    in.params = &params;
    in.settings = &settings;
    in.ref = &ref;
    in.hygroScale = &hygroScale;
    in.timeStep = options.timeStep != 0 ? options.timeStep : settings.timeStep;
    in.smoothness = options.smoothness;
    in.autoWindows = options.autoWindows;

    for (int f = 0; f < 2; ++f) {
        if (!fields[f].pixbuf)
            continue;
        int width = gdk_pixbuf_get_width(fields[f].pixbuf);
        loadLimits(ctx, f, *fields[f].limitSpan, width);
        loadDrawMarks(ctx, f, fields[f].drawPos.data(), width);
        range.lo = 2 * kCutOutShare + f * kFieldShare;
        range.hi = range.lo + kFieldShare;
        evaluateField(in, f, fields[f], range);
    }
    return bothCut ? DigitiseOk : DigitiseBadPassPoints;
}
