#pragma once

#include "event.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

// A time text taken apart: its kind and the numbers the entry window chose. Composing them
// again gives the text back, so a text that came from anywhere else (a script, a calendar
// file) is stored only in the very form the entry window writes, the one the reminder
// clock compares.
struct Schedule
{
    Kind kind = Kind::Other;
    QTime time;
    QDate date;      // Once
    int month = 0;   // Yearly 1 … 12; LunarYearly 1 (正月) … 12 (腊月)
    int day = 0;     // Yearly, Monthly 1 … 31; the lunar kinds 1 (初一) … 30 (三十)
    int weekday = 0; // Weekly: 1 (星期一) … 7 (星期天)

    // The parts of `text` when it is exactly as the entry window writes one of the seven
    // kinds ("9:07", "星期三 9:07", "5日 9:07", "3月5日 9:07", "2027年3月5日 9:07",
    // "农历八月十五 9:00", "农历每月初一 8:00", "工作日 9:00"); nothing for any other text.
    static std::optional<Schedule> read(const QString &text);
    // The time text of these parts; empty when they name no time text.
    QString text() const;
};
