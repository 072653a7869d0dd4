#pragma once

#include "storeerror.h"

#include <QString>

class SqliteDatabase;

// Brings a file to the current schema, once: the tables of earlier versions, whose
// columns were declared "QString" (numeric affinity: "007" was stored as 7), are copied
// into TEXT tables with every value as those versions showed it; missing tables and the
// time index are created; SQLite's user_version records that this has been done, so a
// file already brought up to date is only read.
//
// Everything happens in one transaction: a failure leaves the file as it was.
class SchemaUpgrade
{
public:
    explicit SchemaUpgrade(SqliteDatabase &db) : m_db(db) {}

    // Whether the file must be written to be up to date; `ok` false when it cannot be read.
    bool needed(bool *ok);
    bool run();

    // Whether run() had tables of an earlier version to copy.
    bool hadOldTables() const { return m_hadOldTables; }
    // Whether run() failed because the file or its folder cannot be written.
    bool writeRefused() const { return m_writeRefused; }
    // A table of an earlier version that run() could not copy, having other columns than
    // the program's; no table otherwise.
    StoreError::Layout mismatch() const { return m_mismatch; }

private:
    bool readVersion(int *version);
    bool upgradeAndCreate();
    bool copyOldTable(const char *name, const char *create, const char *insert, int columns);

    SqliteDatabase &m_db;
    bool m_hadOldTables = false;
    bool m_writeRefused = false;
    StoreError::Layout m_mismatch;
};
