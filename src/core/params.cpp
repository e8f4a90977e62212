// SPDX-License-Identifier: GPL-3.0-or-later
#include "params.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <glib.h>

namespace {

const int kParamLineBuffer = 220;

void setColor(unsigned char rgb[3], unsigned char r, unsigned char g, unsigned char b)
{
    rgb[0] = r;
    rgb[1] = g;
    rgb[2] = b;
}

// The value follows the key word and white space; the key word itself was
// already matched by prefix and is only skipped here. Skipping instead of
// copying it means no key word, however long, can overflow anything.
const char *skipKeyWord(const char *line)
{
    while (std::isspace(static_cast<unsigned char>(*line)))
        ++line;
    if (*line == '\0')
        return nullptr;
    while (*line != '\0' && !std::isspace(static_cast<unsigned char>(*line)))
        ++line;
    return line;
}

// Reads one decimal integer after optional white space, as "%d" would, but
// refuses values that do not fit instead of wrapping them.
bool readLong(const char **p, long lo, long hi, long *v)
{
    char *end;
    errno = 0;
    long n = std::strtol(*p, &end, 10);
    if (end == *p || errno == ERANGE || n < lo || n > hi)
        return false;
    *p = end;
    *v = n;
    return true;
}

// As "%lf", but only finite numbers: nan or inf in a geometry value would
// poison every later computation.
bool readFinite(const char **p, double *v)
{
    char *end;
    // The file's numbers carry a point whatever the locale.
    double d = g_ascii_strtod(*p, &end);
    if (end == *p || !std::isfinite(d))
        return false;
    *p = end;
    *v = d;
    return true;
}

// Only blanks and the line end may follow the values of a profile key.
bool atLineEnd(const char *p)
{
    while (std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    return *p == '\0';
}

bool strictlyMonotone(const double *v, int n, int direction)
{
    for (int i = 1; i < n; ++i) {
        if (!((v[i] - v[i - 1]) * direction > 0.0))
            return false;
    }
    return true;
}

typedef int (*ParamParser)(const char *line, Params &params);

struct ParamKey {
    const char *key;
    ParamParser parse;
};

const ParamKey paramKeys[] = {
    {"edgePassColor", [](const char *l, Params &p) { return parseColorParam(l, p.edgePassColor); }},
    {"curvePassColor", [](const char *l, Params &p) { return parseColorParam(l, p.curvePassColor); }},
    {"srcInkColor", [](const char *l, Params &p) { return parseColorParam(l, p.srcInkColor); }},
    {"dstCurveColor", [](const char *l, Params &p) { return parseColorParam(l, p.dstCurveColor); }},
    {"dstTimeColor", [](const char *l, Params &p) { return parseColorParam(l, p.dstTimeColor); }},
    {"dstGridColor", [](const char *l, Params &p) { return parseColorParam(l, p.dstGridColor); }},
    {"dstCurveFilter", [](const char *l, Params &p) { return parseDoubleParam(l, &p.dstCurveFilter); }},
    {"srcFieldWidthMM", [](const char *l, Params &p) { return parseDoubleParam(l, &p.srcFieldWidthMM); }},
    {"srcFieldHeightMM", [](const char *l, Params &p) { return parseDoubleParam(l, &p.srcFieldHeightMM); }},
    {"srcFieldDistMM", [](const char *l, Params &p) { return parseDoubleParam(l, &p.srcFieldDistMM); }},
    {"srcRadiusMM", [](const char *l, Params &p) { return parseDoubleParam(l, &p.srcRadiusMM); }},
    {"srcMMPerHour", [](const char *l, Params &p) { return parseDoubleParam(l, &p.srcMMPerHour); }},
    {"dstPixelsPerMM", [](const char *l, Params &p) { return parseDoubleParam(l, &p.dstPixelsPerMM); }},
    {"minKnotWeight", [](const char *l, Params &p) { return parseIntParam(l, &p.minKnotWeight); }},
    {"knotsPerSample", [](const char *l, Params &p) { return parseDoubleParam(l, &p.knotsPerSample); }},
    {"numFieldPassPoints", [](const char *l, Params &p) { return parseIntParam(l, &p.numFieldPassPoints); }},
    // None of these begins with a key above, nor a key above with one of them.
    {"srcHygroFieldHeightMM", [](const char *l, Params &p) { return parseHeightParam(l, &p.srcHygroFieldHeightMM); }},
    {"tempScale", [](const char *l, Params &p) { return parseTempScaleParam(l, p.tempScale); }},
    {"tempUnit", [](const char *l, Params &p) { return parseTempUnitParam(l, &p.tempUnit); }},
    {"hygroScale", [](const char *l, Params &p) { return parseHygroScaleParam(l, p); }},
    {"hygroInkColor", [](const char *l, Params &p) {
         const int error = parseColorParam(l, p.hygroInkColor);
         p.hasHygroInkColor = p.hasHygroInkColor || error == 0;
         return error;
     }},
};

bool isSkippedLine(const char *line)
{
    return line[0] == '\n' || line[0] == '\r' || line[0] == '#';
}

// Every key is tested, so the last matching key's parser decides.
int parseParamLine(const char *line, Params &params)
{
    int error = 1;
    for (const ParamKey &k : paramKeys) {
        if (std::strncmp(line, k.key, std::strlen(k.key)) == 0)
            error = k.parse(line, params);
    }
    return error;
}

} // namespace

void setParamDefaults(Params &params)
{
    setColor(params.edgePassColor, 255, 255, 0);
    setColor(params.curvePassColor, 0, 255, 0);
    setColor(params.srcInkColor, 155, 132, 192);
    setColor(params.dstCurveColor, 0, 200, 0);
    setColor(params.dstTimeColor, 250, 250, 250);
    setColor(params.dstGridColor, 200, 150, 128);
    params.dstCurveFilter = 0.5;
    params.srcFieldWidthMM = 286.5;
    params.srcFieldHeightMM = 82.0;
    params.srcFieldDistMM = 10.7;
    params.srcRadiusMM = 150.0;
    params.srcMMPerHour = 0.0;
    params.dstPixelsPerMM = 8.0;
    params.minKnotWeight = 150;
    params.knotsPerSample = 2.0;
    params.numFieldPassPoints = 0;
    params.srcHygroFieldHeightMM = 0.0;
    params.tempScale[0] = 45.0;
    params.tempScale[1] = -35.0;
    params.tempUnit = TempCelsius;
    params.hygroPairCount = 0;
    params.hasHygroInkColor = false;
    setColor(params.hygroInkColor, 0, 0, 0);
}

double fieldHeightMM(const Params &params, int field)
{
    return field == 1 && params.srcHygroFieldHeightMM > 0.0 ? params.srcHygroFieldHeightMM
                                                            : params.srcFieldHeightMM;
}

const unsigned char *hygroInkColorOf(const Params &params)
{
    return params.hasHygroInkColor ? params.hygroInkColor : params.srcInkColor;
}

int loadParamFile(Params &params, const char *path)
{
    FILE *f = std::fopen(path, "r");
    if (!f)
        return -1;
    // Lines longer than the buffer arrive in pieces, each counted and
    // handled as a line of its own.
    char line[kParamLineBuffer];
    int lineNo = 0;
    int result = 0;
    while (std::fgets(line, sizeof line, f)) {
        ++lineNo;
        if (isSkippedLine(line))
            continue;
        if (parseParamLine(line, params) != 0) {
            result = lineNo;
            break;
        }
    }
    std::fclose(f);
    return result;
}

int parseColorParam(const char *line, unsigned char rgb[3])
{
    const char *p = skipKeyWord(line);
    long c[3];
    if (!p)
        return 1;
    for (long &v : c) {
        if (!readLong(&p, 0, 255, &v))
            return 1;
    }
    setColor(rgb, static_cast<unsigned char>(c[0]), static_cast<unsigned char>(c[1]),
             static_cast<unsigned char>(c[2]));
    return 0;
}

int parseDoubleParam(const char *line, double *value)
{
    const char *p = skipKeyWord(line);
    double v;
    if (!p || !readFinite(&p, &v))
        return 1;
    *value = v;
    return 0;
}

int parseIntParam(const char *line, int *value)
{
    const char *p = skipKeyWord(line);
    long v;
    if (!p || !readLong(&p, INT_MIN, INT_MAX, &v))
        return 1;
    *value = static_cast<int>(v);
    return 0;
}

int parseHeightParam(const char *line, double *value)
{
    const char *p = skipKeyWord(line);
    double v;
    if (!p || !readFinite(&p, &v) || !(v > 0.0) || !atLineEnd(p))
        return 1;
    *value = v;
    return 0;
}

int parseTempScaleParam(const char *line, double scale[2])
{
    const char *p = skipKeyWord(line);
    double outer, inner;
    if (!p || !readFinite(&p, &outer) || !readFinite(&p, &inner) || outer == inner ||
        !atLineEnd(p))
        return 1;
    scale[0] = outer;
    scale[1] = inner;
    return 0;
}

int parseTempUnitParam(const char *line, TempUnit *unit)
{
    const char *p = skipKeyWord(line);
    while (p && (*p == ' ' || *p == '\t'))
        ++p;
    if (!p || (*p != 'C' && *p != 'F') || !atLineEnd(p + 1))
        return 1;
    *unit = *p == 'C' ? TempCelsius : TempFahrenheit;
    return 0;
}

int parseHygroScaleParam(const char *line, Params &params)
{
    const char *p = skipKeyWord(line);
    double percent[kMaxHygroPairs], mm[kMaxHygroPairs];
    int n = 0;
    while (p && !atLineEnd(p)) {
        if (n == kMaxHygroPairs || !readFinite(&p, &percent[n]) || !readFinite(&p, &mm[n]) ||
            percent[n] < 0.0 || percent[n] > 100.0)
            return 1;
        ++n;
    }
    const bool monotone = n >= 2 && strictlyMonotone(mm, n, 1) &&
                          (strictlyMonotone(percent, n, 1) || strictlyMonotone(percent, n, -1));
    // A line the reader had to cut would lose its last pairs unnoticed.
    const bool whole = std::strchr(line, '\n') || std::strlen(line) < kParamLineBuffer - 1;
    if (!monotone || !whole)
        return 1;
    params.hygroPairCount = n;
    std::copy(percent, percent + n, params.hygroPercent);
    std::copy(mm, mm + n, params.hygroMM);
    return 0;
}

namespace {

// The shortest text that reads back to v, so that lines stay short.
std::string numberText(double v)
{
    char text[G_ASCII_DTOSTR_BUF_SIZE];
    for (const char *format : {"%.15g", "%.16g"}) {
        g_ascii_formatd(text, sizeof text, format, v);
        if (g_ascii_strtod(text, nullptr) == v)
            return text;
    }
    return g_ascii_formatd(text, sizeof text, "%.17g", v);
}

std::string colorLine(const char *key, const unsigned char rgb[3])
{
    return std::string(key) + " " + std::to_string(rgb[0]) + " " + std::to_string(rgb[1]) + " " +
           std::to_string(rgb[2]) + "\n";
}

std::string numberLine(const char *key, double v)
{
    return std::string(key) + " " + numberText(v) + "\n";
}

} // namespace

std::string paramFileText(const Params &params)
{
    std::string text = colorLine("edgePassColor", params.edgePassColor) +
                       colorLine("curvePassColor", params.curvePassColor) +
                       colorLine("srcInkColor", params.srcInkColor) +
                       colorLine("dstCurveColor", params.dstCurveColor) +
                       colorLine("dstTimeColor", params.dstTimeColor) +
                       colorLine("dstGridColor", params.dstGridColor) +
                       numberLine("dstCurveFilter", params.dstCurveFilter) +
                       numberLine("srcFieldWidthMM", params.srcFieldWidthMM) +
                       numberLine("srcFieldHeightMM", params.srcFieldHeightMM) +
                       numberLine("srcFieldDistMM", params.srcFieldDistMM) +
                       numberLine("srcRadiusMM", params.srcRadiusMM) +
                       numberLine("srcMMPerHour", params.srcMMPerHour) +
                       numberLine("dstPixelsPerMM", params.dstPixelsPerMM) +
                       "minKnotWeight " + std::to_string(params.minKnotWeight) + "\n" +
                       numberLine("knotsPerSample", params.knotsPerSample) +
                       "numFieldPassPoints " + std::to_string(params.numFieldPassPoints) + "\n";
    if (params.srcHygroFieldHeightMM > 0.0)
        text += numberLine("srcHygroFieldHeightMM", params.srcHygroFieldHeightMM);
    text += "tempScale " + numberText(params.tempScale[0]) + " " + numberText(params.tempScale[1]) +
            "\ntempUnit " + (params.tempUnit == TempCelsius ? "C" : "F") + "\n";
    if (params.hygroPairCount > 0) {
        text += "hygroScale";
        for (int i = 0; i < params.hygroPairCount; ++i)
            text += " " + numberText(params.hygroPercent[i]) + " " + numberText(params.hygroMM[i]);
        text += "\n";
    }
    if (params.hasHygroInkColor)
        text += colorLine("hygroInkColor", params.hygroInkColor);
    return text;
}

std::string paramFileStopMessage(const char *path, int result)
{
    if (result <= 0)
        return std::string();
    return std::string(path) + ": line " + std::to_string(result) +
           " not understood; the lines after it are ignored";
}
