// libFuzzer target: any text as a stored time text, read, matched and its due minutes
// found without a crash, read as Qt's own parser reads the once-only form, and taken apart
// (as the command line's add does) only when its parts compose to it again.
#include "schedule.h"
#include "timetext.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    if (TimeText::parseOnceDate(text) !=
        QDateTime::fromString(text, TimeText::DateTimeFormat).date())
        std::abort();
    if (const std::optional<Schedule> schedule = Schedule::read(text);
        schedule && schedule->text() != text)
        std::abort();
    const QDate day = QDate(2023, 3, 22).addDays(size % 800);
    for (Kind kind : {Kind::Once, Kind::Yearly, Kind::Monthly, Kind::Daily, Kind::Weekly,
                      Kind::LunarYearly, Kind::LunarMonthly, Kind::Workday, Kind::Other})
        TimeText::matchDay(kind, text, day);
    const QDateTime from(day, QTime(23, 0), Qt::UTC);
    for (const QDateTime &minute : TimeText::dueMinutes(text, from, from.addDays(2))) {
        if (!TimeText::minuteMatchTexts(minute).contains(text))
            std::abort();
    }
    return 0;
}
