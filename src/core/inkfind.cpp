// SPDX-License-Identifier: GPL-3.0-or-later
#include "inkfind.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "pixel.h"
#include "reasons.h"
#include "scanraster.h"

namespace {

// Columns of ink a sure colour needs (a few centimetres of trace).
const double kSureColumns = 200.0;
// Spread of the sampled colours (grey levels) up to which a colour is sure,
// and the further spread over which confidence falls to 0.
const double kSureSpread = 12.0;
const double kSpreadFalloff = 30.0;
// What is left of the confidence when the strokes have the print's colour.
const double kPrintLikeShare = 0.3;
// Darkness of pixels surely printed (grey levels below white).
const int kPrintDarkness = 40;

int medianOf(std::vector<int> v)
{
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// Whether the clearly printed pixels (dark, but no darker than their row or
// column) have the colour: then the "strokes" are print where lines cross.
bool hasPrintColour(const StrokeMap &map, const int rgb[3])
{
    std::vector<int> channel[3];
    for (int y = 0; y < map.height(); y += 2)
        for (int x = 0; x < map.width(); x += 2) {
            const guchar *p = map.pixel(x, y);
            if (darknessOf(p) < kPrintDarkness || map.excess(x, y) >= map.strokeLevel() / 2) continue;
            for (int c = 0; c < 3; c++) channel[c].push_back(p[c]);
        }
    if (channel[0].empty()) return false;
    const guchar ink[3] = {guchar(rgb[0]), guchar(rgb[1]), guchar(rgb[2])};
    const guchar print[3] = {guchar(medianOf(channel[0])), guchar(medianOf(channel[1])), guchar(medianOf(channel[2]))};
    RefColor ref;
    makeRefColor(ref, ink);
    return isInk(ref, print);
}

}  // namespace

InkSearch findFieldInk(const StrokeMap &map)
{
    InkSearch out{{0, 0, 0}, 0.0, ""};
    // The strongest stroke pixel of each column is the middle of the pen's
    // line, where its colour is not mixed with the paper.
    std::vector<int> channel[3];
    for (int x = 0; x < map.width(); x++) {
        int best = -1, strongest = map.penLevel() - 1;
        for (int y = 0; y < map.height(); y++)
            if (map.excess(x, y) > strongest) strongest = map.excess(x, y), best = y;
        if (best < 0) continue;
        const guchar *p = map.pixel(x, best);
        for (int c = 0; c < 3; c++) channel[c].push_back(p[c]);
    }
    if (channel[0].empty()) {
        out.reason = "no ink found";
        return out;
    }
    double spread = 0;
    for (int c = 0; c < 3; c++) {
        out.rgb[c] = medianOf(channel[c]);
        std::vector<int> deviation(channel[c].size());
        for (size_t i = 0; i < deviation.size(); i++) deviation[i] = std::abs(channel[c][i] - out.rgb[c]);
        spread = std::max(spread, double(medianOf(deviation)));
    }
    double amount = std::min(1.0, channel[0].size() / kSureColumns);
    double purity = std::clamp(1.0 - (spread - kSureSpread) / kSpreadFalloff, 0.0, 1.0);
    bool printLike = hasPrintColour(map, out.rgb);
    out.confidence = amount * purity * (printLike ? kPrintLikeShare : 1.0);
    if (amount < 1.0) appendReason(out.reason, "little ink found");
    if (purity < 1.0) appendReason(out.reason, "the strokes differ in colour");
    if (printLike) appendReason(out.reason, "the strokes have the print's colour");
    return out;
}
