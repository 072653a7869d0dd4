#include "historycache.h"

#include "eventstore.h"
#include "historyrange.h"

#include <limits>

HistoryCache::HistoryCache(EventStore &store) : m_store(store) {}

bool HistoryCache::rowsIn(const HistoryRange &range, QList<QStringList> *rows)
{
    rows->clear();
    // Taken before reading: a change made while the rows are read shows in the next mark.
    const QString mark = m_store.changeMark();
    if (mark.isEmpty() || mark != m_mark) {
        m_mark.clear();
        bool ok = true;
        const bool read = onlyAdded(&ok) ? readAdded() : ok && readAll();
        if (!read) {
            forget();
            return false;
        }
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

int HistoryCache::fullReads() const
{
    return m_fullReads;
}

bool HistoryCache::onlyAdded(bool *ok)
{
    // The program only ever adds history rows or deletes them. A new row takes the rowid
    // after the largest one left, so rows read before can only be replaced when the last
    // of them was deleted: it must still be there, unchanged, with all the rows before it.
    // Our own deletions are known outright, which also catches identical rows at the end
    // deleted and added again in another order.
    if (m_rows.isEmpty() || m_deletions != m_store.historyDeletions())
        return false;
    qint64 count = 0;
    QStringList last;
    *ok = m_store.historyUpTo(m_lastRowid, &count, &last);
    return *ok && count == m_rows.size() && last == m_rows.last();
}

bool HistoryCache::readAll()
{
    // Let go of the old rows first, so their memory serves the new ones.
    forget();
    m_deletions = m_store.historyDeletions();
    ++m_fullReads;
    // Rowids may be negative in SQLite; every row lies after the smallest one.
    if (!m_store.historyRowsAfter(std::numeric_limits<qint64>::min(), &m_rows, &m_lastRowid))
        return false;
    appendDates(0);
    return true;
}

bool HistoryCache::readAdded()
{
    QList<QStringList> added;
    if (!m_store.historyRowsAfter(m_lastRowid, &added, &m_lastRowid))
        return false;
    const qsizetype from = m_rows.size();
    m_rows.append(added);
    appendDates(from);
    return true;
}

void HistoryCache::appendDates(qsizetype from)
{
    m_dates.reserve(m_rows.size());
    for (qsizetype i = from; i < m_rows.size(); ++i)
        m_dates.append(HistoryRange::rowDate(m_rows.at(i)));
}

void HistoryCache::forget()
{
    m_dates.clear();
    m_rows.clear();
    m_lastRowid = 0;
}
