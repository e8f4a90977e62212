// SPDX-License-Identifier: GPL-3.0-or-later
#include "records.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <glib.h>

namespace {

std::string format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

std::string format(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    char small[64];
    int n = std::vsnprintf(small, sizeof small, fmt, ap);
    va_end(ap);
    if (n < 0)
        return std::string();
    if (static_cast<size_t>(n) < sizeof small)
        return std::string(small, static_cast<size_t>(n));
    // "%lf" of a large double needs more than the small buffer.
    std::vector<char> big(static_cast<size_t>(n) + 1);
    va_start(ap, fmt);
    std::vsnprintf(big.data(), big.size(), fmt, ap);
    va_end(ap);
    return std::string(big.data(), static_cast<size_t>(n));
}

// A cursor that follows scanf's rules for the record formats: numbers skip
// leading white space, a blank in the format matches any amount of white
// space, other format characters must match exactly. Unlike scanf it refuses
// out-of-range and non-finite numbers and lets the caller insist on the end.
class Scanner {
public:
    explicit Scanner(const char *text) : p(text), ok(text != nullptr) {}

    Scanner &integer(int *v)
    {
        if (!ok)
            return *this;
        char *end;
        errno = 0;
        long n = std::strtol(p, &end, 10);
        ok = end != p && errno != ERANGE && n >= INT_MIN && n <= INT_MAX;
        if (ok) {
            *v = static_cast<int>(n);
            p = end;
        }
        return *this;
    }

    // A point always; a comma only as the one decimal separator of a number
    // that vellora 1.0 wrote under a decimal-comma locale ("289,250000").
    Scanner &real(double *v)
    {
        if (!ok)
            return *this;
        std::string number = numberToken();
        char *end;
        double d = g_ascii_strtod(number.c_str(), &end);
        const size_t used = static_cast<size_t>(end - number.c_str());
        ok = used > 0 && std::isfinite(d);
        if (ok) {
            *v = d;
            p += used;
        }
        return *this;
    }

    Scanner &blank()
    {
        while (ok && std::isspace(static_cast<unsigned char>(*p)))
            ++p;
        return *this;
    }

    Scanner &literal(char c)
    {
        if (ok && *p == c)
            ++p;
        else
            ok = false;
        return *this;
    }

    // Trailing white space (a CR from a file edited on Windows) is allowed.
    bool atEnd()
    {
        blank();
        return ok && *p == '\0';
    }

private:
    // The number at p (with its leading white space), a comma between
    // digits read as the point when the number has no point of its own.
    std::string numberToken() const
    {
        const char *q = p;
        while (std::isspace(static_cast<unsigned char>(*q)))
            ++q;
        while (*q && !std::isspace(static_cast<unsigned char>(*q)))
            ++q;
        std::string token(p, q);
        const std::string::size_type comma = token.find(',');
        const bool decimalComma = comma != std::string::npos && comma > 0 &&
                                  std::isdigit(static_cast<unsigned char>(token[comma - 1])) &&
                                  std::isdigit(static_cast<unsigned char>(token[comma + 1])) &&
                                  token.find_first_of(".,", comma + 1) == std::string::npos &&
                                  token.find('.') == std::string::npos;
        if (decimalComma)
            token[comma] = '.';
        return token;
    }

    const char *p;
    bool ok;
};

bool loadIntRecord(const FileCtx &ctx, const std::string &key, int &v)
{
    return scanInt(ctx.get(key.c_str()), &v);
}

// Calls apply(column, row) for every sound per-column record of the field
// below width. Only the keys present are visited: a field has thousands of
// columns and few records. Rows are 0 or more; a negative row means "not
// set" elsewhere and must not come in through a damaged record.
template <typename Apply>
void forEachColumnRecord(const FileCtx &ctx, const char *prefix, int field, int width,
                         Apply apply)
{
    const std::string start = format("%s%1d_", prefix, field);
    const FileCtx::Entries &entries = ctx.all();
    for (auto it = entries.lower_bound(start);
         it != entries.end() && it->first.compare(0, start.size(), start) == 0; ++it) {
        int column, row;
        if (!scanInt(it->first.c_str() + start.size(), &column) || column < 0 || column >= width ||
            it->first != columnKey(prefix, field, column))
            continue;
        if (scanInt(it->second.c_str(), &row) && row >= 0)
            apply(column, row);
    }
}

// A row of 0 or more is stored, -1 (or any other negative) removes the record.
void storeColumnRecord(FileCtx &ctx, const char *prefix, int field, int column, int row)
{
    std::string key = columnKey(prefix, field, column);
    if (row >= 0)
        ctx.set(key.c_str(), formatInt(row).c_str());
    else
        ctx.remove(key.c_str());
}

const char *const geometryPrefixes[] = {"Bot", "Top", "Draw", "AddTemp", "AddHygro"};

} // namespace

