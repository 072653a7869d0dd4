#include "icalreader.h"

#include "lunarcalendar.h"
#include "schedule.h"
#include "timetext.h"

#include <QTimeZone>

#include <libical/ical.h>

#include <memory>
#include <variant>

namespace {

using Component = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;

// What keeps an item from being a reminder: a reason for the user.
struct Refusal
{
    QString reason;
};
// A once-only moment that has passed: counted, not stored.
struct Passed
{
};

template <std::size_t N> int countOf(const short (&values)[N])
{
    int n = 0;
    while (n < int(N) && values[n] != ICAL_RECURRENCE_ARRAY_MAX)
        ++n;
    return n;
}

QString text(const char *value)
{
    return value ? QString::fromUtf8(value) : QString();
}

QString contentOf(icalcomponent *item)
{
    const QString summary = text(icalcomponent_get_summary(item));
    const QString description = text(icalcomponent_get_description(item));
    // A reminder written by this program (or a calendar that repeats the title) carries the
    // whole text in the description.
    QString content = description;
    if (description.isEmpty() || !description.startsWith(summary))
        content = summary.isEmpty() || description.isEmpty() ? summary + description
                                                             : summary + u'\n' + description;
    // The blanks around it, which readers trim, as this program wrote them: unless the text
    // was changed elsewhere since.
    for (icalproperty *p = icalcomponent_get_first_property(item, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(item, ICAL_X_PROPERTY)) {
        const QString exact = QString::fromUtf8(
            QByteArray::fromPercentEncoding(QByteArray(icalproperty_get_value_as_string(p))));
        if (qstrcmp(icalproperty_get_x_name(p), "X-TASQUILL-CONTENT") == 0 &&
            exact.trimmed() == content.trimmed())
            return exact;
    }
    return content;
}

// The local moment of `t`: a floating time is the wall clock's already; one in UTC or a
// time zone is converted. Nothing for a time zone that is neither defined in the file nor
// known.
std::optional<QDateTime> localMoment(const icaltimetype &t, icalproperty *property)
{
    const QDateTime wall(QDate(t.year, t.month, t.day),
                         t.is_date ? QTime(0, 0) : QTime(t.hour, t.minute, t.second));
    if (t.is_date || (!t.zone && !icaltime_is_utc(t))) {
        icalparameter *tzid = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER);
        if (!tzid)
            return wall;
        // A zone libical does not know: Qt knows Windows' names as well.
        const QByteArray name = icalparameter_get_tzid(tzid);
        QTimeZone zone(name);
        if (!zone.isValid())
            zone = QTimeZone(QTimeZone::windowsIdToDefaultIanaId(name));
        if (!zone.isValid())
            return std::nullopt;
        return QDateTime(wall.date(), wall.time(), zone).toLocalTime();
    }
    const icaltimezone *zone = t.zone ? t.zone : icaltimezone_get_utc_timezone();
    return QDateTime::fromSecsSinceEpoch(
        icaltime_as_timet_with_zone(t, const_cast<icaltimezone *>(zone)));
}

// Whether a time in `t`'s zone shows the same wall-clock time here, now and for the next
// two years (so that a rule in its zone is the same rule in local time).
bool sameWallClockHere(const icaltimetype &t, icalproperty *property, const QDate &today)
{
    for (int month = 0; month <= 24; ++month) {
        icaltimetype sample = t;
        const QDate date = month == 0 ? QDate(t.year, t.month, t.day) : today.addMonths(month);
        sample.year = date.year();
        sample.month = date.month();
        sample.day = date.day();
        const std::optional<QDateTime> local = localMoment(sample, property);
        if (!local || local->date() != date || local->time() != QTime(t.hour, t.minute, t.second)) {
            return false;
        }
    }
    return true;
}

// The kind and day of a rule, for a reminder at the local moment `at` (the first
// occurrence, alarm included).
std::variant<Schedule, Refusal> scheduleOf(const icalrecurrencetype &r, const QDateTime &at)
{
    Schedule s;
    s.time = at.time();
    const QString scale = QString::fromLatin1(r.rscale).toUpper();
    const bool lunar = scale == QLatin1String("CHINESE");
    if (!lunar && !scale.isEmpty() && scale != QLatin1String("GREGORIAN"))
        return Refusal{QStringLiteral("不支持的历法 %1").arg(scale)};
    if (r.interval > 1)
        return Refusal{QStringLiteral("每 %1 个周期一次，无法保持").arg(r.interval)};
    if (r.count > 0 || !icaltime_is_null_time(r.until))
        return Refusal{QStringLiteral("有次数或结束日期，无法保持")};
    if (countOf(r.by_second) + countOf(r.by_minute) + countOf(r.by_hour) + countOf(r.by_year_day) +
            countOf(r.by_week_no) + countOf(r.by_set_pos) >
        0)
        return Refusal{QStringLiteral("重复规则太复杂，无法保持")};
    const int days = countOf(r.by_day), monthDays = countOf(r.by_month_day);
    const int months = countOf(r.by_month);
    if (days > 1 || monthDays > 1 || months > 1)
        return Refusal{QStringLiteral("重复在多个日子，无法保持")};
    const LunarDay lunarDay = lunarDayOf(at.date());
    const bool monthly = r.freq == ICAL_MONTHLY_RECURRENCE;
    switch (r.freq) {
    case ICAL_DAILY_RECURRENCE:
        s.kind = Kind::Daily;
        if (days + monthDays + months == 0)
            return s;
        break;
    case ICAL_WEEKLY_RECURRENCE:
        s.kind = Kind::Weekly;
        s.weekday = days ? (icalrecurrencetype_day_day_of_week(r.by_day[0]) + 5) % 7 + 1
                         : at.date().dayOfWeek();
        if (monthDays + months == 0 && (!days || !icalrecurrencetype_day_position(r.by_day[0])))
            return s;
        break;
    case ICAL_MONTHLY_RECURRENCE:
    case ICAL_YEARLY_RECURRENCE:
        // A yearly rule with days but no month repeats every month.
        if (days || (monthly && months) || (!monthly && monthDays && !months))
            break;
        s.kind = lunar ? (monthly ? Kind::LunarMonthly : Kind::LunarYearly)
                       : (monthly ? Kind::Monthly : Kind::Yearly);
        s.day = monthDays ? r.by_month_day[0] : (lunar ? lunarDay.day : at.date().day());
        s.month = months ? icalrecurrencetype_month_month(r.by_month[0])
                         : (lunar ? lunarDay.month : at.date().month());
        if (s.day < 1 || s.text().isEmpty())
            break;
        if (lunar && (months ? icalrecurrencetype_month_is_leap(r.by_month[0])
                             : (!monthly && lunarDay.leapMonth)))
            return Refusal{QStringLiteral("农历闰月的事项，无法保持")};
        // A 三十 skipped in a month of 29 days: this program rings on the 29th.
        if (lunar && s.day == 30 && r.skip != ICAL_SKIP_BACKWARD)
            return Refusal{QStringLiteral("农历三十在小月被跳过，无法保持")};
        if (monthly)
            s.month = 0;
        return s;
    default:
        return Refusal{QStringLiteral("重复得比每天更频繁，无法保持")};
    }
    return Refusal{QStringLiteral("重复规则太复杂，无法保持")};
}

// The reminder of one event or to-do, or why there is none.
std::variant<Event, Refusal, Passed> reminderOf(icalcomponent *item, const QDateTime &now)
{
    const bool todo = icalcomponent_isa(item) == ICAL_VTODO_COMPONENT;
    const icalproperty_status status = icalcomponent_get_status(item);
    if (status == ICAL_STATUS_CANCELLED || status == ICAL_STATUS_COMPLETED)
        return Refusal{QStringLiteral("已取消或已完成")};
    if (icalcomponent_get_first_property(item, ICAL_RECURRENCEID_PROPERTY))
        return Refusal{QStringLiteral("重复事项中单独改过的一次，无法保持")};
    if (icalcomponent_get_first_property(item, ICAL_RDATE_PROPERTY) ||
        icalcomponent_get_first_property(item, ICAL_EXDATE_PROPERTY))
        return Refusal{QStringLiteral("有另加或排除的日期，无法保持")};
    icalproperty *startProperty =
        todo ? icalcomponent_get_first_property(item, ICAL_DUE_PROPERTY) : nullptr;
    icaltimetype start = startProperty ? icalcomponent_get_due(item) : icaltime_null_time();
    if (!startProperty) {
        startProperty = icalcomponent_get_first_property(item, ICAL_DTSTART_PROPERTY);
        start = icalcomponent_get_dtstart(item);
    }
    if (!startProperty || icaltime_is_null_time(start))
        return Refusal{QStringLiteral("没有时间")};
    const std::optional<QDateTime> startAt = localMoment(start, startProperty);
    if (!startAt)
        return Refusal{QStringLiteral("不认识的时区")};

    icalcomponent *alarm = icalcomponent_get_first_component(item, ICAL_VALARM_COMPONENT);
    while (alarm && icalproperty_get_action(icalcomponent_get_first_property(
                        alarm, ICAL_ACTION_PROPERTY)) != ICAL_ACTION_DISPLAY)
        alarm = icalcomponent_get_next_component(item, ICAL_VALARM_COMPONENT);
    icalproperty *trigger =
        alarm ? icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY) : nullptr;
    if (!trigger && start.is_date)
        return Refusal{QStringLiteral("全天事项，没有提醒时间")};
    QDateTime at = *startAt;
    icalproperty *rrule = icalcomponent_get_first_property(item, ICAL_RRULE_PROPERTY);
    if (trigger) {
        const icaltriggertype t = icalproperty_get_trigger(trigger);
        icalparameter *related = icalproperty_get_first_parameter(trigger, ICAL_RELATED_PARAMETER);
        if (!icaltime_is_null_time(t.time)) {
            if (rrule)
                return Refusal{QStringLiteral("重复事项的提醒是固定时刻，无法保持")};
            const std::optional<QDateTime> moment = localMoment(t.time, trigger);
            if (!moment)
                return Refusal{QStringLiteral("不认识的时区")};
            at = *moment;
        } else if (related && icalparameter_get_related(related) == ICAL_RELATED_END) {
            return Refusal{QStringLiteral("提醒相对结束时间，无法保持")};
        } else {
            at = at.addSecs(icaldurationtype_as_int(t.duration));
        }
    }
    if (at.time().second() != 0)
        return Refusal{QStringLiteral("提醒时间不在整分钟")};
    const QString content = contentOf(item);
    if (!rrule) {
        if (at <= now)
            return Passed{};
        return Event{TimeText::composeOnce(at), content, Kind::Once};
    }

