#pragma once

#include "event.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

// The time texts of the seven schedule kinds, as stored in column 时间 and matched by the
// today list and the reminder clock. Every reader and writer goes through these functions,
// so the forms live in one place:
//
//   Once     2014年3月5日 9:07
//   Yearly   3月5日 9:07
//   Monthly  5日 9:07
//   Daily    9:07
//   Weekly   星期三 9:07
//   LunarYearly   农历八月十五 9:07   (by the Chinese calendar; not in a leap month)
//   LunarMonthly  农历每月初一 9:07   (every lunar month, leap months included)
//   Workday       工作日 9:07         (on the official working days: see WorkdayCalendar)
//
// A lunar reminder for the 30th falls on the 29th in a month that has no 30th.
namespace TimeText {

// "yyyy年M月d日 H:mm": once-only times and completion times.
inline const QString DateTimeFormat = QStringLiteral("yyyy年M月d日 H:mm");
// "H:mm": every time of day.
inline const QString TimeFormat = QStringLiteral("H:mm");
// "yyyyMd": the history's date tag.
inline const QString DateTagFormat = QStringLiteral("yyyyMd");

// "星期一" … "星期六", "星期天" for Qt's day-of-week 1 … 7; empty for anything else.
QString weekdayName(int dayOfWeek);
// The seven names, Monday first.
QStringList weekdayNames();

QString composeOnce(const QDateTime &moment);                   // 2014年3月5日 9:07
QString composeYearly(int month, int day, const QTime &t);      // 3月5日 9:07
QString composeMonthly(int day, const QTime &t);                // 5日 9:07
QString composeDaily(const QTime &t);                           // 9:07
QString composeWeekly(const QString &weekday, const QTime &t);  // 星期三 9:07
QString composeLunarYearly(int month, int day, const QTime &t); // 农历八月十五 9:07
QString composeLunarMonthly(int day, const QTime &t);           // 农历每月初一 9:07
QString composeWorkday(const QTime &t);                         // 工作日 9:07

// The lunar month names 正月 … 腊月 and day names 初一 … 三十, in order; month and day
// numbers count from 1 into them.
QStringList lunarMonthNames();
QStringList lunarDayNames();
// The lunar date of `date` as the user reads it: "农历十月廿八", "农历闰二月十五"; empty
// when it cannot be worked out.
QString lunarDateText(const QDate &date);

// A moment written as a completion time: "yyyy年M月d日 H:mm".
QString completionTime(const QDateTime &moment);
// A date written as a history tag: "yyyyMd", e.g. 201435 for 5 March 2014.
QString dateTag(const QDate &date);

// The date of "yyyy年M月d日 H:mm", read exactly as QDateTime::fromString with that format
// reads it; invalid when the text does not fit or names no real date and time.
QDate parseOnceDate(const QString &text);

// The texts that events due in this minute carry, in the order the clock compares them:
// once, yearly, monthly, weekly, daily, 工作日, then lunar yearly (none in a leap month) and
// lunar monthly, and on the last day of a 29-day lunar month their 三十 forms as well. The
// 工作日 text is there on every day: whether the day is a working day is asked only of a reminder
// that has it (see fallsOnWorkingDay()), so that the calendar of working days is read
// only when there is one. Without `lunar`, the lunar texts are left out, for a file that
// holds no lunar reminder.
QStringList minuteMatchTexts(const QDateTime &minute, bool lunar = true);

// The readings of the wall clock (see WallClock) in (after, upTo] at which a reminder of
// time text `text` falls due: those whose match texts include it. Empty for a text that
// never falls due.
QList<QDateTime> dueMinutes(const QString &text, const QDateTime &after, const QDateTime &upTo);
// The day of the occurrence that a reminder of `text`, come at the moment `cameAt` (at its
// minute, late, or put off), reminds of: the day of its last minute up to then.
QDate occurrenceDay(const QString &text, const QDateTime &cameAt);

// False only for a 工作日 text on a day that is no working day: the check that the match
// texts leave to the reminder.
bool fallsOnWorkingDay(const QString &text, const QDate &date);

// What today's list does with one stored event.
enum class DayMatch {
    NotToday, // another day, an unknown kind, or a text that does not fit its kind
    Today,    // belongs in today's list
    Passed,   // a once-only event whose day is over (or whose text cannot be read)
};

// Decides by the event's kind and time text whether it belongs to `today`. Month-day,
// day and weekday parts are found by the first match of "\d+月\d+日", "\d+日" and
// "星期\S" and compared as exact text, so "03月05日" never equals "3月5日". A lunar text
// must begin with today's lunar date part and a blank, e.g. "农历八月十五 ".
DayMatch matchDay(Kind kind, const QString &timeText, const QDate &today);

// The text that a time text of `kind` must contain to be today's: "3月5日", "5日" or
// "星期三" for the yearly, monthly and weekly kinds, "农历八月十五" or "农历每月十五" for
// the lunar ones (none for the yearly in a leap month); empty for the others. Lets a
// reader pass over most events without the regular expressions.
QString dayText(Kind kind, const QDate &today);
// What a lunar text may contain instead on the last day of a 29-day lunar month:
// "农历腊月三十" or "农历每月三十", which fall on that day too; empty on other days and
// for the other kinds.
QString thirtiethDayText(Kind kind, const QDate &today);

} // namespace TimeText