void passPointVectors(const PassPoint passPoints[3], Vec2 pass[3])
{
    for (int i = 0; i < 3; ++i)
        pass[i] = Vec2{passPoints[i].x, passPoints[i].y};
}

std::string passKey(int i)
{
    return format("Pass%1d", i + 1);
}

std::string datePosKey(int i)
{
    return format("DatePos%1d", i + 1);
}

std::string dateValKey(int i)
{
    return format("DateVal%1d", i + 1);
}

std::string columnKey(const char *prefix, int field, int column)
{
    return format("%s%1d_%04d", prefix, field, column);
}

std::string formatPassPoint(const PassPoint &pp)
{
    return format("%1d ", pp.set) + formatDouble(pp.x) + " " + formatDouble(pp.y);
}

std::string formatDateVal(const DateTime &dt)
{
    return format("y %04d m %02d d %02d h %02d m %02d", dt.year, dt.month, dt.day, dt.hour,
                  dt.minute);
}

std::string formatCurveColor(const int rgb[3])
{
    return format("%3d %3d %3d", rgb[0], rgb[1], rgb[2]);
}

std::string formatInt(int v)
{
    return format("%d", v);
}

std::string formatDouble(double v)
{
    // Always a decimal point, whatever locale the GUI runs in.
    char text[G_ASCII_DTOSTR_BUF_SIZE + 320];
    g_ascii_formatd(text, sizeof text, "%f", v);
    return text;
}

bool scanInt(const char *text, int *v)
{
    int n;
    if (!Scanner(text).integer(&n).atEnd())
        return false;
    *v = n;
    return true;
}

bool scanDouble(const char *text, double *v)
{
    double d;
    if (!Scanner(text).real(&d).atEnd())
        return false;
    *v = d;
    return true;
}

bool scanPassPoint(const char *text, PassPoint *pp)
{
    PassPoint r;
    if (!Scanner(text).integer(&r.set).blank().real(&r.x).blank().real(&r.y).atEnd())
        return false;
    *pp = r;
    return true;
}

bool scanDateVal(const char *text, int fields[5])
{
    int f[5];
    Scanner s(text);
    s.literal('y').integer(&f[0]).blank().literal('m').integer(&f[1]).blank();
    s.literal('d').integer(&f[2]).blank().literal('h').integer(&f[3]).blank();
    s.literal('m').integer(&f[4]);
    if (!s.atEnd())
        return false;
    for (int i = 0; i < 5; ++i)
        fields[i] = f[i];
    return true;
}

bool scanCurveColor(const char *text, int rgb[3])
{
    int c[3];
    if (!Scanner(text).integer(&c[0]).blank().integer(&c[1]).blank().integer(&c[2]).atEnd())
        return false;
    for (int v : c) {
        if (v < 0 || v > 255)
            return false;
    }
    for (int i = 0; i < 3; ++i)
        rgb[i] = c[i];
    return true;
}

bool loadPassPointRecord(const FileCtx &ctx, int i, PassPoint &pp)
{
    return scanPassPoint(ctx.get(passKey(i).c_str()), &pp);
}

bool loadDatePosRecord(const FileCtx &ctx, int i, int &pos)
{
    int v;
    // -1 is the mark's "not set"; anything further below is damage.
    if (!loadIntRecord(ctx, datePosKey(i), v) || v < -1)
        return false;
    pos = v;
    return true;
}

