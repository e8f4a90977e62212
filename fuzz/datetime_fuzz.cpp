// SPDX-License-Identifier: GPL-3.0-or-later
// Date arithmetic over any field values: valid dates step forward
// consistently with minutesUntil, invalid ones are refused.
#include <cstdlib>

#include "datetime.h"
#include "fuzzinput.h"

namespace {

// Stepping by a known number of minutes must agree with the difference.
void checkSteps(DateTime t, int kind, int steps)
{
    const DateTime start = t;
    const int perStep = kind == 0 ? 1 : kind == 1 ? 10 : 60;
    for (int i = 0; i < steps; ++i) {
        if (kind == 0)
            t.addMinute();
        else if (kind == 1)
            t.addTenMinutes();
        else
            t.addHour();
    }
    if (t.status() != 0 || start.minutesUntil(t) != steps * perStep ||
        t.minutesUntil(start) != -steps * perStep)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzinput::Reader in(data, size);
    DateTime a, b;
    // Mostly around the years a chart can have, 1600 to 3000, and beyond.
    const int year = 1500 + in.next(2) % 1600, month = in.next(1) - 64, day = in.next(1) - 64;
    const int hour = in.next(1) - 64, minute = in.next(1) - 64;
    a.setDateTime(year, month, day, hour, minute);
    b.setDateTime(1500 + in.next(2) % 1600, in.next(1), in.next(1), in.next(1), in.next(1));
    daysInMonth(year, month);
    dayOfYear(year, month, day);
    minutesSince(in.next(2), year, month, day, hour, minute);
    const int kind = in.next(1) % 3, steps = in.next(2) % 3000;
    if (a.status() == 0) {
        checkSteps(a, kind, steps);
        if (b.status() == 0 && a.minutesUntil(b) != -b.minutesUntil(a))
            std::abort();
        a.hoursUntil(b);
    }
    return 0;
}
