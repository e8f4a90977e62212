// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_SPLINECURVE_H
#define VELLORA_SPLINECURVE_H

#include <vector>

// A natural smoothing spline through a fixed number of points with one weight.
// Order of use: construct, begin, add x capacity, fit, value.
class SplineCurve {
public:
    SplineCurve(unsigned count, double weight);
    ~SplineCurve();
    SplineCurve(const SplineCurve &) = delete;
    SplineCurve &operator=(const SplineCurve &) = delete;

    int begin();
    int add(double x, double y);
    int fit();
    // Value at xv clamped to the range of the points.
    double value(double xv) const;

    bool isReady() const { return ready != 0; }

private:
    unsigned capacity;
    double *y, *x, *w;
    double *a, *b, *c, *d;
    int ready;
    double weight;
    unsigned added;
};

// A cubic through points of rising x and strictly monotone y that is exact at
// them and never overshoots between them (Fritsch-Carlson slopes).
class MonotoneCurve {
public:
    MonotoneCurve() = default;
    // n >= 2 points; fewer leave the curve empty.
    MonotoneCurve(const double *x, const double *y, int n);
    bool empty() const { return xs.empty(); }
    double value(double x) const;     // x clamped to the points' range
    double inverse(double y) const;   // the x of value y, y clamped to the range

private:
    int segmentOf(double x) const;
    double valueIn(int k, double x) const;

    std::vector<double> xs, ys, slopes;
};

struct Params;

// Hygrometer scale: chart millimetres below the field's top row (the edge
// toward the gap) <-> percent.
class HygroScale {
public:
    HygroScale();                          // the standard chart's built-in scale
    explicit HygroScale(const Params &params);   // its hygroScale pairs, else built-in
    void setOffset(double mm) { offset = mm; }
    double getOffset() const { return offset; }
    double toPercent(double mm) const;   // clamped to the scale's range (0..100 built in)
    double toMM(double percent) const;   // percent clamped likewise, minus offset

private:
    void fitBuiltIn();

    double offset;
    double lowPercent, highPercent;
    // The built-in scale is the smoothed fit the tables have always used;
    // pairs given by the profile are followed exactly.
    SplineCurve percentToMM;
    SplineCurve mmToPercent;
    MonotoneCurve pairs;   // mm of percent; empty for the built-in scale
};

#endif
