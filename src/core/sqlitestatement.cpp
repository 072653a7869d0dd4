#include "sqlitestatement.h"

#include "sqlitedatabase.h"

#include <QVariant>

#include <sqlite3.h>

SqliteStatement::SqliteStatement(SqliteDatabase &db, QByteArrayView sql) : m_db(db)
{
    m_ok = db.handle() && sqlite3_prepare_v2(db.handle(), sql.data(), int(sql.size()), &m_stmt,
                                             nullptr) == SQLITE_OK;
    if (!m_ok)
        fail();
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

SqliteStatement &SqliteStatement::bind(int index, const QString &text)
{
    if (m_ok) {
        const QByteArray utf8 = text.toUtf8();
        m_ok = sqlite3_bind_text(m_stmt, index + 1, utf8.constData(), int(utf8.size()),
                                 SQLITE_TRANSIENT) == SQLITE_OK ||
               fail();
    }
    return *this;
}

SqliteStatement &SqliteStatement::bind(int index, qint64 number)
{
    if (m_ok)
        m_ok = sqlite3_bind_int64(m_stmt, index + 1, number) == SQLITE_OK || fail();
    return *this;
}

SqliteStatement &SqliteStatement::bindAll(std::initializer_list<QString> texts)
{
    int index = 0;
    for (const QString &text : texts)
        bind(index++, text);
    return *this;
}

bool SqliteStatement::next()
{
    if (!m_ok)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    m_ok = rc == SQLITE_DONE || fail();
    return false;
}

bool SqliteStatement::fail()
{
    m_db.noteFailure();
    return false;
}

bool SqliteStatement::run()
{
    while (next()) {
    }
    const bool done = m_ok;
    reset();
    return done;
}

QString SqliteStatement::text(int column) const
{
    const auto *utf8 = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    if (!utf8)
        return QString();
    return QString::fromUtf8(utf8, sqlite3_column_bytes(m_stmt, column));
}

qint64 SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

QString SqliteStatement::textAsQtReadIt(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return QString::number(integer(column));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, column)).toString();
    default:
        return text(column);
    }
}

void SqliteStatement::reset()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    // A failed step leaves its error on the connection; the statement can run again.
    m_ok = m_stmt != nullptr;
}
