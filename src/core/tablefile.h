// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_TABLEFILE_H
#define VELLORA_TABLEFILE_H

#include <string>

#include "table.h"

// "%02d.%02d.%04d %02d.%02d" of day, month, year, hour, minute; minute 0 with a
// 60-minute step.
std::string dateLabel(int timeStep, const TableRow &row);
// "%+6.1f" for the temperature field, "%5.1f" for the hygrometer field.
std::string valueLabel(int field, double value);
// imageName + ".txt" with the base name's first character replaced by 'T'
// (field 0) or 'F' (field 1); '/' and '\' both separate folders.
std::string tableFileName(const std::string &imageName, int field);
// Whole file text: one "date value\n" line per row.
std::string tableFileText(int field, int timeStep, const TableRow *rows, int count);
// Writes the table file atomically; 0 or -1.
int writeTableFile(const std::string &path, int field, int timeStep, const TableRow *rows,
                   int count);

#endif
