#include "csvfile.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <tuple>

#include <glib.h>

namespace {

typedef std::tuple<int, int, int, int, int> TimeKey;

struct CsvRow {
    const TableRow *field[2] = {nullptr, nullptr};
};

TimeKey timeKey(const TableRow &row)
{
    return TimeKey(row.year, row.month, row.day, row.hour, row.minute);
}

std::string valueCell(const TableRow *row)
{
    if (!row)
        return std::string();
    char buf[G_ASCII_DTOSTR_BUF_SIZE];
    return g_ascii_formatd(buf, sizeof buf, "%.1f", row->value);
}

} // namespace

std::string isoLocalTime(const TableRow &row, const CsvClock &clock)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d", row.year, row.month, row.day,
                  row.hour, row.minute);
    std::string text = buf;
    if (clock.known) {
        const int magnitude = std::abs(clock.offsetMinutes);
        std::snprintf(buf, sizeof buf, "%c%02d:%02d", clock.offsetMinutes < 0 ? '-' : '+',
                      magnitude / 60, magnitude % 60);
        text += buf;
    }
    return text;
}

std::string csvFileText(const std::vector<TableRow> &temperature,
                        const std::vector<TableRow> &humidity, const CsvClock &clock)
{
    std::map<TimeKey, CsvRow> rows;
    const std::vector<TableRow> *fields[2] = {&temperature, &humidity};
    for (int f = 0; f < 2; ++f) {
        for (const TableRow &row : *fields[f])
            rows[timeKey(row)].field[f] = &row;
    }
    std::string text = "time,temperature_C,humidity_pct,flags\n";
    for (const auto &entry : rows) {
        const CsvRow &row = entry.second;
        const TableRow &any = row.field[0] ? *row.field[0] : *row.field[1];
        text += isoLocalTime(any, clock) + "," + valueCell(row.field[0]) + "," +
                valueCell(row.field[1]) + ",\n";
    }
    return text;
}