bool loadDateValRecord(const FileCtx &ctx, const char *key, DateTime &dt)
{
    int f[5];
    if (!scanDateVal(ctx.get(key), f))
        return false;
    dt.setDateTime(f[0], f[1], f[2], f[3], f[4]);
    return true;
}

bool loadDateValRecord(const FileCtx &ctx, int i, DateTime &dt)
{
    return loadDateValRecord(ctx, dateValKey(i).c_str(), dt);
}

bool loadCurveColorRecord(const FileCtx &ctx, const char *key, int rgb[3])
{
    return scanCurveColor(ctx.get(key), rgb);
}

bool loadTimeStepRecord(const FileCtx &ctx, int &timeStep)
{
    int v;
    if (!loadIntRecord(ctx, "TimeStep", v) || (v != 10 && v != 60))
        return false;
    timeStep = v;
    return true;
}

bool loadDoubleRecord(const FileCtx &ctx, const char *key, double &v)
{
    return scanDouble(ctx.get(key), &v);
}

bool loadSmoothnessRecord(const FileCtx &ctx, double &value)
{
    double v;
    if (!loadDoubleRecord(ctx, "Smoothness", v) || v < -30.0 || v > 30.0)
        return false;
    value = v;
    return true;
}

void storePassPointRecord(FileCtx &ctx, int i, const PassPoint &pp)
{
    ctx.set(passKey(i).c_str(), formatPassPoint(pp).c_str());
    // A moved pass point moves the cut-out, so every column index and offset
    // recorded for the old geometry is void.
    for (const char *prefix : geometryPrefixes)
        ctx.removePrefix(prefix);
}

void storeDatePosRecord(FileCtx &ctx, int i, int pos)
{
    ctx.set(datePosKey(i).c_str(), formatInt(pos).c_str());
}

void storeDateValRecord(FileCtx &ctx, int i, const DateTime &dt)
{
    ctx.set(dateValKey(i).c_str(), formatDateVal(dt).c_str());
}

void storeCurveColorRecord(FileCtx &ctx, const char *key, const int rgb[3])
{
    ctx.set(key, formatCurveColor(rgb).c_str());
}

void storeTimeStepRecord(FileCtx &ctx, int timeStep)
{
    ctx.set("TimeStep", formatInt(timeStep).c_str());
}

void storeDoubleRecord(FileCtx &ctx, const char *key, double v)
{
    ctx.set(key, formatDouble(v).c_str());
}

void storeSmoothnessRecord(FileCtx &ctx, double value)
{
    storeDoubleRecord(ctx, "Smoothness", value);
}

void storeLimitColumn(FileCtx &ctx, int field, const SpanArray &limitSpan, int x)
{
    storeColumnRecord(ctx, "Bot", field, x, limitSpan.getBot(x));
    storeColumnRecord(ctx, "Top", field, x, limitSpan.getTop(x));
}

void storeLimits(FileCtx &ctx, int field, const SpanArray &limitSpan, int width)
{
    for (int x = 0; x < width; ++x)
        storeLimitColumn(ctx, field, limitSpan, x);
}

void loadLimits(const FileCtx &ctx, int field, SpanArray &limitSpan, int width)
{
    forEachColumnRecord(ctx, "Bot", field, width, [&](int x, int row) { limitSpan.setBot(x, row); });
    forEachColumnRecord(ctx, "Top", field, width, [&](int x, int row) { limitSpan.setTop(x, row); });
}

void storeDrawColumn(FileCtx &ctx, int field, const int *drawPos, int x)
{
    storeColumnRecord(ctx, "Draw", field, x, drawPos[x]);
}

void storeDrawMarks(FileCtx &ctx, int field, const int *drawPos, int width)
{
    for (int x = 0; x < width; ++x)
        storeDrawColumn(ctx, field, drawPos, x);
}

void loadDrawMarks(const FileCtx &ctx, int field, int *drawPos, int width)
{
    forEachColumnRecord(ctx, "Draw", field, width, [&](int x, int row) { drawPos[x] = row; });
}
