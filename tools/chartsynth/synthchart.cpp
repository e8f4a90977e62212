// SPDX-License-Identifier: GPL-3.0-or-later
// Options, true curves and the chart's truth and geometry accessors.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "chartsynth.h"
#include "records.h"
#include "splinecurve.h"

namespace {

double sumOf(const std::vector<Sinusoid> &terms, double minute)
{
    double sum = 0;
    for (const Sinusoid &s : terms) sum += s.amplitude * std::sin(2 * M_PI * minute / s.periodMinutes + s.phase);
    return sum;
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

ChartOptions::ChartOptions()
    : seed(1), dpi(300), maxRotationDeg(1.5), noiseSigma(0), format(ScanFormat::Tiff), jpegQuality(90),
      hours(168), mmPerHour(0), timeStep(60), penWidthMM(0.35), degradationSeed(0), annotations(false), blots(false),
      gaps(false), inkGrid(false), longNotes(false), tapMarks(false), fadedInk(false),
      secondTurnHours(0), curlMM(0), passPointErrorPx(0)
{
    setParamDefaults(params);
    std::memcpy(gridColor, params.dstGridColor, 3);
    useProfile(params);
}

void ChartOptions::useProfile(const Params &profile)
{
    params = profile;
    std::memcpy(inkColor, profile.srcInkColor, 3);
    std::memcpy(hygroInkColor, hygroInkColorOf(profile), 3);
}

double ChartCurves::temperature(double minute) const
{
    double day = std::cos(2 * M_PI * (startClockMinute + minute - peakClockMinute) / 1440.0);
    return tempMean + tempDaily * day + sumOf(tempSlow, minute);
}

double ChartCurves::humidity(double minute) const
{
    // Relative humidity falls when the air warms: against the daily and slow temperature.
    double day = std::cos(2 * M_PI * (startClockMinute + minute - peakClockMinute) / 1440.0);
    return humMean - humDaily * day - humFromTemp * sumOf(tempSlow, minute) + sumOf(humSlow, minute);
}

SynthChart::SynthChart()
    : pass{}, datePos{-1, -1}, curveColor{0, 0, 0}, curveColorHygro{0, 0, 0}, timeStep(60), minutes(0), mmPerHour(0), rotationDeg(0),
      scanPixelsPerMM(0), startColumnMM(0), curves{}
{
    setParamDefaults(params);
}

SynthChart::~SynthChart() = default;
SynthChart::SynthChart(SynthChart &&) noexcept = default;
SynthChart &SynthChart::operator=(SynthChart &&) noexcept = default;

int SynthChart::minuteOf(const DateTime &t) const
{
    return dateVal[0].minutesUntil(t);
}

double SynthChart::chartTemperature(double celsius) const
{
    return params.tempUnit == TempFahrenheit ? celsius * 9.0 / 5.0 + 32.0 : celsius;
}

double SynthChart::temperatureAtMinute(double minute) const
{
    return minute >= 0 && minute <= minutes ? chartTemperature(curves.temperature(minute)) : kNaN;
}

double SynthChart::humidityAtMinute(double minute) const
{
    return minute >= 0 && minute <= minutes ? curves.humidity(minute) : kNaN;
}

double SynthChart::temperatureAt(const DateTime &t) const
{
    return t.status() == 0 ? temperatureAtMinute(minuteOf(t)) : kNaN;
}

double SynthChart::humidityAt(const DateTime &t) const
{
    return t.status() == 0 ? humidityAtMinute(minuteOf(t)) : kNaN;
}

double SynthChart::columnAt(double minute) const
{
    return params.dstPixelsPerMM * (startColumnMM + mmPerHour * minute / 60.0);
}

double SynthChart::temperatureRow(double value) const
{
    return params.dstPixelsPerMM * printedTemperatureMM(params, value);
}

double SynthChart::humidityRow(double percent) const
{
    return params.dstPixelsPerMM * hygro.toMM(percent);
}

double SynthChart::traceRow(int field, double minute) const
{
    return field == 0 ? temperatureRow(chartTemperature(curves.temperature(minute)))
                      : humidityRow(curves.humidity(minute));
}

std::string SynthChart::truthText() const
{
    std::string text;
    text.reserve(size_t(minutes + 1) * 32);
    DateTime t = dateVal[0];
    char line[96];
    for (int m = 0; m <= minutes; m++) {
        std::snprintf(line, sizeof line, "%04d-%02d-%02d %02d:%02d\t%.3f\t%.3f\n", t.year, t.month, t.day, t.hour,
                      t.minute, chartTemperature(curves.temperature(m)), curves.humidity(m));
        text += line;
        t.addMinute();
    }
    return text;
}

void SynthChart::storeRecords(FileCtx &ctx) const
{
    for (int i = 0; i < 3; i++) storePassPointRecord(ctx, i, PassPoint{1, pass[i].x, pass[i].y});
    for (int i = 0; i < 2; i++) {
        storeDatePosRecord(ctx, i, datePos[i]);
        storeDateValRecord(ctx, i, dateVal[i]);
    }
    storeTimeStepRecord(ctx, timeStep);
    storeCurveColorRecord(ctx, "CurveColor", curveColor);
    if (!std::equal(curveColor, curveColor + 3, curveColorHygro))
        storeCurveColorRecord(ctx, "CurveColorHygro", curveColorHygro);
}
