#pragma once

#include "historyentry.h"

#include <QList>

#include <optional>

class HistoryRange;
class SqliteDatabase;

// Reads the history rows, each placed on its day: a done row on that of its completion, a
// missed one on its own. Statements only; the store opens the file.
class HistoryTable
{
public:
    explicit HistoryTable(SqliteDatabase &db) : m_db(db) {}

    // The rows within `range`, in storage order; rows without a readable date are in every
    // range that is not empty. Nothing when the table cannot be read.
    std::optional<QList<HistoryEntry>> read(const HistoryRange &range);

private:
    SqliteDatabase &m_db;
};
