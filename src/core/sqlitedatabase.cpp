#include "sqlitedatabase.h"

#include <QFile>

#include <sqlite3.h>

SqliteDatabase::~SqliteDatabase()
{
    close();
}

bool SqliteDatabase::open(const QString &path, Mode mode, int busyTimeoutMs)
{
    close();
    // A connection is used by the thread that opened it only: SQLite need not lock a
    // mutex at each call (a tenth of reading a long history).
    const int flags =
        SQLITE_OPEN_NOMUTEX | (mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY
                                                      : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        m_errorCode = rc;
        m_errorMessage = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        return false;
    }
    m_db = db;
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
    return true;
}

void SqliteDatabase::setBusyTimeout(int ms)
{
    if (m_db)
        sqlite3_busy_timeout(m_db, ms);
}

void SqliteDatabase::close()
{
    if (m_db) {
        // Every statement is finalised by its owner first; close_v2 would wait for them.
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

bool SqliteDatabase::exec(const QByteArray &sql)
{
    if (m_db && sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    noteFailure();
    return false;
}

void SqliteDatabase::noteFailure()
{
    m_errorCode = m_db ? sqlite3_extended_errcode(m_db) : SQLITE_MISUSE;
    m_errorMessage = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("not open");
}

bool SqliteDatabase::failedForWantOfWriteAccess() const
{
    // A file moved away while open refuses writes too, but the path may lead to a writable
    // file again.
    const int code = errorCode() & 0xff;
    return (code == SQLITE_READONLY && errorCode() != SQLITE_READONLY_DBMOVED) ||
           code == SQLITE_CANTOPEN || code == SQLITE_PERM;
}
