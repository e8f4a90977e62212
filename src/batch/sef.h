// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_BATCH_SEF_H
#define VELLORA_BATCH_SEF_H

#include <string>
#include <vector>

#include "csvfile.h"
#include "table.h"

// Station Exchange Format 1.0.0 output of a value table: tab-separated UTF-8,
// twelve header lines, then one line per row with times in UTC. A row bridged
// over a stretch without ink carries its flag in the row's Meta column.

// Station description; every field not given is "NA".
struct StationInfo {
    StationInfo();
    std::string id, name, lat, lon, alt, source, link;
};

struct ClockTime {
    int year, month, day, hour, minute;
};

// The UTC time of a local clock time, local = UTC + offsetMinutes.
ClockTime localToUtc(const ClockTime &local, int offsetMinutes);

// "+1", "-3.5", "+5.75" for offsets exact in hundredths of an hour, else "+5:07".
std::string formatUtcOffset(int offsetMinutes);

// "ta" / "rh" and "C" / "%" of the temperature and hygrometer field.
const char *sefVariable(int field);
const char *sefUnits(int field);

struct SefSeries {
    int field;
    const TableRow *rows;   // local clock times
    int count;              // at least one row
    int utcOffsetMinutes;
    std::string scanName;   // the scan's file name, recorded in the header Meta
    std::string profile;    // the parameter file used, also recorded there
    double smoothness;      // the smoothness control's value, likewise
    std::vector<double> bridgedHours;  // per row, the stretch without ink it was bridged
                                       // over, 0 when it had ink; empty: none
};

// Rows bridged over a longer stretch without ink have no value in SEF.
const double kLongestBridgeHours = 2.0;

// The whole file text.
std::string sefFileText(const StationInfo &station, const SefSeries &series);
// "SOURCE_ID_YYYYMMDD-YYYYMMDD_VBL.tsv" with the UTC dates of the first and last row.
std::string sefFileName(const StationInfo &station, const SefSeries &series);

#endif
