// SPDX-License-Identifier: GPL-3.0-or-later
#include "inkfind.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "bytehistogram.h"
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

// The n / 2-th smallest of the n values counted.
int medianOf(const ByteHistogram &histogram)
{
    int n = 0;
    for (int count : histogram) n += count;
    return kthCountedValue(histogram, n / 2);
}

int medianOf(const std::vector<int> &values)
{
    ByteHistogram histogram{};
    for (int v : values) histogram[v]++;
    return medianOf(histogram);
}

// Rows read together, so that a band's pixels and its columns' excess both
// stay in the cache while the columns are walked.
const int kBand = 32;

// Whether the clearly printed pixels (dark, but no darker than their row or
// column) have the colour: then the "strokes" are print where lines cross.
bool hasPrintColour(const StrokeMap &map, const int rgb[3])
{
    ByteHistogram channel[3] = {};
    int printed = 0;
    for (int y0 = 0; y0 < map.height(); y0 += kBand)
        for (int x = 0; x < map.width(); x += 2)
            for (int y = y0; y < std::min(y0 + kBand, map.height()); y += 2) {
                const guchar *p = map.pixel(x, y);
                if (darknessOf(p) < kPrintDarkness || map.excess(x, y) >= map.strokeLevel() / 2) continue;
                for (int c = 0; c < 3; c++) channel[c][p[c]]++;
                printed++;
            }
    if (!printed) return false;
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
        const int best = map.peakRow(x);
        if (map.excess(x, best) < map.penLevel()) continue;
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