    if (icalcomponent_count_properties(item, ICAL_RRULE_PROPERTY) > 1)
        return Refusal{QStringLiteral("有多条重复规则，无法保持")};
    if (!start.is_date &&
        (start.zone || icaltime_is_utc(start) ||
         icalproperty_get_first_parameter(startProperty, ICAL_TZID_PARAMETER)) &&
        !sameWallClockHere(start, startProperty, now.date()))
        return Refusal{QStringLiteral("时区与本机不同，提醒时间会变")};
    if (startAt->date() > now.date())
        return Refusal{
            QStringLiteral("从 %1 才开始，无法保持").arg(startAt->date().toString(Qt::ISODate))};
    const icalrecurrencetype r = icalproperty_get_rrule(rrule);
    if (at.date() != startAt->date() && r.freq != ICAL_DAILY_RECURRENCE)
        return Refusal{QStringLiteral("提醒不在事项当天，无法保持")};
    const auto schedule = scheduleOf(r, at);
    if (const Refusal *refusal = std::get_if<Refusal>(&schedule))
        return *refusal;
    const Schedule &s = std::get<Schedule>(schedule);
    return Event{s.text(), content, s.kind};
}

} // namespace

CalendarImport::Result IcalReader::read(const QByteArray &ics, const QDateTime &now)
{
    using CalendarImport::Result;
    Result result;
    // libical reads what it can of a damaged file; only a whole calendar is imported.
    const QByteArray trimmed = ics.trimmed();
    Component root(trimmed.startsWith("BEGIN:VCALENDAR") && trimmed.endsWith("END:VCALENDAR")
                       ? icalparser_parse_string(trimmed.constData())
                       : nullptr,
                   icalcomponent_free);
    if (!root || icalcomponent_isa(root.get()) != ICAL_VCALENDAR_COMPONENT) {
        result.error = QStringLiteral("这不是一个完整的 iCalendar 日历文件（它应以 "
                                      "BEGIN:VCALENDAR 开始、以 END:VCALENDAR 结束）。");
        return result;
    }
    // Gathered first: reading an item may look up its time zone in the calendar, which moves
    // the calendar's own iterator.
    QList<icalcomponent *> items;
    for (icalcomponent *item = icalcomponent_get_first_component(root.get(), ICAL_ANY_COMPONENT);
         item; item = icalcomponent_get_next_component(root.get(), ICAL_ANY_COMPONENT)) {
        const icalcomponent_kind kind = icalcomponent_isa(item);
        if (kind == ICAL_VEVENT_COMPONENT || kind == ICAL_VTODO_COMPONENT)
            items.append(item);
    }
    for (icalcomponent *item : std::as_const(items)) {
        const auto reminder = reminderOf(item, now);
        if (const Refusal *refusal = std::get_if<Refusal>(&reminder)) {
            result.leftOut.append({text(icalcomponent_get_summary(item)), refusal->reason});
        } else if (const Event *event = std::get_if<Event>(&reminder)) {
            result.events.append(*event);
        } else {
            ++result.past;
        }
    }
    return result;
}
