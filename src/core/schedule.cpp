#include "schedule.h"

#include "timetext.h"

#include <QRegularExpression>

namespace {

// Reads "M月d日" (or "d日" without `withMonth`) with plain numbers; false otherwise. The
// ranges are the entry window's: any month 1 … 12, any day 1 … 31.
bool readMonthDay(const QString &part, bool withMonth, Schedule *s)
{
    static const QRegularExpression monthDay(QStringLiteral("^(\\d{1,2})月(\\d{1,2})日$"));
    static const QRegularExpression dayOnly(QStringLiteral("^(\\d{1,2})日$"));
    const QRegularExpressionMatch match = (withMonth ? monthDay : dayOnly).match(part);
    if (!match.hasMatch())
        return false;
    s->month = withMonth ? match.captured(1).toInt() : 0;
    s->day = match.captured(withMonth ? 2 : 1).toInt();
    return s->day >= 1 && s->day <= 31 && (!withMonth || (s->month >= 1 && s->month <= 12));
}

// The number (from 1) of the name that `text` begins with, taking it off `text`; 0 when
// none of `names` begins it.
int takeName(QString *text, const QStringList &names)
{
    for (int i = 0; i < names.size(); ++i) {
        if (text->startsWith(names.at(i))) {
            text->remove(0, names.at(i).size());
            return i + 1;
        }
    }
    return 0;
}

} // namespace

std::optional<Schedule> Schedule::read(const QString &text)
{
    const qsizetype blank = text.lastIndexOf(u' ');
    Schedule s;
    s.time = QTime::fromString(text.mid(blank + 1), TimeText::TimeFormat);
    QString part = blank < 0 ? QString() : text.left(blank);
    if (!s.time.isValid())
        return std::nullopt;
    if (blank < 0) {
        s.kind = Kind::Daily;
    } else if (part == QStringLiteral("工作日")) {
        s.kind = Kind::Workday;
    } else if (part.startsWith(QStringLiteral("农历每月"))) {
        part.remove(0, 4);
        s.kind = Kind::LunarMonthly;
        s.day = takeName(&part, TimeText::lunarDayNames());
    } else if (part.startsWith(QStringLiteral("农历"))) {
        part.remove(0, 2);
        s.kind = Kind::LunarYearly;
        s.month = takeName(&part, TimeText::lunarMonthNames());
        s.day = takeName(&part, TimeText::lunarDayNames());
    } else if ((s.weekday = takeName(&part, TimeText::weekdayNames())) != 0) {
        s.kind = Kind::Weekly;
    } else if ((s.date = TimeText::parseOnceDate(text)).isValid()) {
        s.kind = Kind::Once;
    } else if (readMonthDay(part, true, &s)) {
        s.kind = Kind::Yearly;
    } else if (readMonthDay(part, false, &s)) {
        s.kind = Kind::Monthly;
    }
    // Whatever was left over, or a form that is not the entry window's ("09:07", "03月5日",
    // "农历八月十五日"), composes to another text.
    if (s.kind == Kind::Other || s.text() != text)
        return std::nullopt;
    return s;
}

QString Schedule::text() const
{
    switch (kind) {
    case Kind::Once:
        return TimeText::composeOnce(QDateTime(date, time));
    case Kind::Yearly:
        return TimeText::composeYearly(month, day, time);
    case Kind::Monthly:
        return TimeText::composeMonthly(day, time);
    case Kind::Daily:
        return TimeText::composeDaily(time);
    case Kind::Weekly:
        return weekday >= 1 ? TimeText::composeWeekly(TimeText::weekdayName(weekday), time)
                            : QString();
    case Kind::LunarYearly:
        return TimeText::composeLunarYearly(month, day, time);
    case Kind::LunarMonthly:
        return TimeText::composeLunarMonthly(day, time);
    case Kind::Workday:
        return TimeText::composeWorkday(time);
    case Kind::Other:
        break;
    }
    return QString();
}
