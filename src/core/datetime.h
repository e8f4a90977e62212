// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_DATETIME_H
#define VELLORA_DATETIME_H

// Calendar date with hour and minute on the Gregorian calendar, whole minutes.
// Status: 0 valid, -1 year, -2 month, -3 day, -4 hour, -5 minute out of range,
// -6 never set.
class DateTime {
public:
    DateTime();

    int setDateTime(int year, int month, int day, int hour, int minute);
    int setDate(int year, int month, int day);
    int setTime(int hour, int minute);
    int status() const { return stat; }

    int minutesUntil(const DateTime &other) const;

    void addMinute();
    void addTenMinutes();
    void addHour();

    int year, month, day, hour, minute;

private:
    int stat;
};

int daysInMonth(int year, int month);
bool isLeapYear(int year);
int daysInYear(int year);
int dayOfYear(int year, int month, int day);
int minutesSince(int refYear, int year, int month, int day, int hour, int minute);

// The date the given minutes later (earlier when negative).
DateTime minutesLater(const DateTime &date, long minutes);

// A typed date and time, "2002-03-16 04:00" (a 'T' instead of the blank
// accepted), or only its end: "03-16 04:00", "16 04:00" or "04:00", the parts
// left out taken from base. False for other text, for a date that does not
// exist, and for a shortened one when base is not a valid date.
bool completeTypedDate(const char *text, const DateTime &base, DateTime &date);

#endif
