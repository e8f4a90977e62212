// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordcheck.h"

#include <cmath>
#include <cstring>

#include "cutout.h"
#include "records.h"

namespace {

// Size of the field images; 0 where the parameters give none (the cut-out
// then fails on its own).
struct FieldSize {
    int columns, rows;
};

typedef bool (*Validator)(const char *value, const FieldSize &size);

bool validPassPoint(const char *v, const FieldSize &)
{
    PassPoint pp;
    return scanPassPoint(v, &pp);
}

// A mark is a column of the field images; -1 stands for "not set".
bool validMark(const char *v, const FieldSize &size)
{
    int column;
    return scanInt(v, &column) && column >= -1 && (size.columns == 0 || column < size.columns);
}

bool validDateVal(const char *v, const FieldSize &)
{
    int fields[5];
    return scanDateVal(v, fields);
}

bool validCurveColor(const char *v, const FieldSize &)
{
    int rgb[3];
    return scanCurveColor(v, rgb);
}

bool validInt(const char *v, const FieldSize &)
{
    int i;
    return scanInt(v, &i);
}

bool validOffset(const char *v, const FieldSize &)
{
    double d;
    return scanDouble(v, &d) && std::fabs(d) <= kMaxStoredOffset;
}

bool validSmoothness(const char *v, const FieldSize &)
{
    double d;
    return scanDouble(v, &d) && d >= -30.0 && d <= 30.0;
}

// Search windows may reach past the last row (the search stops there).
bool validWindowRow(const char *v, const FieldSize &)
{
    int row;
    return scanInt(v, &row) && row >= 0;
}

// A drawn point lies on the field image.
bool validDrawnRow(const char *v, const FieldSize &size)
{
    int row;
    return scanInt(v, &row) && row >= 0 && (size.rows == 0 || row < size.rows);
}

struct RecordCheck {
    const char *key;
    bool perColumn;  // key is the prefix of "Bot0_0012" and the like
    Validator valid;
};

const RecordCheck kRecordChecks[] = {
    {"Pass1", false, validPassPoint},  {"Pass2", false, validPassPoint},
    {"Pass3", false, validPassPoint},  {"DatePos1", false, validMark},
    {"DatePos2", false, validMark},    {"DateVal1", false, validDateVal},
    {"DateVal2", false, validDateVal}, {"CurveColor", false, validCurveColor},
    {"TimeStep", false, validInt},     {"AddTemp", false, validOffset},
    {"AddHygro", false, validOffset},  {"Bot", true, validWindowRow},
    {"Top", true, validWindowRow},     {"Draw", true, validDrawnRow},
    {"Smoothness", false, validSmoothness}, {"CurveColorHygro", false, validCurveColor},
};

// The prefix, the field digit 0 or 1, "_" and the column's digits.
bool isColumnKey(const std::string &key, const char *prefix)
{
    std::string::size_type n = std::strlen(prefix);
    if (key.compare(0, n, prefix) != 0 || key.size() < n + 3)
        return false;
    if ((key[n] != '0' && key[n] != '1') || key[n + 1] != '_')
        return false;
    return key.find_first_not_of("0123456789", n + 2) == std::string::npos;
}

bool matches(const RecordCheck &check, const std::string &key)
{
    return check.perColumn ? isColumnKey(key, check.key) : key == check.key;
}

// The field a record is checked against: per-column records name theirs.
int fieldOf(const RecordCheck &check, const std::string &key)
{
    return check.perColumn && key[std::strlen(check.key)] == '1' ? 1 : 0;
}

} // namespace

std::string damagedRecord(const FileCtx &ctx, const Params &params)
{
    FieldGeometry geo;
    FieldSize size[2] = {{0, 0}, {0, 0}};
    for (int f = 0; f < 2; ++f) {
        if (fieldGeometry(params, geo, f) == 0)
            size[f] = FieldSize{geo.imageWidth, geo.imageHeight};
    }
    for (const auto &entry : ctx.all()) {
        for (const RecordCheck &check : kRecordChecks) {
            if (matches(check, entry.first) &&
                !check.valid(entry.second.c_str(), size[fieldOf(check, entry.first)]))
                return entry.first + "=" + entry.second;
        }
    }
    return std::string();
}
