#pragma once

#include <QDate>
#include <QString>

// Whether a history row was done or missed; Other for a state this program never writes.
enum class Status { Done, Missed, Other };

// One row of the history.
struct HistoryEntry
{
    QString time;    // the reminder's time text
    QString content; // the reminder's text
    Status status = Status::Other;
    QString completedAt; // "yyyy年M月d日 H:mm" when done, empty when missed
    // The day the row belongs to: that of its completion when done, that of the once-only
    // event itself when missed. Invalid when no date can be read from it.
    QDate date;
    qint64 id = 0; // the row it was read from
};
