// SPDX-License-Identifier: GPL-3.0-or-later
#include "datetime.h"

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

} // namespace

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
