// TimeText's questions across days: at which minutes of a span a time text falls due, and
// which day's occurrence a reminder that came is. (The texts themselves are in timetext.cpp.)
#include "timetext.h"

#include "wallclock.h"

#include <QHash>

namespace TimeText {

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
        const QDateTime minute(day, time, Qt::UTC); // a reading
        if (minute <= after || upTo < minute)
            continue;
        auto known = texts.constFind(minute);
        if (known == texts.cend())
            known = texts.insert(minute, minuteMatchTexts(minute));
        if (known->contains(text) && fallsOnWorkingDay(text, day))
            minutes.append(minute);
    }
    return minutes;
}

QDate occurrenceDay(const QString &text, const QDateTime &cameAt)
{
    // A reminder is put off by an hour at most at a time: its own minute lies within the
    // day before it came back, however often it was put off.
    const QDateTime reading = WallClock::readingAt(cameAt);
    const QList<QDateTime> minutes = dueMinutes(text, reading.addDays(-1), reading);
    return minutes.isEmpty() ? cameAt.date() : minutes.last().date();
}

} // namespace TimeText
