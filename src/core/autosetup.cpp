// SPDX-License-Identifier: GPL-3.0-or-later
#include "autosetup.h"

#include <algorithm>
#include <memory>

#include "cornerfind.h"
#include "fieldpair.h"
#include "inkfind.h"
#include "reasons.h"
#include "traceends.h"

namespace {

// Two fields' inks further apart than this (grey levels in any channel) are
// two pens; the temperature pen's is proposed.
const int kSameInk = 20;

void proposePassPoints(const Params &params, const GdkPixbuf *scan, const FileCtx &ctx, SetupProposal &p)
{
    bool all = true;
    for (int i = 0; i < 3; i++) {
        p.passPoints[i] = PassPoint{0, 0, 0};
        p.passConfidence[i] = 1.0;
        all = loadPassPointRecord(ctx, i, p.passPoints[i]) && p.passPoints[i].set && all;
    }
    if (all) return;
    p.proposesPassPoints = true;
    CornerSearch corners = findFieldCorners(params, scan);
    // A proposed point as its record will hold it: the road then cuts the
    // very field images the other proposals were found on.
    for (int i = 0; i < 3; i++)
        if (!p.passPoints[i].set) {
            scanPassPoint(formatPassPoint(corners.points[i]).c_str(), &p.passPoints[i]);
            p.passConfidence[i] = corners.confidence[i];
        }
    appendReason(p.reason, corners.reason);
}

void proposeColor(const StrokeMap *maps[2], const FileCtx &ctx, SetupProposal &p)
{
    if (loadCurveColorRecord(ctx, "CurveColor", p.curveColor)) return;
    p.proposesColor = true;
    if (!maps[0]) {
        appendReason(p.reason, "no ink colour without pass points");
        return;
    }
    InkSearch ink[2] = {findFieldInk(*maps[0]), findFieldInk(*maps[1])};
    bool same = ink[1].confidence > 0;
    for (int c = 0; c < 3; c++) same = same && std::abs(ink[0].rgb[c] - ink[1].rgb[c]) <= kSameInk;
    for (int c = 0; c < 3; c++) p.curveColor[c] = same ? (ink[0].rgb[c] + ink[1].rgb[c] + 1) / 2 : ink[0].rgb[c];
    p.colorConfidence = same ? std::min(ink[0].confidence, ink[1].confidence) : ink[0].confidence;
    appendReason(p.reason, ink[0].reason.empty() ? "" : "ink: " + ink[0].reason);
    // Two pens of their own colours: each field follows its own.
    p.proposesHygroColor = !same && ink[1].confidence > 0 && !ctx.get("CurveColorHygro");
    for (int c = 0; c < 3; c++) p.curveColorHygro[c] = ink[1].rgb[c];
    if (p.proposesHygroColor) {
        p.colorConfidence = std::min(p.colorConfidence, ink[1].confidence);
        appendReason(p.reason, ink[1].reason.empty() ? "" : "hygrometer ink: " + ink[1].reason);
    }
}

// A mark or date present in the context stays as it is, also when its
// partner is proposed.
void proposeMarks(const Params &params, const StrokeMap *maps[2], const FileCtx &ctx, SetupProposal &p)
{
    int present[2] = {-1, -1};
    bool have[2] = {loadDatePosRecord(ctx, 0, present[0]), loadDatePosRecord(ctx, 1, present[1])};
    p.datePos[0] = present[0], p.datePos[1] = present[1];
    if (have[0] && have[1]) return;
    p.proposesMarks = true;
    if (!maps[0] || (p.proposesColor && p.colorConfidence <= 0)) {
        appendReason(p.reason, "no marks without pass points and ink colour");
        return;
    }
    TraceEnds ends[2] = {findFieldTraceEnds(params, *maps[0], p.curveColor),
                         findFieldTraceEnds(params, *maps[1], p.curveColor)};
    TraceEnds both = combineTraceEnds(params, ends);
    for (int i = 0; i < 2; i++)
        if (!have[i]) p.datePos[i] = both.column[i];
    p.marksConfidence = both.confidence;
    appendReason(p.reason, both.reason.empty() ? "" : "marks: " + both.reason);
}

// Whether the colour or a mark is to be found, which needs the field images.
bool lacksFieldRecords(const FileCtx &ctx)
{
    int rgb[3], pos;
    return !loadCurveColorRecord(ctx, "CurveColor", rgb) || !loadDatePosRecord(ctx, 0, pos) ||
           !loadDatePosRecord(ctx, 1, pos);
}

void proposeDates(const FileCtx &ctx, const ManifestEntry *entry, SetupProposal &p)
{
    bool have[2] = {loadDateValRecord(ctx, 0, p.dateVal[0]), loadDateValRecord(ctx, 1, p.dateVal[1])};
    if (have[0] && have[1]) return;
    p.proposesDates = entry != nullptr;
    if (!entry) {
        appendReason(p.reason, "no dates: the scan has no manifest line");
        return;
    }
    if (!have[0]) p.dateVal[0] = entry->start;
    if (!have[1]) p.dateVal[1] = entry->end;
}

}  // namespace

SetupProposal proposeSetup(const Params &params, const GdkPixbuf *scan, const FileCtx &ctx,
                           const ManifestEntry *entry)
{
    SetupProposal p{false, {}, {1, 1, 1}, false, {0, 0, 0}, 0.0, false, {0, 0, 0}, false, {-1, -1}, 0.0, false, {}, "", nullptr};
    proposePassPoints(params, scan, ctx, p);
    bool located = p.passPoints[0].set && p.passPoints[1].set && p.passPoints[2].set;
    // The colour and the ends look at the same field images.
    if (located && lacksFieldRecords(ctx)) {
        auto fields = std::make_shared<FieldPair>(params, scan, p.passPoints);
        if (fields->ok()) p.fields = fields;
    }
    std::unique_ptr<StrokeMap> temp, hygro;
    if (p.fields) {
        temp.reset(new StrokeMap(p.fields->image(0)));
        hygro.reset(new StrokeMap(p.fields->image(1)));
    }
    const StrokeMap *maps[2] = {temp.get(), hygro.get()};
    proposeColor(maps, ctx, p);
    proposeMarks(params, maps, ctx, p);
    proposeDates(ctx, entry, p);
    return p;
}

void storeProposals(const SetupProposal &p, FileCtx &ctx)
{
    if (p.proposesPassPoints)
        for (int i = 0; i < 3; i++)
            if (p.passPoints[i].set) storePassPointRecord(ctx, i, p.passPoints[i]);
    if (p.proposesColor && p.colorConfidence > 0) storeCurveColorRecord(ctx, "CurveColor", p.curveColor);
    if (p.proposesHygroColor && p.colorConfidence > 0)
        storeCurveColorRecord(ctx, "CurveColorHygro", p.curveColorHygro);
    if (p.proposesMarks)
        for (int i = 0; i < 2; i++)
            if (p.datePos[i] >= 0) storeDatePosRecord(ctx, i, p.datePos[i]);
    if (p.proposesDates)
        for (int i = 0; i < 2; i++) storeDateValRecord(ctx, i, p.dateVal[i]);
}

double lowestConfidence(const SetupProposal &p)
{
    double low = 1.0;
    if (p.proposesPassPoints) low = std::min({low, p.passConfidence[0], p.passConfidence[1], p.passConfidence[2]});
    if (p.proposesColor) low = std::min(low, p.colorConfidence);
    if (p.proposesMarks) low = std::min(low, p.marksConfidence);
    return low;
}
