// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_PARAMS_H
#define VELLORA_PARAMS_H

#include <string>

enum TempUnit { TempCelsius, TempFahrenheit };

// Most pairs a hygroScale line can hold (it must fit one line of the file).
const int kMaxHygroPairs = 40;

// Chart geometry, default colours and fit tuning, read from "vellora.ini".
// The profile keys of another chart make default to the standard chart.
struct Params {
    unsigned char edgePassColor[3];
    unsigned char curvePassColor[3];
    unsigned char srcInkColor[3];
    unsigned char dstCurveColor[3];
    unsigned char dstTimeColor[3];
    unsigned char dstGridColor[3];
    double dstCurveFilter;
    double srcFieldWidthMM;
    double srcFieldHeightMM;
    double srcFieldDistMM;
    double srcRadiusMM;
    double srcMMPerHour;
    double dstPixelsPerMM;
    int minKnotWeight;
    double knotsPerSample;
    int numFieldPassPoints;
    double srcHygroFieldHeightMM;   // 0: as srcFieldHeightMM (hygroFieldHeightMM)
    double tempScale[2];            // printed at the outer edge, at the edge toward the gap
    TempUnit tempUnit;
    int hygroPairCount;             // 0: the built-in scale
    double hygroPercent[kMaxHygroPairs];   // strictly monotone
    double hygroMM[kMaxHygroPairs];        // from the edge toward the gap, strictly rising
    bool hasHygroInkColor;          // else srcInkColor (hygroInkColorOf)
    unsigned char hygroInkColor[3];
};

// The height of a field (0 temperature, 1 hygrometer) in mm.
double fieldHeightMM(const Params &params, int field);
const unsigned char *hygroInkColorOf(const Params &params);

void setParamDefaults(Params &params);

// 0 after the whole file, -1 when it cannot be opened, else the 1-based number
// of the line at which reading stopped. Values read before that line stay.
int loadParamFile(Params &params, const char *path);

// What the user is told when reading stopped at a line (result > 0 of
// loadParamFile): "PATH: line N not understood; ...". Empty otherwise.
std::string paramFileStopMessage(const char *path, int result);

// Each parses one line "key value..."; 0 on success, 1 on failure (target untouched).
int parseColorParam(const char *line, unsigned char rgb[3]);
int parseDoubleParam(const char *line, double *value);
int parseIntParam(const char *line, int *value);
// The profile keys' values: a height above 0; two different temperatures;
// "C" or "F"; at least two "percent mm" pairs as described at Params. Nothing
// but blanks may follow.
int parseHeightParam(const char *line, double *value);
int parseTempScaleParam(const char *line, double scale[2]);
int parseTempUnitParam(const char *line, TempUnit *unit);
int parseHygroScaleParam(const char *line, Params &params);

// Every key with its value, one per line, numbers exact: loadParamFile reads
// it back to the same Params.
std::string paramFileText(const Params &params);

#endif
