// SPDX-License-Identifier: GPL-3.0-or-later
#include "synthlayout.h"

#include <algorithm>
#include <cmath>

namespace {

// Paper margins around the two fields, mm.
const double kMarginSide = 10.0;
const double kMarginEnds = 16.0;
// Slowest paper feed we draw (a month-long chart feeds about 0.4 mm/h).
const double kMinMMPerHour = 0.2;
// Largest scan we agree to draw.
const double kMaxScanPixels = 300.0e6;
// The first printed time line lies this far (mm) beyond the largest arc offset.
const double kLineLead = 2.0;

bool optionsUsable(const ChartOptions &o)
{
    const Params &p = o.params;
    const double tallest = std::max(p.srcFieldHeightMM, fieldHeightMM(p, 1));
    bool geometry = p.srcFieldWidthMM > 20 && p.srcFieldWidthMM < 2000 && p.srcFieldHeightMM > 10 &&
                    fieldHeightMM(p, 1) > 10 && tallest < 500 && p.srcFieldDistMM >= 0 && p.srcFieldDistMM < 500 &&
                    p.srcRadiusMM > 0.5 * tallest && p.srcRadiusMM < 1e5 && p.dstPixelsPerMM > 0 &&
                    p.dstPixelsPerMM < 100;
    bool rotation = o.maxRotationDeg >= 0 && o.maxRotationDeg <= 10 &&
                    (!o.rotationDeg || std::fabs(*o.rotationDeg) <= 10);
    return geometry && rotation && o.dpi >= 50 && o.dpi <= 1200 && o.hours >= 1 && o.hours <= 744 &&
           o.noiseSigma >= 0 && o.noiseSigma <= 100 && (o.mmPerHour == 0 || o.mmPerHour >= kMinMMPerHour) &&
           (o.timeStep == 10 || o.timeStep == 60) && o.jpegQuality >= 0 && o.jpegQuality <= 100 &&
           o.penWidthMM > 0 && o.penWidthMM <= 3;
}

void placeOnScanner(const ChartOptions &o, Rng &rng, ChartLayout &L)
{
    double angle = o.rotationDeg ? *o.rotationDeg : rng.uniform(-o.maxRotationDeg, o.maxRotationDeg);
    L.cosA = std::cos(angle * M_PI / 180.0);
    L.sinA = std::sin(angle * M_PI / 180.0);
    double left = rng.uniform(4, 12), right = rng.uniform(4, 12);
    double top = rng.uniform(4, 12), bottom = rng.uniform(4, 12);
    double ac = std::fabs(L.cosA), as = std::fabs(L.sinA);
    double boxW = L.paperW * ac + L.paperH * as;
    double boxH = L.paperW * as + L.paperH * ac;
    L.scanW = int(std::ceil((boxW + left + right) * L.dpmm));
    L.scanH = int(std::ceil((boxH + top + bottom) * L.dpmm));
    // Pixel X covers [X-0.5, X+0.5), so the scan starts at -0.5.
    L.scanCentre = {-0.5 + (left + boxW / 2) * L.dpmm, -0.5 + (top + boxH / 2) * L.dpmm};
}

}  // namespace

Vec2 ChartLayout::paperToScan(Vec2 paper) const
{
    double dx = (paper.x - paperCentre.x) * dpmm, dy = (paper.y - paperCentre.y) * dpmm;
    return {scanCentre.x + cosA * dx - sinA * dy, scanCentre.y + sinA * dx + cosA * dy};
}

Vec2 ChartLayout::scanToPaper(Vec2 scan) const
{
    double dx = (scan.x - scanCentre.x) / dpmm, dy = (scan.y - scanCentre.y) / dpmm;
    return {paperCentre.x + cosA * dx + sinA * dy, paperCentre.y - sinA * dx + cosA * dy};
}

