#include "timetext.h"

#include "lunarcalendar.h"
#include "workdaycalendar.h"

#include <QHash>
#include <QRegularExpression>

namespace TimeText {

namespace {

bool isAsciiDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// Reads min … max ASCII digits at `p`, as many as there are. False when fewer than `min`
// are there or more than `max` follow one another (the next character must then be the
// separator, which it cannot be).
bool readNumber(const QChar *&p, const QChar *end, int min, int max, int *value)
{
    int n = 0;
    int count = 0;
    while (p != end && isAsciiDigit(*p)) {
        if (++count > max)
            return false;
        n = n * 10 + (p->unicode() - u'0');
        ++p;
    }
    *value = n;
    return count >= min;
}

bool readChar(const QChar *&p, const QChar *end, char16_t c)
{
    if (p == end || p->unicode() != c)
        return false;
    ++p;
    return true;
}

const QString LunarPrefix = QStringLiteral("农历");
const QString LunarMonthlyPrefix = QStringLiteral("农历每月");

// The date part of a lunar text, "农历八月十五" or "农历每月十五"; empty for a month or day
// that has no name.
QString lunarYearlyPart(int month, int day)
{
    const QString monthName = lunarMonthNames().value(month - 1);
    const QString dayName = lunarDayNames().value(day - 1);
    return monthName.isEmpty() || dayName.isEmpty() ? QString() : LunarPrefix + monthName + dayName;
}

QString lunarMonthlyPart(int day)
{
    const QString dayName = lunarDayNames().value(day - 1);
    return dayName.isEmpty() ? QString() : LunarMonthlyPrefix + dayName;
}

// Today's texts as the month-day, day and weekday rules compare them, kept for the last
// date asked: a rebuild asks about the same date for every stored event.
struct DayTexts
{
    QDate date;
    QString monthDay; // 3月5日
    QString day;      // 5日
    QString weekday;  // 星期三
};

const DayTexts &dayTexts(const QDate &date)
{
    thread_local DayTexts texts;
    if (texts.date != date || !texts.date.isValid()) {
        texts = DayTexts();
        texts.date = date;
        if (date.isValid()) { // no day matches an invalid date: the texts stay empty
            texts.monthDay =
                QString::number(date.month()) + u'月' + QString::number(date.day()) + u'日';
            texts.day = QString::number(date.day()) + u'日';
            texts.weekday = weekdayName(date.dayOfWeek());
        }
    }
    return texts;
}

// The same for the lunar rules, worked out only when asked: the lunar date costs more than
// all the rest, and ICU's calendar data takes memory that a user without lunar reminders
// need not pay for.
struct LunarTexts
{
    QDate date;
    QString yearly;  // 农历八月十五; empty in a leap month, which no yearly text names
    QString monthly; // 农历每月十五
    // On the last day of a 29-day month the 三十 forms, 农历腊月三十 (again none in a leap
    // month) and 农历每月三十; empty on other days.
    QString yearly30;
    QString monthly30;
    QString date_; // 农历闰二月十五
};

const LunarTexts &lunarTexts(const QDate &date)
{
    thread_local LunarTexts texts;
    if (texts.date != date || !texts.date.isValid()) {
        texts = LunarTexts();
        texts.date = date;
        const LunarDay lunar = lunarDayOf(date);
        if (lunar.isValid()) {
            if (!lunar.leapMonth)
                texts.yearly = lunarYearlyPart(lunar.month, lunar.day);
            texts.monthly = lunarMonthlyPart(lunar.day);
            if (lunar.lastOfShortMonth) {
                if (!lunar.leapMonth)
                    texts.yearly30 = lunarYearlyPart(lunar.month, 30);
                texts.monthly30 = lunarMonthlyPart(30);
            }
            texts.date_ = LunarPrefix + (lunar.leapMonth ? QStringLiteral("闰") : QString()) +
                          lunarMonthNames().at(lunar.month - 1) + lunarDayNames().at(lunar.day - 1);
        }
    }
    return texts;
}

// The first match of `pattern` in `text` equals `expected`. The patterns keep the meaning
// they had with QRegExp, where \d and \S followed Unicode, hence UseUnicodePropertiesOption.
bool firstMatchEquals(const QRegularExpression &pattern, const QString &text,
                      const QString &expected)
{
    // The first match can only equal `expected` if `expected` occurs at all; most stored
    // events fail this cheap test and never reach the regular expression.
    if (expected.isEmpty() || !text.contains(expected))
        return false;
    return pattern.match(text).captured(0) == expected;
}

// A lunar text is today's when it begins with today's date part and the blank before
// the time, so that neither "农历每月初一" nor "农历每月初十" is taken for the other.
bool beginsWithDatePart(const QString &text, const QString &part)
{
    return !part.isEmpty() && text.size() > part.size() && text.startsWith(part) &&
           text.at(part.size()) == u' ';
}

} // namespace

QString weekdayName(int dayOfWeek)
{
    const QStringList names = weekdayNames();
    return dayOfWeek >= 1 && dayOfWeek <= names.size() ? names.at(dayOfWeek - 1) : QString();
}

QStringList weekdayNames()
{
    static const QStringList names =
        QStringLiteral("星期一 星期二 星期三 星期四 星期五 星期六 星期天").split(u' ');
    return names;
}

QString composeOnce(const QDateTime &moment)
{
    return moment.toString(DateTimeFormat);
}

QString composeYearly(int month, int day, const QTime &t)
{
    return QString::number(month) + u'月' + QString::number(day) + u'日' + u' ' +
           t.toString(TimeFormat);
}

QString composeMonthly(int day, const QTime &t)
{
    return QString::number(day) + u'日' + u' ' + t.toString(TimeFormat);
}

QString composeDaily(const QTime &t)
{
    return t.toString(TimeFormat);
}

QString composeWeekly(const QString &weekday, const QTime &t)
{
    return weekday + u' ' + t.toString(TimeFormat);
}

QString composeLunarYearly(int month, int day, const QTime &t)
{
    const QString part = lunarYearlyPart(month, day);
    return part.isEmpty() ? QString() : part + u' ' + t.toString(TimeFormat);
}

QString composeLunarMonthly(int day, const QTime &t)
{
    const QString part = lunarMonthlyPart(day);
    return part.isEmpty() ? QString() : part + u' ' + t.toString(TimeFormat);
}

QString composeWorkday(const QTime &t)
{
    return QStringLiteral("工作日 ") + t.toString(TimeFormat);
}

QStringList lunarMonthNames()
{
    static const QStringList names =
        QStringLiteral("正月 二月 三月 四月 五月 六月 七月 八月 九月 十月 冬月 腊月").split(u' ');
    return names;
}

QStringList lunarDayNames()
{
    // 初一 … 初十, 十一 … 十九, 二十, 廿一 … 廿九, 三十.
    static const QStringList names = [] {
        const QString digits = QStringLiteral("一二三四五六七八九十");
        QStringList days;
        for (int day = 1; day <= 30; ++day) {
            const int tens = day / 10, units = day % 10;
            days << (day <= 10    ? u'初' + digits.at(day - 1)
                     : units == 0 ? digits.at(tens - 1) + u'十'
                                  : QString(u"十廿"[tens - 1]) + digits.at(units - 1));
        }
        return days;
    }();
    return names;
}

QString lunarDateText(const QDate &date)
{
    return lunarTexts(date).date_;
}

QString completionTime(const QDateTime &moment)
{
    return moment.toString(DateTimeFormat);
}

QString dateTag(const QDate &date)
{
    return date.toString(DateTagFormat);
}

namespace {

struct OnceFields
{
    QDate date;
    QTime time;
};

// Qt's parser runs to several microseconds a text; a rebuild parses every once-only
// event, so the one format is read by hand here. What Qt accepts for "yyyy年M月d日 H:mm":
// an optional minus sign and exactly four digits for the year, one or two digits for
// month, day and hour, exactly two for the minutes, the separators exactly, nothing
// before or after, and only a real date and time. False when the text does not fit.
bool readOnce(const QString &text, OnceFields *fields)
{
    const QChar *p = text.constData();
    const QChar *const end = p + text.size();
    const bool negative = p != end && p->unicode() == u'-';
    if (negative)
        ++p;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    if (!readNumber(p, end, 4, 4, &year) || !readChar(p, end, u'年') ||
        !readNumber(p, end, 1, 2, &month) || !readChar(p, end, u'月') ||
        !readNumber(p, end, 1, 2, &day) || !readChar(p, end, u'日') || !readChar(p, end, u' ') ||
        !readNumber(p, end, 1, 2, &hour) || !readChar(p, end, u':') ||
        !readNumber(p, end, 2, 2, &minute) || p != end) {
        return false;
    }
    fields->time = QTime(hour, minute);
    fields->date = QDate(negative ? -year : year, month, day);
    return fields->time.isValid() && fields->date.isValid();
}

} // namespace

QDate parseOnceDate(const QString &text)
{
    OnceFields fields;
    return readOnce(text, &fields) ? fields.date : QDate();
}

QStringList minuteMatchTexts(const QDateTime &minute, bool lunar)
{
    const QDate date = minute.date();
    const QTime time = minute.time();
    QStringList texts = {
        composeOnce(minute),
        composeYearly(date.month(), date.day(), time),
        composeMonthly(date.day(), time),
        composeWeekly(weekdayName(date.dayOfWeek()), time),
        composeDaily(time),
        composeWorkday(time),
    };
    if (!lunar)
        return texts;
    const LunarTexts &day = lunarTexts(date);
    for (const QString *part : {&day.yearly, &day.monthly, &day.yearly30, &day.monthly30}) {
        if (!part->isEmpty())
            texts << *part + u' ' + time.toString(TimeFormat);
    }
    return texts;
}

bool fallsOnWorkingDay(const QString &text, const QDate &date)
{
    return !text.startsWith(QStringLiteral("工作日 ")) ||
           WorkdayCalendar::shared().isWorkingDay(date);
}

QString dayText(Kind kind, const QDate &today)
{
    const DayTexts &texts = dayTexts(today);
    switch (kind) {
    case Kind::Yearly:
        return texts.monthDay;
    case Kind::Monthly:
        return texts.day;
    case Kind::Weekly:
        return texts.weekday;
    case Kind::LunarYearly:
        return lunarTexts(today).yearly;
    case Kind::LunarMonthly:
        return lunarTexts(today).monthly;
    default:
        return QString();
    }
}

QString thirtiethDayText(Kind kind, const QDate &today)
{
    return kind == Kind::LunarYearly    ? lunarTexts(today).yearly30
           : kind == Kind::LunarMonthly ? lunarTexts(today).monthly30
                                        : QString();
}

DayMatch matchDay(Kind kind, const QString &timeText, const QDate &today)
{
    static const QRegularExpression monthDayPattern(QStringLiteral("\\d+月\\d+日"),
                                                    QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression dayPattern(QStringLiteral("\\d+日"),
                                               QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression weekdayPattern(QStringLiteral("星期\\S"),
                                                   QRegularExpression::UseUnicodePropertiesOption);

    if (kind == Kind::Once) {
        // Only the date counts: an event of today whose time has gone by is still today's.
        // A text that names no date can never come due, so it counts as passed.
        const QDate date = parseOnceDate(timeText);
        if (!date.isValid() || date < today)
            return DayMatch::Passed;
        return date == today ? DayMatch::Today : DayMatch::NotToday;
    }
    if (kind == Kind::Daily)
        return DayMatch::Today;
    if (kind == Kind::Workday)
        return WorkdayCalendar::shared().isWorkingDay(today) ? DayMatch::Today : DayMatch::NotToday;
    if (kind == Kind::LunarYearly || kind == Kind::LunarMonthly) {
        return beginsWithDatePart(timeText, dayText(kind, today)) ||
                       beginsWithDatePart(timeText, thirtiethDayText(kind, today))
                   ? DayMatch::Today
                   : DayMatch::NotToday;
    }

    const QRegularExpression *pattern = kind == Kind::Yearly    ? &monthDayPattern
                                        : kind == Kind::Monthly ? &dayPattern
                                        : kind == Kind::Weekly  ? &weekdayPattern
                                                                : nullptr;
    if (!pattern)
        return DayMatch::NotToday;
    return firstMatchEquals(*pattern, timeText, dayText(kind, today)) ? DayMatch::Today
                                                                      : DayMatch::NotToday;
}

} // namespace TimeText
