#ifndef VELLORA_SPLINECURVE_H
#define VELLORA_SPLINECURVE_H

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

    unsigned getCapacity() const { return capacity; }
    bool isReady() const { return ready != 0; }

private:
    unsigned capacity;
    double *y, *x, *w;
    double *a, *b, *c, *d;
    int ready;
    double weight;
    unsigned added;
};

// Hygrometer scale: chart millimetres below the field's top row <-> percent.
class HygroScale {
public:
    HygroScale();
    void setOffset(double mm) { offset = mm; }
    double getOffset() const { return offset; }
    double toPercent(double mm) const;   // clamped to 0..100
    double toMM(double percent) const;   // percent clamped to 0..100, minus offset

private:
    double offset;
    SplineCurve percentToMM;
    SplineCurve mmToPercent;
};

#endif
