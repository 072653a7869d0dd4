#pragma once

#include <QByteArrayView>
#include <QString>

#include <initializer_list>

struct sqlite3_stmt;
class SqliteDatabase;

// A prepared statement. Values are bound and read as text: the program's columns hold
// texts only. Reading stops at the end of the rows or at a failure; ok() tells which.
class SqliteStatement
{
public:
    SqliteStatement(SqliteDatabase &db, QByteArrayView sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // Binds `text` to the parameter at `index` (from 0); a null text is stored as an empty
    // one, so that "时间 = ?" finds it again.
    SqliteStatement &bind(int index, const QString &text);
    SqliteStatement &bind(int index, qint64 number);
    // Binds the values in order from the first parameter.
    SqliteStatement &bindAll(std::initializer_list<QString> texts);

    // Steps to the next row: false at the end of the rows and on a failure.
    bool next();
    // Runs the statement to its end; true when that went without failure.
    bool run();
    // Whether preparing and every step so far succeeded.
    bool ok() const { return m_ok; }

    // The column of the current row as text; a null text for NULL.
    QString text(int column) const;
    qint64 integer(int column) const;
    bool isNull(int column) const;
    // The column as an earlier version of the program read it: numbers as Qt writes them
    // (7 for an integer stored from "007", 12.5 for a real from "12.50"), texts as they are.
    QString textAsQtReadIt(int column) const;

    // Makes the statement ready to run again with new values.
    void reset();

private:
    bool fail();

    SqliteDatabase &m_db;
    sqlite3_stmt *m_stmt = nullptr;
    bool m_ok = false;
};
