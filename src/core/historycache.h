#pragma once

#include <QDate>
#include <QList>
#include <QStringList>

class EventStore;
class HistoryRange;

// The history as last read from the store, each row with its date worked out once, so
// that another range is listed without reading the whole table again. When the file has
// changed since, through this program or any other, only the rows added are read as long
// as the rows read before are still all there; otherwise the whole table is read again.
class HistoryCache
{
public:
    explicit HistoryCache(EventStore &store);

    // The rows within `range`, in storage order, each as its five column texts. False when
    // the table cannot be read (the store's lastError() says why); `rows` is then empty.
    bool rowsIn(const HistoryRange &range, QList<QStringList> *rows);

    // How often the whole table has been read.
    int fullReads() const;

private:
    // Whether the rows read before are still all there, so that rows can only have been
    // added after them. False also when the store cannot tell (`ok` false then).
    bool onlyAdded(bool *ok);
    bool readAll();
    bool readAdded();
    void appendDates(qsizetype from);
    void forget();

    EventStore &m_store;
    QString m_mark; // the store's change mark when the rows were read; empty: not read
    QList<QStringList> m_rows;
    QList<QDate> m_dates;
    qint64 m_lastRowid = 0; // the rowid of the last row in m_rows
    quint64 m_deletions = 0; // the store's historyDeletions() when the rows were read
    int m_fullReads = 0;
};
