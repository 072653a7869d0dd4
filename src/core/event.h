#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

// How a reminder repeats. The store keeps it as a one-letter code and converts at its
// edge; a code this program does not know reads as Other, and such a row fires by its time
// text alone.
enum class Kind { Once, Yearly, Monthly, Daily, Weekly, LunarYearly, LunarMonthly, Workday, Other };

// One stored reminder: a row of eventtable.
struct Event
{
    QString time;    // the time text in its kind's form, e.g. "星期三 9:07"
    QString content; // the text the user typed, line breaks and all
    Kind kind = Kind::Other;
    qint64 id = 0; // the row it was read from; 0 for one not read from the file

    // The same reminder, wherever it was read from.
    bool operator==(const Event &other) const
    {
        return time == other.time && content == other.content && kind == other.kind;
    }
};

// What today's list and today's completions hold of a reminder: its time text and content.
struct TodayItem
{
    QString time;
    QString content;

    bool operator==(const TodayItem &other) const
    {
        return time == other.time && content == other.content;
    }
};

// A reminder falling due at a moment: a minute of its time text, or the end of a snooze.
struct Reminder
{
    Event event;
    QDateTime due;
};

Q_DECLARE_METATYPE(Event)
Q_DECLARE_METATYPE(Kind)
