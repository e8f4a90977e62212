// SPDX-License-Identifier: GPL-3.0-or-later
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
    double bridgedHours[2] = {0.0, 0.0};
};

const char kFieldLetters[2] = {'T', 'F'};

std::string flagsCell(const CsvRow &row)
{
    std::string flags;
    for (int f = 0; f < 2; ++f) {
        const std::string flag = bridgedFlag(row.bridgedHours[f]);
        if (!flag.empty())
            flags += (flags.empty() ? "" : "|") + std::string(1, kFieldLetters[f]) + ":" + flag;
    }
    return flags;
}

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

// "2004-07-01T12:00" or, with a known offset, "2004-07-01T12:00+01:00".
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

} // namespace

std::string bridgedFlag(double hours)
{
    if (hours <= 0.0)
        return std::string();
    char number[G_ASCII_DTOSTR_BUF_SIZE];
    return std::string("bridged_h=") + g_ascii_formatd(number, sizeof number, "%.1f", hours);
}

std::string csvFileText(const CsvField fields[2], const CsvClock &clock, TempUnit unit)
{
    std::map<TimeKey, CsvRow> rows;
    for (int f = 0; f < 2; ++f) {
        if (!fields[f].rows)
            continue;
        const std::vector<TableRow> &table = *fields[f].rows;
        const std::vector<double> *hours = fields[f].bridgedHours;
        for (size_t i = 0; i < table.size(); ++i) {
            CsvRow &row = rows[timeKey(table[i])];
            row.field[f] = &table[i];
            if (hours && i < hours->size())
                row.bridgedHours[f] = (*hours)[i];
        }
    }
    std::string text = std::string("time,temperature_") + (unit == TempFahrenheit ? "F" : "C") +
                       ",humidity_pct,flags\n";
    for (const auto &entry : rows) {
        const CsvRow &row = entry.second;
        const TableRow &any = row.field[0] ? *row.field[0] : *row.field[1];
        text += isoLocalTime(any, clock) + "," + valueCell(row.field[0]) + "," +
                valueCell(row.field[1]) + "," + flagsCell(row) + "\n";
    }
    return text;
}
