#pragma once

#include <QDate>
#include <QList>
#include <QStringList>

class EventStore;
class HistoryRange;

// The history as last read from the store, each row with its date worked out once, so
// that another range is listed without reading the whole table again. The table is read
// again whenever the file has changed since, through this program or any other.
class HistoryCache
{
public:
    explicit HistoryCache(EventStore &store);

    // The rows within `range`, in storage order, each as its five column texts. False when
    // the table cannot be read (the store's lastError() says why); `rows` is then empty.
    bool rowsIn(const HistoryRange &range, QList<QStringList> *rows);

private:
    EventStore &m_store;
    QString m_mark; // the store's change mark when the rows were read; empty: not read
    QList<QStringList> m_rows;
    QList<QDate> m_dates;
};
