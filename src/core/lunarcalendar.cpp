#include "lunarcalendar.h"

#include <QLoggingCategory>

#include <unicode/calendar.h>
#include <unicode/timezone.h>

#include <cstring>
#include <memory>

namespace {

Q_LOGGING_CATEGORY(lcLunar, "tasquill.lunar", QtInfoMsg)

// The Julian day of 1 January 1970, ICU's epoch.
constexpr qint64 UnixEpochJulianDay = 2440588;
constexpr double MsecsPerDay = 86400000.0;

struct Fields
{
    int month = 0;
    bool leap = false;
    int day = 0;
};

// ICU's Chinese calendar, made once per thread: making one costs far more than asking it.
// It runs in GMT and is given noon of the civil day in GMT, so it answers for that day as
// the Chinese calendar (reckoned in China's time) names it, in whatever zone the user is.
icu::Calendar *chineseCalendar()
{
    thread_local std::unique_ptr<icu::Calendar> calendar = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Calendar> made(icu::Calendar::createInstance(
            *icu::TimeZone::getGMT(), icu::Locale("zh_CN@calendar=chinese"), status));
        // Without the Chinese calendar's data ICU falls back to the Gregorian one, whose
        // months would be taken for lunar ones.
        if (U_FAILURE(status) || !made || std::strcmp(made->getType(), "chinese") != 0) {
            qCWarning(lcLunar) << "ICU has no Chinese calendar:" << u_errorName(status);
            return std::unique_ptr<icu::Calendar>();
        }
        return made;
    }();
    return calendar.get();
}

bool fieldsOf(icu::Calendar &calendar, const QDate &date, Fields *fields)
{
    if (!date.isValid())
        return false;
    UErrorCode status = U_ZERO_ERROR;
    calendar.setTime((date.toJulianDay() - UnixEpochJulianDay) * MsecsPerDay + MsecsPerDay / 2,
                     status);
    fields->month = calendar.get(UCAL_MONTH, status) + 1;
    fields->leap = calendar.get(UCAL_IS_LEAP_MONTH, status) != 0;
    fields->day = calendar.get(UCAL_DATE, status);
    return U_SUCCESS(status) && fields->month >= 1 && fields->month <= 12 && fields->day >= 1 &&
           fields->day <= 30;
}

} // namespace

LunarDay lunarDayOf(const QDate &date)
{
    icu::Calendar *calendar = chineseCalendar();
    Fields today, tomorrow;
    if (!calendar || !fieldsOf(*calendar, date, &today))
        return LunarDay();
    // ICU's length of a month is that of the regular month even in a leap month, so the
    // end of a short month is found by the day after it: 廿九 followed by 初一.
    const bool last =
        today.day == 29 && fieldsOf(*calendar, date.addDays(1), &tomorrow) && tomorrow.day == 1;
    return {today.month, today.leap, today.day, last};
}
