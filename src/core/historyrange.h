#pragma once

#include <QDate>

// The range of calendar dates the history list shows, both ends included. A row whose date
// cannot be read is listed in every range that is not empty, so that it can still be
// found and deleted.
class HistoryRange
{
public:
    HistoryRange(const QDate &start, const QDate &end) : m_start(start), m_end(end) {}

    // What the browser shows when it opens: from one calendar month before `today` to
    // `today`. A day the earlier month lacks becomes its last day (31 March → 28 or 29
    // February).
    static HistoryRange lastMonth(const QDate &today);

    QDate start() const { return m_start; }
    QDate end() const { return m_end; }
    // A start after the end (or a bound that is no date) holds nothing at all.
    bool isEmpty() const;
    bool contains(const QDate &date) const;

private:
    QDate m_start;
    QDate m_end;
};
