// SPDX-License-Identifier: GPL-3.0-or-later

#include "coretest.h"

// The status says which part of a date is out of range. An invalid date keeps
// its values so that it shows as typed; the records tests check that.
TEST(DateTime, StatusCodes)
{
    EXPECT_EQ(DateTime().status(), -6);
    EXPECT_EQ(std::make_pair(daysInMonth(2000, 0), daysInMonth(2000, 13)), std::make_pair(0, 0));
    const int cases[][6] = {
        {2000, 2, 29, 0, 0, 0},     {1900, 2, 29, 0, 0, -3},
        {2004, 2, 29, 0, 0, 0},     {1599, 1, 1, 0, 0, -1},   {3000, 12, 31, 23, 59, 0},
        {3001, 1, 1, 0, 0, -1},     {2000, 13, 1, 0, 0, -3},  // month fails, then the day
        {2000, 1, 1, 24, 60, -5},   {2000, 4, 31, 24, 0, -4}, {2000, 1, 1, 0, -1, -5},
    };
    for (auto &c : cases)
        EXPECT_EQ(at(c[0], c[1], c[2], c[3], c[4]).status(), c[5]) << stamp(at(c[0], c[1], c[2], c[3], c[4]));
}

TEST(DateTime, SteppingAndDifferencesCarryAcrossYearEndsAndLeapDays)
{
    const struct { DateTime from; void (DateTime::*step)(); const char *to; int minutes; } cases[] = {
        {at(2003, 12, 31, 23, 59), &DateTime::addMinute, "2004-01-01 00:00", 1},
        {at(2004, 2, 28, 23, 5), &DateTime::addHour, "2004-02-29 00:05", 60},
        {at(2004, 2, 29, 23, 55), &DateTime::addTenMinutes, "2004-03-01 00:05", 10},
        {at(2100, 2, 28, 23, 55), &DateTime::addTenMinutes, "2100-03-01 00:05", 10},
        {at(2000, 4, 30, 23, 0), &DateTime::addHour, "2000-05-01 00:00", 60},
    };
    for (const auto &c : cases) {
        DateTime dt = c.from;
        (dt.*c.step)();
        EXPECT_EQ(stamp(dt), c.to);
        EXPECT_EQ(c.from.minutesUntil(dt), c.minutes) << c.to;
    }
    const struct { DateTime a, b; int minutes; } differences[] = {
        {at(2004, 12, 31, 23, 50), at(2005, 1, 1, 0, 10), 20},
        {at(2000, 1, 1, 12, 59), at(2000, 1, 1, 13, 0), 1},
        {at(2001, 1, 1, 0, 0), at(2000, 1, 1, 0, 0), -1440 * 366},
        {at(1600, 1, 1, 0, 0), at(2000, 1, 1, 0, 0), 1440 * 146097},  // one 400-year cycle
        {at(2004, 1, 1, 0, 0), at(2001, 1, 1, 1, 1), -1440 * 3 * 365 + 61},
    };
    for (const auto &c : differences)
        EXPECT_EQ(c.a.minutesUntil(c.b), c.minutes) << stamp(c.a) << " to " << stamp(c.b);
}

// A typed date may give only its end; the rest comes from the date shown.
TEST(DateTime, TypedDatesAreCompletedFromTheDateShown)
{
    const DateTime shown = at(2002, 3, 16, 4, 0);
    // date nullptr: refused
    const struct { const char *text; const char *date; } cases[] = {
        {"2003-01-31 23:59", "2003-01-31 23:59"}, {" 2003-01-31T7:05 ", "2003-01-31 07:05"},
        {"12-24 18:30", "2002-12-24 18:30"},      {"17 0:10", "2002-03-17 00:10"},
        {"22:15", "2002-03-16 22:15"},            {"31 12:00", "2002-03-31 12:00"},
        {"04-31 12:00", nullptr},                 {"24:00", nullptr},
        {"4:5", nullptr},                         {"02-03-16 04:00", nullptr},
        {"16.03.2002 04:00", nullptr},            {"2002-03-16", nullptr},
        {"2002-03-16 04:00T", nullptr},           {"", nullptr},
        {"-16 04:00", nullptr},                   {"2002-03-16 04:00 5", nullptr},
    };
    for (const auto &c : cases) {
        DateTime date = at(1999, 1, 1, 0, 0);
        const bool typed = completeTypedDate(c.text, shown, date);
        EXPECT_EQ(typed ? stamp(date) : "refused", c.date ? c.date : "refused") << '"' << c.text << '"';
    }
    DateTime date;
    EXPECT_FALSE(completeTypedDate("04:00", DateTime(), date)) << "nothing to complete from";
    EXPECT_TRUE(completeTypedDate("2002-03-16 04:00", DateTime(), date));
}
