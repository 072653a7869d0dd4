#pragma once

#include <QByteArray>
#include <QString>

struct sqlite3;

// One connection to an SQLite file, straight through SQLite's own interface: statements
// can stay prepared, rows are read without a conversion per value, and errors keep
// SQLite's code, which tells a read-only file from a locked or damaged one.
class SqliteDatabase
{
public:
    enum class Mode { ReadWrite, ReadOnly };

    SqliteDatabase() = default;
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase &) = delete;
    SqliteDatabase &operator=(const SqliteDatabase &) = delete;

    // Opens `path`; in ReadWrite mode the file is created when missing. A file the system
    // will not let us write opens for reading only. Waits up to `busyTimeoutMs` for a lock
    // held elsewhere before a statement fails.
    bool open(const QString &path, Mode mode, int busyTimeoutMs);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    // How long the next statements wait for a lock held elsewhere before they fail.
    void setBusyTimeout(int ms);

    // Runs one or more statements that return no rows.
    bool exec(const QByteArray &sql);

    // SQLite's result code and message for the last statement that failed, kept from the
    // moment of the failure (later calls that succeed do not clear them).
    int errorCode() const { return m_errorCode; }
    QString errorMessage() const { return m_errorMessage; }
    // Records the connection's error of the call that just failed.
    void noteFailure();
    // Whether the last failure means the file or its folder cannot be written.
    bool failedForWantOfWriteAccess() const;

    sqlite3 *handle() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
    int m_errorCode = 0;
    QString m_errorMessage;
};
