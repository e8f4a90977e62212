#include <gtest/gtest.h>

#include "datetime.h"

namespace {

DateTime at(int y, int mo, int d, int h, int mi)
{
    DateTime dt;
    dt.setDateTime(y, mo, d, h, mi);
    return dt;
}

void expectFields(const DateTime &dt, int y, int mo, int d, int h, int mi)
{
    EXPECT_EQ(y, dt.year);
    EXPECT_EQ(mo, dt.month);
    EXPECT_EQ(d, dt.day);
    EXPECT_EQ(h, dt.hour);
    EXPECT_EQ(mi, dt.minute);
}

TEST(DateTime, StatusCodes)
{
    EXPECT_EQ(-6, DateTime().status());
    EXPECT_EQ(0, at(2000, 2, 29, 0, 0).status());
    EXPECT_EQ(-3, at(1900, 2, 29, 0, 0).status());
    EXPECT_EQ(-3, at(2100, 2, 29, 0, 0).status());
    EXPECT_EQ(0, at(2004, 2, 29, 0, 0).status());
    EXPECT_EQ(-1, at(1599, 1, 1, 0, 0).status());
    EXPECT_EQ(0, at(3000, 12, 31, 23, 59).status());
    EXPECT_EQ(-1, at(3001, 1, 1, 0, 0).status());
    EXPECT_EQ(-3, at(2000, 13, 1, 0, 0).status());  // month fails, then the day
    EXPECT_EQ(-5, at(2000, 1, 1, 24, 60).status());
    EXPECT_EQ(-4, at(2000, 4, 31, 24, 0).status());

    DateTime dt = at(2000, 4, 31, 5, 6);
    expectFields(dt, 2000, 4, 31, 5, 6);  // stored despite the failure
    EXPECT_EQ(0, dt.setDate(2001, 4, 30));
    EXPECT_EQ(-5, dt.setTime(7, 60));
    expectFields(dt, 2001, 4, 30, 7, 60);
}

TEST(DateTime, CalendarHelpers)
{
    EXPECT_EQ(0, daysInMonth(2000, 0));
    EXPECT_EQ(365, daysInYear(2100));
    EXPECT_EQ(365, dayOfYear(2004, 12, 31));
    EXPECT_EQ(1440 * 366 + 61, minutesSince(2000, 2001, 1, 1, 1, 1));
    EXPECT_EQ(-1440 * 3 * 365, minutesSince(2004, 2001, 1, 1, 0, 0));
    EXPECT_EQ(1440 * 146097, minutesSince(1600, 2000, 1, 1, 0, 0));  // one 400-year cycle
}

TEST(DateTime, SteppingCarriesAcrossYearEndsAndLeapDays)
{
    DateTime dt = at(2003, 12, 31, 23, 59);
    dt.addMinute();
    expectFields(dt, 2004, 1, 1, 0, 0);

    dt = at(2004, 2, 28, 23, 5);
    DateTime copy = dt;
    dt.addHour();
    expectFields(dt, 2004, 2, 29, 0, 5);
    expectFields(copy, 2004, 2, 28, 23, 5);

    dt = at(2100, 2, 28, 23, 55);
    dt.addTenMinutes();
    expectFields(dt, 2100, 3, 1, 0, 5);

    dt = at(2000, 1, 1, 10, 55);
    dt.setTime(10, 60);  // invalid; stepping neither checks nor repairs status
    dt.addMinute();
    expectFields(dt, 2000, 1, 1, 11, 0);
    EXPECT_EQ(-5, dt.status());
}

TEST(DateTime, Differences)
{
    DateTime a = at(2004, 12, 31, 23, 50);
    DateTime b = at(2005, 1, 1, 0, 10);
    EXPECT_EQ(20, a.minutesUntil(b));
    EXPECT_EQ(-20, b.minutesUntil(a));
    EXPECT_EQ(1, a.hoursUntil(b));
    EXPECT_EQ(1, at(2000, 1, 1, 12, 59).hoursUntil(at(2000, 1, 1, 13, 0)));
    EXPECT_EQ(0, at(2000, 1, 1, 12, 0).hoursUntil(at(2000, 1, 1, 12, 59)));
    EXPECT_EQ(-24 * 366, at(2001, 1, 1, 0, 0).hoursUntil(at(2000, 1, 1, 0, 0)));
    EXPECT_EQ(1440 * 28, at(2100, 2, 1, 0, 0).minutesUntil(at(2100, 3, 1, 0, 0)));
}

} // namespace
