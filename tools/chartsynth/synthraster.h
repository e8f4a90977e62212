// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_SYNTHRASTER_H
#define VELLORA_SYNTHRASTER_H

// Drawing primitives of the chart synthesiser: a seeded random source that
// gives the same numbers on every platform, coverage layers with
// anti-aliased strokes, and smooth value noise.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry.h"

// splitmix64; independent streams come from distinct stream numbers.
class Rng {
public:
    Rng(uint64_t seed, uint64_t stream);
    uint64_t next();
    double uniform();                    // [0, 1)
    double uniform(double lo, double hi);
    int range(int lo, int hi);           // lo..hi inclusive
    double gauss();                      // standard normal

private:
    uint64_t state;
};

// Area of the pixel footprint [d-0.5, d+0.5] covered by a band of half width
// halfWidth around 0 (all in pixels): exact box filtering across a line edge.
inline double bandCoverage(double d, double halfWidth)
{
    if (d < 0) d = -d;
    double lo = d - 0.5 > -halfWidth ? d - 0.5 : -halfWidth;
    double hi = d + 0.5 < halfWidth ? d + 0.5 : halfWidth;
    return hi > lo ? hi - lo : 0.0;
}

// One byte of coverage per scan pixel; strokes combine by maximum so that
// overlapping pieces of one stroke do not darken each other.
class CoverageLayer {
public:
    CoverageLayer(int width, int height);
    // Capsule from a to b (scan pixels) of half width hw pixels, at strength alpha.
    void stroke(Vec2 a, Vec2 b, double hw, double alpha);
    void polyline(const std::vector<Vec2> &points, double hw, double alpha);
    const unsigned char *row(int y) const { return &cov[size_t(y) * width]; }

private:
    int width, height;
    std::vector<unsigned char> cov;
};

// Bilinear value noise on a lattice of 2^cellShift pixels, values in [-1, 1].
class ValueNoise {
public:
    ValueNoise(int width, int height, int cellShift, Rng &rng);
    // Lattice row and weight of pixel row y, reused across a scan line.
    struct RowPos {
        const float *r0, *r1;
        float fy;
    };
    RowPos rowPos(int y) const;
    float at(const RowPos &rp, int x) const
    {
        int ix = x >> shift;
        float fx = float(x & mask) * inv;
        float a = rp.r0[ix] + (rp.r0[ix + 1] - rp.r0[ix]) * fx;
        float b = rp.r1[ix] + (rp.r1[ix + 1] - rp.r1[ix]) * fx;
        return a + (b - a) * rp.fy;
    }

private:
    int shift, mask, cols;
    float inv;
    std::vector<float> lattice;
};

// Single-stroke glyphs for printed labels and handwriting. A glyph is drawn in
// a box 4 units wide and 6 high, y up; advance 6 units.
struct GlyphStyle {
    double height;     // mm, cap height
    double slant;      // x shift per unit of height
    double jitter;     // mm of random displacement per point (handwriting)
};
// Polylines in a plane given by origin (left end of the baseline), unit
// vectors along the baseline and up; unknown characters leave a blank.
std::vector<std::vector<Vec2>> layoutText(const char *text, Vec2 origin, Vec2 along, Vec2 up,
                                          const GlyphStyle &style, Rng *rng);
double textLength(const char *text, double height);

#endif
