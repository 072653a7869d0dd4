#pragma once

#include <QDate>

// A day of the Chinese lunisolar calendar (农历), worked out by ICU.
struct LunarDay
{
    int month = 0;          // 1 (正月) … 12 (腊月); 0 when the date could not be converted
    bool leapMonth = false; // a 闰月, which repeats the month before it
    int day = 0;            // 1 … 30
    // The last day of a month of 29 days, on which a reminder for the 30th falls.
    bool lastOfShortMonth = false;

    bool isValid() const { return month != 0; }
};

// The lunar day that falls on the civil day `date`, whatever the local time zone: the
// user's calendar day is the day meant, not an instant.
LunarDay lunarDayOf(const QDate &date);
