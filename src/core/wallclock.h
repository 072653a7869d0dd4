#pragma once

#include <QDateTime>
#include <QString>

// Readings of the wall clock. A time text names a reading ("9:07" on some day), not a moment:
// where daylight saving skips an hour a reading never comes, where it repeats one a reading
// comes twice, and a time zone change moves every reading. The reminder clock counts real
// minutes (moments) and asks which readings they bring.
//
// A reading is held in a QDateTime of Qt::UTC, used only for its date and time: Qt then
// neither moves it out of a skipped hour nor picks one of two moments for it, and minutes
// add and compare as on the face of a clock.
namespace WallClock {

// The minute the wall clock shows at `moment` (seconds dropped).
QDateTime readingAt(const QDateTime &moment);
// The first whole minute after `after` (or at all, without it) at which the wall clock
// shows `reading` or has gone past it: of two moments that show it, the first; in an hour
// that daylight saving skips, the minute the clock jumps to. Local time.
QDateTime firstMomentAt(const QDateTime &reading, const QDateTime &after = QDateTime());

// A reading as event.db keeps it, "2014-03-05T09:07:00", and back (a local moment gives the
// reading it shows, seconds and all); invalid for another text.
QString text(const QDateTime &reading);
QDateTime fromText(const QString &text);

} // namespace WallClock
