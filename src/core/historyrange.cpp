#include "historyrange.h"

#include "timetext.h"

namespace {
enum Column { Time = 0, Status = 2, DoneTime = 3 };
}

HistoryRange::HistoryRange(const QDate &start, const QDate &end) : m_start(start), m_end(end) {}

HistoryRange HistoryRange::lastMonth(const QDate &today)
{
    // QDate::addMonths keeps the day where the earlier month has it and otherwise takes
    // that month's last day.
    return HistoryRange(today.addMonths(-1), today);
}

QDate HistoryRange::rowDate(const QStringList &row)
{
    if (row.size() <= DoneTime)
        return QDate();
    const QString &status = row.at(Status);
    if (status == QStringLiteral("完成"))
        return TimeText::parseOnceDate(row.at(DoneTime));
    if (status == QStringLiteral("未完成"))
        return TimeText::parseOnceDate(row.at(Time));
    return QDate();
}

bool HistoryRange::isEmpty() const
{
    return !m_start.isValid() || !m_end.isValid() || m_start > m_end;
}

bool HistoryRange::contains(const QDate &date) const
{
    if (isEmpty())
        return false;
    return !date.isValid() || (m_start <= date && date <= m_end);
}
