// SPDX-License-Identifier: GPL-3.0-or-later
#include "sef.h"

#include <cstdio>
#include <cstdlib>

#include <glib.h>

#include "options.h"

namespace {

const char kNotAvailable[] = "NA";

// Header and row fields are separated by tabs and header Meta entries by
// "|", so neither may appear inside a recorded name.
std::string metaSafe(const std::string &text)
{
    std::string out = text;
    for (char &c : out) {
        if (c == '\t' || c == '\n' || c == '\r' || c == '|')
            c = '_';
    }
    return out;
}

std::string headerLine(const char *key, const std::string &value)
{
    return std::string(key) + "\t" + value + "\n";
}

ClockTime rowTime(const TableRow &row)
{
    return ClockTime{row.year, row.month, row.day, row.hour, row.minute};
}

std::string compactDate(const ClockTime &t)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", t.year, t.month, t.day);
    return buf;
}

std::string dataLine(const ClockTime &utc, double value, double bridgedHours)
{
    char time[64], number[G_ASCII_DTOSTR_BUF_SIZE];
    std::snprintf(time, sizeof time, "%d\t%d\t%d\t%d\t%d\t0\t", utc.year, utc.month, utc.day,
                  utc.hour, utc.minute);
    const std::string cell = bridgedHours > kLongestBridgeHours
                                 ? std::string(kNotAvailable)
                                 : g_ascii_formatd(number, sizeof number, "%.1f", value);
    return time + cell + "\t" + bridgedFlag(bridgedHours) + "\n";
}

} // namespace

StationInfo::StationInfo()
    : id(kNotAvailable), name(kNotAvailable), lat(kNotAvailable), lon(kNotAvailable),
      alt(kNotAvailable), source(kNotAvailable), link(kNotAvailable)
{
}

ClockTime localToUtc(const ClockTime &local, int offsetMinutes)
{
    GDateTime *t = g_date_time_new_utc(local.year, local.month, local.day, local.hour,
                                       local.minute, 0.0);
    if (!t)
        return local;
    GDateTime *utc = g_date_time_add_minutes(t, -offsetMinutes);
    g_date_time_unref(t);
    if (!utc)
        return local;
    ClockTime out{g_date_time_get_year(utc), g_date_time_get_month(utc),
                  g_date_time_get_day_of_month(utc), g_date_time_get_hour(utc),
                  g_date_time_get_minute(utc)};
    g_date_time_unref(utc);
    return out;
}

std::string formatUtcOffset(int offsetMinutes)
{
    char buf[32];
    int magnitude = std::abs(offsetMinutes);
    char sign = offsetMinutes < 0 ? '-' : '+';
    if (magnitude * 100 % 60 == 0)  // whole hundredths of an hour, with a point in any locale
        return sign + std::string(g_ascii_formatd(buf, sizeof buf, "%g", magnitude / 60.0));
    std::snprintf(buf, sizeof buf, "%c%d:%02d", sign, magnitude / 60, magnitude % 60);
    return buf;
}

const char *sefVariable(int field)
{
    return field == 0 ? "ta" : "rh";
}

const char *sefUnits(int field)
{
    return field == 0 ? "C" : "%";
}

std::string sefFileText(const StationInfo &station, const SefSeries &series)
{
    char smoothness[G_ASCII_DTOSTR_BUF_SIZE];
    g_ascii_formatd(smoothness, sizeof smoothness, "%g", series.smoothness);
    std::string meta = "utc_offset=" + formatUtcOffset(series.utcOffsetMinutes) +
                       "|scan=" + metaSafe(series.scanName) + "|software=vellora " +
                       kBatchVersion + "|profile=" + metaSafe(series.profile) +
                       "|smoothness=" + smoothness;
    std::string text = headerLine("SEF", "1.0.0");
    text += headerLine("ID", station.id);
    text += headerLine("Name", station.name);
    text += headerLine("Lat", station.lat);
    text += headerLine("Lon", station.lon);
    text += headerLine("Alt", station.alt);
    text += headerLine("Source", station.source);
    text += headerLine("Link", station.link);
    text += headerLine("Vbl", sefVariable(series.field));
    text += headerLine("Stat", "point");
    text += headerLine("Units", sefUnits(series.field));
    text += headerLine("Meta", meta);
    text += "Year\tMonth\tDay\tHour\tMinute\tPeriod\tValue\tMeta\n";
    for (int i = 0; i < series.count; ++i) {
        const TableRow &row = series.rows[i];
        const double bridged =
            i < static_cast<int>(series.bridgedHours.size()) ? series.bridgedHours[i] : 0.0;
        text += dataLine(localToUtc(rowTime(row), series.utcOffsetMinutes), row.value, bridged);
    }
    return text;
}

std::string sefFileName(const StationInfo &station, const SefSeries &series)
{
    ClockTime first = localToUtc(rowTime(series.rows[0]), series.utcOffsetMinutes);
    ClockTime last = localToUtc(rowTime(series.rows[series.count - 1]), series.utcOffsetMinutes);
    return station.source + "_" + station.id + "_" + compactDate(first) + "-" + compactDate(last) +
           "_" + sefVariable(series.field) + ".tsv";
}
