// SPDX-License-Identifier: GPL-3.0-or-later
#include "valuescale.h"

#include "cutout.h"

TempScale::TempScale(const Params &params, double offset)
    : pixelsPerMM(params.dstPixelsPerMM), heightMM(params.srcFieldHeightMM),
      outer(params.tempScale[0]), span(params.tempScale[0] - params.tempScale[1]), offset(offset)
{
}

double TempScale::valueAtRow(double row) const
{
    // This order of operations is what the table files have always held.
    return row * -span / (pixelsPerMM * heightMM) + offset + outer;
}

double TempScale::mmOf(double value) const
{
    return (outer - value + offset) * heightMM / span;
}

double celsiusOf(const Params &params, double temperature)
{
    return params.tempUnit == TempFahrenheit ? (temperature - 32.0) * 5.0 / 9.0 : temperature;
}

ValueScales::ValueScales(const Params &params, const double offsets[2])
    : pixelsPerMM(params.dstPixelsPerMM), temp(params, offsets[SubImgTemp]), hygro(params)
{
    hygro.setOffset(offsets[SubImgHygro]);
}

double ValueScales::valueAtRow(int field, double row) const
{
    return field == SubImgTemp ? temp.valueAtRow(row) : hygro.toPercent(row / pixelsPerMM);
}

double ValueScales::mmOf(int field, double value) const
{
    return field == SubImgTemp ? temp.mmOf(value) : hygro.toMM(value);
}
