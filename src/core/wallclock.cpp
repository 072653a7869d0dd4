#include "wallclock.h"

#include <QList>

#include <algorithm>

namespace WallClock {

namespace {
const QString TextFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

QDateTime localAt(qint64 secs)
{
    return QDateTime::fromSecsSinceEpoch(secs);
}
} // namespace

QDateTime readingAt(const QDateTime &moment)
{
    const QTime t = moment.time();
    return QDateTime(moment.date(), QTime(t.hour(), t.minute()), Qt::UTC);
}

QDateTime firstMomentAt(const QDateTime &reading, const QDateTime &after)
{
    // The reading's seconds as if it were UTC, less the offset in force then, is the moment.
    // The offsets a day before and a day after are those on either side of any change
    // that day; a moment is one of the reading's when its own offset is the one assumed.
    const qint64 wall = reading.toSecsSinceEpoch();
    const int offsets[] = {localAt(wall - 86400).offsetFromUtc(),
                           localAt(wall + 86400).offsetFromUtc()};
    QList<QDateTime> moments;
    for (const int offset : offsets) {
        const QDateTime moment = localAt(wall - offset);
        if (moment.offsetFromUtc() == offset && !moments.contains(moment))
            moments.append(moment);
    }
    if (moments.isEmpty()) {
        // A skipped reading: the first minute of the hour the clock jumped to.
        const int low = qMin(offsets[0], offsets[1]), high = qMax(offsets[0], offsets[1]);
        for (qint64 secs = wall - high; secs <= wall - low; secs += 60) {
            if (readingAt(localAt(secs)) >= reading) {
                moments.append(localAt(secs));
                break;
            }
        }
    }
    std::sort(moments.begin(), moments.end());
    for (const QDateTime &moment : std::as_const(moments)) {
        if (!after.isValid() || moment > after)
            return moment;
    }
    // Nothing known after `after`: look again at the next minute rather than never.
    if (!after.isValid())
        return QDateTime();
    const QTime t = after.time();
    return after.addMSecs(60000 - t.second() * 1000 - t.msec());
}

QString text(const QDateTime &reading)
{
    return reading.toString(TextFormat);
}

QDateTime fromText(const QString &text)
{
    // Read as a reading, not as a local moment: one in a skipped hour stays what it says.
    const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
    const QTime time = QTime::fromString(text.mid(11), Qt::ISODate);
    return text.size() == 19 && text.at(10) == u'T' && date.isValid() && time.isValid()
               ? QDateTime(date, time, Qt::UTC)
               : QDateTime();
}

} // namespace WallClock
