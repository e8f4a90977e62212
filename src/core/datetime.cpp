// SPDX-License-Identifier: GPL-3.0-or-later
#include "datetime.h"

#include <cctype>
#include <string>

#include <glib.h>

namespace {

const int monthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

long long floorDiv(long long a, long long b)
{
    long long q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Days from an arbitrary fixed origin to 1 January of year y; differences of
// this give the sum of daysInYear over a range of years without a loop, so an
// absurd year in an unchecked value cannot stall the program.
long long daysBeforeYear(long long y)
{
    long long p = y - 1;
    return 365 * p + floorDiv(p, 4) - floorDiv(p, 100) + floorDiv(p, 400);
}

int checkDate(int year, int month, int day, int status)
{
    if (year < 1600 || year > 3000)
        status = -1;
    if (month < 1 || month > 12)
        status = -2;
    if (day < 1 || day > daysInMonth(year, month))
        status = -3;
    return status;
}

int checkTime(int hour, int minute, int status)
{
    if (hour < 0 || hour > 23)
        status = -4;
    if (minute < 0 || minute > 59)
        status = -5;
    return status;
}

struct TypedNumber {
    int value;
    int digits;
};

// The numbers of a typed date and the shape they form: "n-n-n n:n" for
// "2002-03-16T04:00". Blanks at either end are dropped.
bool splitTypedDate(const char *text, TypedNumber numbers[5], std::string &shape)
{
    const char *p = text;
    while (*p == ' ')
        ++p;
    int count = 0;
    while (*p) {
        if (count == 5 || !std::isdigit(static_cast<unsigned char>(*p)))
            return false;
        TypedNumber &n = numbers[count++];
        n.value = n.digits = 0;
        for (; std::isdigit(static_cast<unsigned char>(*p)) && n.digits < 5; ++p, ++n.digits)
            n.value = n.value * 10 + (*p - '0');
        shape += 'n';
        if (*p == '-' || *p == ':') {
            shape += *p++;
        } else if (*p == ' ' || *p == 'T') {
            const bool separator = *p == 'T';
            for (++p; *p == ' '; ++p) {
            }
            if (separator || *p)
                shape += ' ';
        }
    }
    return true;
}

} // namespace

DateTime minutesLater(const DateTime &date, long minutes)
{
    GDateTime *from = g_date_time_new_utc(date.year, date.month, date.day, date.hour, date.minute, 0);
    GDateTime *to = g_date_time_add_minutes(from, minutes);
    DateTime later;
    later.setDateTime(g_date_time_get_year(to), g_date_time_get_month(to), g_date_time_get_day_of_month(to),
                      g_date_time_get_hour(to), g_date_time_get_minute(to));
    g_date_time_unref(to);
    g_date_time_unref(from);
    return later;
}

bool completeTypedDate(const char *text, const DateTime &base, DateTime &date)
{
    // The shapes from the full date down to the time alone.
    static const char *const shapes[] = {"n-n-n n:n", "n-n n:n", "n n:n", "n:n"};
    TypedNumber n[5];
    std::string shape;
    if (!text || !splitTypedDate(text, n, shape))
        return false;
    int given = 0;  // of the five parts, counted from the minute
    for (int k = 0; k < 4; ++k) {
        if (shape == shapes[k])
            given = 5 - k;
    }
    if (given == 0 || (given < 5 && base.status() != 0))
        return false;
    // year, month, day, hour, minute: the base's, then the typed ones over them.
    int parts[5] = {base.year, base.month, base.day, base.hour, base.minute};
    const int maxDigits[5] = {4, 2, 2, 2, 2};
    for (int k = 0; k < given; ++k) {
        const int part = 5 - given + k;
        const int digits = n[k].digits;
        const bool exact = part == 0 || part == 4;  // a four-digit year, two-digit minutes
        if (digits > maxDigits[part] || (exact && digits != maxDigits[part]))
            return false;
        parts[part] = n[k].value;
    }
    DateTime typed;
    if (typed.setDateTime(parts[0], parts[1], parts[2], parts[3], parts[4]) != 0)
        return false;
    date = typed;
    return true;
}

bool isLeapYear(int year)
{
    return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
}

int daysInMonth(int year, int month)
{
    if (month < 1 || month > 12)
        return 0;
    if (month == 2 && isLeapYear(year))
        return 29;
    return monthDays[month - 1];
}

int daysInYear(int year)
{
    return isLeapYear(year) ? 366 : 365;
}

int dayOfYear(int year, int month, int day)
{
    int days = day - 1;
    for (int k = 1; k < month && k <= 12; ++k)
        days += daysInMonth(year, k);
    return days;
}

int minutesSince(int refYear, int year, int month, int day, int hour, int minute)
{
    long long days = dayOfYear(year, month, day) + daysBeforeYear(year) - daysBeforeYear(refYear);
    return static_cast<int>(minute + 60LL * hour + 1440LL * days);
}

DateTime::DateTime() : year(0), month(0), day(0), hour(0), minute(0), stat(-6)
{
}

int DateTime::setDateTime(int y, int mo, int d, int h, int mi)
{
    year = y;
    month = mo;
    day = d;
    hour = h;
    minute = mi;
    stat = checkTime(h, mi, checkDate(y, mo, d, 0));
    return stat;
}

int DateTime::setDate(int y, int mo, int d)
{
    year = y;
    month = mo;
    day = d;
    stat = checkDate(y, mo, d, 0);
    return stat;
}

int DateTime::setTime(int h, int mi)
{
    hour = h;
    minute = mi;
    stat = checkTime(h, mi, 0);
    return stat;
}

int DateTime::minutesUntil(const DateTime &other) const
{
    return minutesSince(year, other.year, other.month, other.day, other.hour, other.minute)
         - minutesSince(year, year, month, day, hour, minute);
}

void DateTime::addHour()
{
    if (++hour <= 23)
        return;
    hour = 0;
    if (++day <= daysInMonth(year, month))
        return;
    day = 1;
    if (++month <= 12)
        return;
    month = 1;
    ++year;
}

void DateTime::addMinute()
{
    if (++minute <= 59)
        return;
    minute = 0;
    addHour();
}

void DateTime::addTenMinutes()
{
    for (int i = 0; i < 10; ++i)
        addMinute();
}