int makeLayout(const ChartOptions &o, const DateTime &start, Rng &rng, ChartLayout &L)
{
    if (!optionsUsable(o)) return SynthBadOptions;
    const Params &p = o.params;
    L.W = p.srcFieldWidthMM;
    L.H = p.srcFieldHeightMM;
    L.Hh = fieldHeightMM(p, 1);
    L.profile = p;
    L.D = p.srcFieldDistMM;
    L.R = p.srcRadiusMM;
    L.p = p.dstPixelsPerMM;
    const double tallest = std::max(L.H, L.Hh);
    L.sagitta = L.R - std::sqrt(L.R * L.R - 0.25 * tallest * tallest);
    L.dpmm = o.dpi / 25.4;

    L.paperW = L.H + L.D + L.Hh + 2 * kMarginSide;
    L.paperH = L.W + 2 * kMarginEnds;
    L.fieldLeft = kMarginSide;
    L.fieldBottom = kMarginEnds + L.W;
    L.paperCentre = {L.paperW / 2, L.paperH / 2};
    placeOnScanner(o, rng, L);
    if (double(L.scanW) * L.scanH > kMaxScanPixels) return SynthBadOptions;

    L.minutes = o.hours * 60;
    L.startClockMinute = start.hour * 60 + start.minute;
    L.startWeekday = weekday(start.year, start.month, start.day);
    double lead = L.sagitta + kLineLead + rng.uniform(0, 2);
    // The trace may start up to one line spacing after the first line.
    L.mmPerHour = o.mmPerHour > 0 ? o.mmPerHour : (L.W - L.sagitta - 8.0) / (o.hours + 2.0);
    // Printed time lines as close as 2.5 mm, but at a clock-friendly spacing.
    L.lineMinutes = spacingAtLeast(L.mmPerHour, {10, 15, 20, 30, 60, 120}, 2.5);
    L.firstLineMinute = -(L.startClockMinute % L.lineMinutes);
    L.startColumnMM = lead - L.mmPerHour * L.firstLineMinute / 60.0;
    if (L.columnMM(L.minutes) > L.W - 1.0) return SynthBadOptions;
    return SynthOk;
}

bool ChartLayout::cropBox(const double marginMM[4], int box[4]) const
{
    if (std::max({marginMM[0], marginMM[1], marginMM[2], marginMM[3]}) < 0) return false;
    Vec2 corners[4] = {fieldToScan(0, 0, 0), fieldToScan(0, W, 0), fieldToScan(1, 0, H), fieldToScan(1, W, H)};
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    for (const Vec2 &c : corners) {
        lo[0] = std::min(lo[0], c.x), lo[1] = std::min(lo[1], c.y);
        hi[0] = std::max(hi[0], c.x), hi[1] = std::max(hi[1], c.y);
    }
    int limit[2] = {scanW, scanH};
    for (int k = 0; k < 2; k++) {
        box[k] = marginMM[k] < 0 ? 0 : std::max(0, int(std::floor(lo[k] - marginMM[k] * dpmm)));
        box[k + 2] = marginMM[k + 2] < 0 ? limit[k] : std::min(limit[k], int(std::ceil(hi[k] + marginMM[k + 2] * dpmm)) + 1);
    }
    return box[2] > box[0] && box[3] > box[1];
}

int spacingAtLeast(double mmPerHour, std::initializer_list<int> candidates, double minMM)
{
    int last = 0;
    for (int m : candidates) {
        last = m;
        if (mmPerHour * m / 60.0 >= minMM) break;
    }
    return last;
}

void extendBox(const ChartLayout &L, const std::vector<Vec2> &uv, double widthMM, Disturbance &box)
{
    double pad = 0.5 * widthMM * L.p;
    for (const Vec2 &q : uv) {
        double x = L.p * (q.x + L.arcOffset(box.field, q.y)), y = L.p * q.y;
        box.x0 = std::min(box.x0, x - pad);
        box.x1 = std::max(box.x1, x + pad);
        box.y0 = std::min(box.y0, y - pad);
        box.y1 = std::max(box.y1, y + pad);
    }
}

void FieldPen::polyline(int field, const std::vector<Vec2> &uv, double widthMM, double alpha,
                        Disturbance *box)
{
    std::vector<Vec2> scan;
    scan.reserve(uv.size());
    for (const Vec2 &q : uv) scan.push_back(L.fieldToScan(field, q.x, q.y));
    layer.polyline(scan, 0.5 * widthMM * L.dpmm, alpha);
    if (box) extendBox(L, uv, widthMM, *box);
}

int weekday(int year, int month, int day)
{
    // Sakamoto's method gives 0 = Sunday.
    static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) year -= 1;
    int w = (year + year / 4 - year / 100 + year / 400 + t[month - 1] + day) % 7;
    return (w + 6) % 7;
}
