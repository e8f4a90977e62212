// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_VALUESCALE_H
#define VELLORA_VALUESCALE_H

#include "params.h"
#include "splinecurve.h"

// The printed temperature scale: tempScale's first value at the field's first
// row (its outer edge), the second at its far edge, linear between, in the
// chart's unit; the offset is added to every reading.
class TempScale {
public:
    TempScale(const Params &params, double offset);
    double valueAtRow(double row) const;   // row of the field image
    double mmOf(double value) const;       // where the value is printed

private:
    double pixelsPerMM, heightMM, outer, span, offset;
};

// A temperature of the chart's unit (tempUnit) in degrees Celsius.
double celsiusOf(const Params &params, double temperature);

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
