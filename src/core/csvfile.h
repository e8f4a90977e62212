#ifndef VELLORA_CSVFILE_H
#define VELLORA_CSVFILE_H

#include <string>
#include <vector>

#include "table.h"

// Both tables of a scan in one comma-separated file that spreadsheets and
// pandas read without options: "time,temperature_C,humidity_pct,flags", one
// line per table time, ISO 8601 local times, a cell left empty where a field
// has no row.

struct CsvClock {
    bool known;      // the UTC offset was given; it is then part of each time
    int offsetMinutes;
};

// "2004-07-01T12:00" or, with a known offset, "2004-07-01T12:00+01:00".
std::string isoLocalTime(const TableRow &row, const CsvClock &clock);

std::string csvFileText(const std::vector<TableRow> &temperature,
                        const std::vector<TableRow> &humidity, const CsvClock &clock);

#endif
