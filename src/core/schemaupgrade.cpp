#include "schemaupgrade.h"

#include "logging.h"
#include "schema.h"
#include "sqlitedatabase.h"
#include "sqlitestatement.h"

#include <QSet>

bool SchemaUpgrade::needed(bool *ok)
{
    int version = 0;
    *ok = readVersion(&version);
    return *ok && version < Schema::Version;
}

bool SchemaUpgrade::run()
{
    // "immediate" takes the write lock at once: two programs cannot upgrade together.
    if (!m_db.exec("begin immediate")) {
        m_writeRefused = m_db.failedForWantOfWriteAccess();
        return false;
    }
    int version = 0;
    if (readVersion(&version) && (version >= Schema::Version || upgradeAndCreate()) &&
        m_db.exec("commit")) {
        return true;
    }
    m_writeRefused = m_db.failedForWantOfWriteAccess();
    m_db.exec("rollback");
    return false;
}

bool SchemaUpgrade::readVersion(int *version)
{
    // Reading the header is also the first read of the file: a file that is no database
    // fails here, before anything is written.
    SqliteStatement query(m_db, "pragma user_version");
    if (!query.next())
        return false;
    *version = int(query.integer(0));
    return true;
}

bool SchemaUpgrade::upgradeAndCreate()
{
    QSet<QString> existing;
    SqliteStatement tables(m_db, "select name from sqlite_master where type = 'table'");
    while (tables.next())
        existing.insert(tables.text(0));
    if (!tables.ok())
        return false;

    for (const Schema::TableInfo &table : Schema::Tables) {
        const QString name = QString::fromLatin1(table.name);
        if (!existing.contains(name)) {
            if (!m_db.exec(table.create))
                return false;
            continue;
        }
        // Earlier versions declared "QString", which gives numeric affinity.
        SqliteStatement info(m_db, "pragma table_info(" + QByteArray(table.name) + ")");
        int columns = 0;
        bool old = false;
        while (info.next()) {
            ++columns;
            old = old || info.text(2).compare(QLatin1String("QString"), Qt::CaseInsensitive) == 0;
        }
        if (!info.ok())
            return false;
        if (!old)
            continue;
        m_hadOldTables = true;
        if (columns != table.columns) {
            m_mismatch = {name, columns, table.columns};
            return false;
        }
        if (!copyOldTable(table.name, table.create, table.insert, table.columns))
            return false;
    }
    const QByteArray setVersion = "pragma user_version = " + QByteArray::number(Schema::Version);
    return m_db.exec(Schema::TimeIndex) && m_db.exec(setVersion);
}

bool SchemaUpgrade::copyOldTable(const char *name, const char *create, const char *insert,
                                 int columns)
{
    qCInfo(lcStore) << "upgrading" << name;
    const QByteArray stale = QByteArray("tasquill_old_") + name;
    if (!m_db.exec("alter table " + QByteArray(name) + " rename to " + stale) ||
        !m_db.exec(create)) {
        return false;
    }
    SqliteStatement copy(m_db, "select * from " + stale + " order by rowid");
    SqliteStatement add(m_db, insert);
    while (copy.next()) {
        // The values go over as the earlier version read them, so every text stays as
        // the user saw it: 7 for a stored "007", 12.5 for "12.50"; NULL stays NULL.
        for (int c = 0; c < columns; ++c) {
            if (!copy.isNull(c))
                add.bind(c, copy.textAsQtReadIt(c));
        }
        if (!add.run())
            return false;
    }
    return copy.ok() && m_db.exec("drop table " + stale);
}
