#include "historyrange.h"

HistoryRange HistoryRange::lastMonth(const QDate &today)
{
    // QDate::addMonths keeps the day where the earlier month has it and otherwise takes
    // that month's last day.
    return HistoryRange(today.addMonths(-1), today);
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
