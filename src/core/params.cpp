#include "params.h"

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
}

int loadParamFile(Params &params, const char *path)
{
    FILE *f = std::fopen(path, "r");
    if (!f)
        return -1;
    // Lines longer than the buffer arrive in pieces, each counted and
    // handled as a line of its own.
    char line[220];
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

std::string paramFileStopMessage(const char *path, int result)
{
    if (result <= 0)
        return std::string();
    return std::string(path) + ": line " + std::to_string(result) +
           " not understood; the lines after it are ignored";
}
