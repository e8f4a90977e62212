// SPDX-License-Identifier: GPL-3.0-or-later
#include "scansettings.h"

#include <algorithm>
#include <cmath>

#include "knots.h"

namespace {

void resetFieldSettings(FieldSettings &field)
{
    field.windows.resize(0);
    field.drawPos.clear();
}

// The control value whose weight smoothnessWeight makes 2^k.
double controlValueOfPower(int k)
{
    // smoothnessWeight cuts v + 0.5 toward zero, so below zero one lower.
    return k >= 0 ? k : k - 1;
}

} // namespace

void defaultScanSettings(const Params &params, ScanSettings &settings)
{
    for (PassPoint &pp : settings.passPoints)
        pp = PassPoint{0, 0.0, 0.0};
    settings.datePos[0] = settings.datePos[1] = -1;
    settings.dateVal[0].setDateTime(2000, 1, 1, 12, 0);
    settings.dateVal[1].setDateTime(2000, 1, 2, 13, 0);
    settings.ownHygroInk = params.hasHygroInkColor;
    for (int k = 0; k < 3; ++k) {
        settings.curveColor[k] = params.srcInkColor[k];
        settings.curveColorHygro[k] = hygroInkColorOf(params)[k];
    }
    settings.timeStep = 60;
    settings.addValue[0] = settings.addValue[1] = 0.0;
    settings.hasSmoothness = false;
    settings.smoothness = 0.0;
    for (FieldSettings &field : settings.fields)
        resetFieldSettings(field);
}

void loadScanSettings(const FileCtx &ctx, const Params &params, ScanSettings &settings)
{
    defaultScanSettings(params, settings);
    for (int i = 0; i < 3; ++i)
        loadPassPointRecord(ctx, i, settings.passPoints[i]);
    for (int i = 0; i < 2; ++i) {
        loadDatePosRecord(ctx, i, settings.datePos[i]);
        loadDateValRecord(ctx, i, settings.dateVal[i]);
    }
    loadCurveColorRecord(ctx, "CurveColor", settings.curveColor);
    if (loadCurveColorRecord(ctx, "CurveColorHygro", settings.curveColorHygro))
        settings.ownHygroInk = true;
    loadTimeStepRecord(ctx, settings.timeStep);
    loadDoubleRecord(ctx, "AddTemp", settings.addValue[0]);
    loadDoubleRecord(ctx, "AddHygro", settings.addValue[1]);
    settings.hasSmoothness = loadSmoothnessRecord(ctx, settings.smoothness);
}

void loadFieldSettings(const FileCtx &ctx, int field, int width, int height,
                       FieldSettings &settings)
{
    settings.windows.resize(width);
    settings.drawPos.assign(width > 0 ? width : 0, -1);
    loadLimits(ctx, field, settings.windows, width);
    loadDrawMarks(ctx, field, settings.drawPos.data(), width);
    for (int &row : settings.drawPos) {
        if (row >= 0)
            row = clampRow(row, height);
    }
}

void fitMarksToField(ScanSettings &settings, int width)
{
    if (settings.datePos[0] == -1)
        settings.datePos[0] = 0;
    if (settings.datePos[1] == -1)
        settings.datePos[1] = width - 1;
    for (int &pos : settings.datePos)
        pos = clampColumn(pos, width);
}

double knotWeight(const ScanSettings &settings, const Params &params)
{
    return settings.hasSmoothness ? smoothnessWeight(settings.smoothness) : params.dstCurveFilter;
}

double smoothnessControlValue(const ScanSettings &settings, const Params &params)
{
    if (settings.hasSmoothness)
        return settings.smoothness;
    const double weight = params.dstCurveFilter;
    if (!(weight > 0.0))
        return controlValueOfPower(-30);
    const double k = std::round(std::log2(weight));
    return controlValueOfPower(static_cast<int>(std::clamp(k, -30.0, 30.0)));
}

RefColor inkColorOf(const ScanSettings &settings, int field)
{
    const int *color = field == 1 && settings.ownHygroInk ? settings.curveColorHygro : settings.curveColor;
    guchar rgb[3];
    for (int k = 0; k < 3; ++k)
        rgb[k] = static_cast<guchar>(color[k]);
    RefColor ref;
    makeRefColor(ref, rgb);
    return ref;
}

int clampColumn(int x, int width)
{
    return std::clamp(x, 0, std::max(width - 1, 0));
}

int clampRow(int y, int height)
{
    return std::clamp(y, 0, std::max(height - 1, 0));
}
