// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_SYNTHHYGRO_H
#define VELLORA_SYNTHHYGRO_H

#include <vector>

#include "params.h"

// The printed scales of a chart, for drawing charts: kept apart from the
// program's own scales so that a wrong entry there shows as a reading error
// instead of agreeing with itself.

// Millimetres from the temperature field's outer edge at which a temperature
// (in the chart's unit) is printed: tempScale's ends, linear between.
double printedTemperatureMM(const Params &profile, double value);

class PrintedHygroScale {
public:
    PrintedHygroScale();   // the standard chart's
    // The profile's hygroScale pairs; the standard chart's without them.
    explicit PrintedHygroScale(const Params &profile);
    // Millimetres below the field's first row of a humidity, clamped to the
    // printed range: through every printed line, monotone between them.
    double toMM(double percent) const;

private:
    void setLines(std::vector<double> percentRising, std::vector<double> mmOfThem);

    std::vector<double> percent, mm, slope;
};

#endif
