// libFuzzer target: any text as a stored time text. Reading it, matching it against days
// and minutes, and finding its due minutes must neither crash nor disagree with Qt's own
// parser of the once-only form.
#include "timetext.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    if (TimeText::parseOnceDate(text) !=
        QDateTime::fromString(text, TimeText::DateTimeFormat).date())
        std::abort();
    const QDate day = QDate(2023, 3, 22).addDays(size % 800);
    for (Kind kind : {Kind::Once, Kind::Yearly, Kind::Monthly, Kind::Daily, Kind::Weekly,
                      Kind::LunarYearly, Kind::LunarMonthly, Kind::Other})
        TimeText::matchDay(kind, text, day);
    const QDateTime from(day, QTime(23, 0));
    for (const QDateTime &minute : TimeText::dueMinutes(text, from, from.addDays(2))) {
        if (!TimeText::minuteMatchTexts(minute).contains(text))
            std::abort();
    }
    return 0;
}
