#ifndef VELLORA_PARAMS_H
#define VELLORA_PARAMS_H

#include <string>

// Chart geometry, default colours and fit tuning, read from "vellora.ini".
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
};

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

#endif
