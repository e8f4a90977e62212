#include "valuescale.h"

#include "cutout.h"

namespace {

const double kTopTemperature = 45.0;
const double kTemperatureSpan = 80.0;

} // namespace

TempScale::TempScale(const Params &params, double offset)
    : pixelsPerMM(params.dstPixelsPerMM), heightMM(params.srcFieldHeightMM), offset(offset)
{
}

double TempScale::valueAtRow(double row) const
{
    // This order of operations is what the table files have always held.
    return row * -kTemperatureSpan / (pixelsPerMM * heightMM) + offset + kTopTemperature;
}

double TempScale::mmOf(double value) const
{
    return (kTopTemperature - value + offset) * heightMM / kTemperatureSpan;
}

ValueScales::ValueScales(const Params &params, const double offsets[2])
    : pixelsPerMM(params.dstPixelsPerMM), temp(params, offsets[SubImgTemp])
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
