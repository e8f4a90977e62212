// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_CSVFILE_H
#define VELLORA_CSVFILE_H

#include <string>
#include <vector>

#include "params.h"
#include "table.h"

// Both tables of a scan in one comma-separated file that spreadsheets and
// pandas read without options: "time,temperature_C,humidity_pct,flags", one
// line per table time, ISO 8601 local times, a cell left empty where a field
// has no row.

struct CsvClock {
    bool known;      // the UTC offset was given; it is then part of each time
    int offsetMinutes;
};

// The flag of a row bridged over hours without ink, in CSV and SEF alike:
// "bridged_h=2.5"; empty for 0.
std::string bridgedFlag(double hours);

// The table of one field and the hours each row was bridged over without ink
// (0: had ink); null rows: no table, null hours: none bridged.
struct CsvField {
    const std::vector<TableRow> *rows;
    const std::vector<double> *bridgedHours;
};

// The flags column names a bridged row's field: "T:bridged_h=2.5|F:bridged_h=3.0".
// The temperature column is named after the chart's unit (temperature_C or
// temperature_F), in which the tables hold their values.
std::string csvFileText(const CsvField fields[2], const CsvClock &clock, TempUnit unit);

#endif
