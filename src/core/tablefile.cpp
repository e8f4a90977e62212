// SPDX-License-Identifier: GPL-3.0-or-later
#include "tablefile.h"

#include <cstdio>

#include <glib.h>

#include "atomicfile.h"

std::string dateLabel(int timeStep, const TableRow &row)
{
    char text[64];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d.%02d", row.day, row.month, row.year,
                  row.hour, timeStep == 60 ? 0 : row.minute);
    return text;
}

std::string valueLabel(int field, double value)
{
    // The files always carry a decimal point, whatever locale the GUI set.
    char text[G_ASCII_DTOSTR_BUF_SIZE];
    g_ascii_formatd(text, sizeof text, field == 0 ? "%+6.1f" : "%5.1f", value);
    return text;
}

std::string tableFileName(const std::string &imageName, int field)
{
    const std::string::size_type slash = imageName.find_last_of("/\\");
    const std::string::size_type base = slash == std::string::npos ? 0 : slash + 1;
    std::string name = imageName + ".txt";
    if (base < imageName.size())
        name[base] = field == 0 ? 'T' : 'F';
    return name;
}

std::string tableFileText(int field, int timeStep, const TableRow *rows, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += dateLabel(timeStep, rows[i]);
        text += ' ';
        text += valueLabel(field, rows[i].value);
        text += '\n';
    }
    return text;
}

int writeTableFile(const std::string &path, int field, int timeStep, const TableRow *rows,
                   int count)
{
    // No table, no file: an empty file would look like a written table.
    if (count <= 0 || !rows)
        return -1;
    return writeFileAtomic(path, tableFileText(field, timeStep, rows, count)) == 0 ? 0 : -1;
}
