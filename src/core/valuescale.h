#ifndef VELLORA_VALUESCALE_H
#define VELLORA_VALUESCALE_H

#include "params.h"
#include "splinecurve.h"

// The printed temperature scale: +45 °C at the field's first row, -35 °C at
// its far edge, linear between; the offset is added to every reading.
class TempScale {
public:
    TempScale(const Params &params, double offset);
    double valueAtRow(double row) const;   // row of the field image
    double mmOf(double value) const;       // where the value is printed

private:
    double pixelsPerMM, heightMM, offset;
};

// Both fields' scales with the scan's offsets: what the tables read and where
// the views draw the scale grid.
struct ValueScales {
    ValueScales(const Params &params, const double offsets[2]);
    double valueAtRow(int field, double row) const;
    double mmOf(int field, double value) const;

    double pixelsPerMM;
    TempScale temp;
    HygroScale hygro;
};

#endif
