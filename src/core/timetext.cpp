#include "timetext.h"

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

} // namespace

QString weekdayName(int dayOfWeek)
{
    const QStringList names = weekdayNames();
    return dayOfWeek >= 1 && dayOfWeek <= names.size() ? names.at(dayOfWeek - 1) : QString();
}

QStringList weekdayNames()
{
    static const QStringList names = {
        QStringLiteral("星期一"), QStringLiteral("星期二"), QStringLiteral("星期三"),
        QStringLiteral("星期四"), QStringLiteral("星期五"), QStringLiteral("星期六"),
        QStringLiteral("星期天"),
    };
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

QStringList minuteMatchTexts(const QDateTime &minute)
{
    const QDate date = minute.date();
    const QTime time = minute.time();
    return {
        composeOnce(minute),
        composeYearly(date.month(), date.day(), time),
        composeMonthly(date.day(), time),
        composeWeekly(weekdayName(date.dayOfWeek()), time),
        composeDaily(time),
    };
}

QList<QDateTime> dueMinutes(const QString &text, const QDateTime &after, const QDateTime &upTo)
{
    // The time of day is the text's last part; a text without a valid "H:mm" there never
    // falls due. Each day's match texts are composed once for all events of that minute.
    const QString clock = text.mid(text.lastIndexOf(u' ') + 1);
    const QTime time = QTime::fromString(clock, TimeFormat);
    QList<QDateTime> minutes;
    if (!time.isValid() || composeDaily(time) != clock)
        return minutes;
    thread_local QHash<QDateTime, QStringList> texts;
    if (texts.size() > 100000)
        texts.clear();
    for (QDate day = after.date(); day.isValid() && day <= upTo.date(); day = day.addDays(1)) {
        const QDateTime minute(day, time);
        if (minute <= after || upTo < minute)
            continue;
        auto known = texts.constFind(minute);
        if (known == texts.cend())
            known = texts.insert(minute, minuteMatchTexts(minute));
        if (known->contains(text))
            minutes.append(minute);
    }
    return minutes;
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
    default:
        return QString();
    }
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
