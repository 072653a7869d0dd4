#include "historycache.h"

#include "eventstore.h"
#include "historyrange.h"

HistoryCache::HistoryCache(EventStore &store) : m_store(store) {}

bool HistoryCache::rowsIn(const HistoryRange &range, QList<QStringList> *rows)
{
    rows->clear();
    // Taken before reading: a change made while the rows are read shows in the next mark.
    const QString mark = m_store.changeMark();
    if (mark.isEmpty() || mark != m_mark) {
        // Let go of the old rows first, so their memory serves the new ones.
        m_mark.clear();
        m_dates.clear();
        m_rows.clear();
        bool ok = false;
        m_rows = m_store.rows(QStringLiteral("historyeventtable"), &ok);
        if (!ok)
            return false;
        m_dates.reserve(m_rows.size());
        for (const QStringList &row : std::as_const(m_rows))
            m_dates.append(HistoryRange::rowDate(row));
        m_mark = mark;
    }
    if (range.isEmpty())
        return true;
    for (int i = 0; i < m_rows.size(); ++i) {
        if (range.contains(m_dates.at(i)))
            rows->append(m_rows.at(i));
    }
    return true;
}
