#include "syncstate.h"

#include "schema.h"
#include "sqlitestatement.h"

#include <QFileInfo>

#include <functional>

namespace {

constexpr int BusyTimeoutMs = 3000;

const char *const FormCodes[] = {"kept", "passed", "leftout"};

QString formCode(SyncRecord::Form form)
{
    return QLatin1String(FormCodes[int(form)]);
}

SyncRecord::Form formOf(const QString &code)
{
    for (int i = 0; i < 3; ++i) {
        if (code == QLatin1String(FormCodes[i]))
            return SyncRecord::Form(i);
    }
    return SyncRecord::Form::LeftOut;
}

} // namespace

SyncState::SyncState(const QString &eventDbPath)
    : m_fileName(QFileInfo(eventDbPath).absoluteFilePath())
{
}

bool SyncState::open()
{
    m_lastError = {};
    if (!m_db.open(m_fileName, SqliteDatabase::Mode::ReadWrite, BusyTimeoutMs) ||
        !m_db.exec(Schema::SyncTables))
        return fail(StoreError::Action::Open);
    return true;
}

bool SyncState::fail(StoreError::Action action)
{
    m_lastError =
        StoreError(action,
                   m_db.failedForWantOfWriteAccess() ? StoreError::Cause::CannotSave
                                                     : StoreError::causeOf(m_db.errorCode()),
                   m_fileName);
    if (m_lastError.cause == StoreError::Cause::Other)
        m_lastError.detail = m_db.errorMessage();
    return false;
}

bool SyncState::inTransaction(const std::function<bool()> &body)
{
    m_lastError = {};
    if (m_db.exec("begin immediate") && body() && m_db.exec("commit"))
        return true;
    fail(StoreError::Action::Write);
    m_db.exec("rollback");
    return false;
}

std::optional<QString> SyncState::info(const QString &key)
{
    SqliteStatement select(m_db, "select value from syncinfo where key = ?");
    const bool found = select.bind(0, key).next();
    if (!select.ok()) {
        fail(StoreError::Action::Read);
        return std::nullopt;
    }
    return found ? select.text(0) : QString();
}

bool SyncState::setInfo(const QString &key, const QString &value)
{
    return SqliteStatement(m_db, "insert or replace into syncinfo values(?,?)")
        .bindAll({key, value})
        .run();
}

bool SyncState::useCalendar(const QString &calendar)
{
    const std::optional<QString> current = info(QStringLiteral("calendar"));
    if (!current)
        return false;
    if (*current == calendar)
        return true;
    return inTransaction([&] {
        return m_db.exec("delete from syncitem; delete from syncinfo") &&
               setInfo(QStringLiteral("calendar"), calendar);
    });
}

std::optional<QString> SyncState::token()
{
    return info(QStringLiteral("token"));
}

bool SyncState::setToken(const QString &token)
{
    return inTransaction([&] { return setInfo(QStringLiteral("token"), token); });
}

std::optional<QList<SyncRecord>> SyncState::records()
{
    SqliteStatement select(
        m_db, "select href, etag, form, 时间, 内容, 类型, summary, reason from syncitem");
    QList<SyncRecord> records;
    while (select.next()) {
        records.append({select.text(0), select.text(1), formOf(select.text(2)),
                        Event{select.text(3), select.text(4), Schema::kindOf(select.text(5))},
                        select.text(6), select.text(7)});
    }
    if (!select.ok()) {
        fail(StoreError::Action::Read);
        return std::nullopt;
    }
    return records;
}

std::optional<QList<Event>> SyncState::events()
{
    SqliteStatement select(m_db, "select distinct 时间, 内容, 类型 from eventtable");
    QList<Event> events;
    while (select.next())
        events.append({select.text(0), select.text(1), Schema::kindOf(select.text(2))});
    if (!select.ok()) {
        fail(StoreError::Action::Read);
        return std::nullopt;
    }
    return events;
}

std::optional<bool> SyncState::inHistory(const Event &event)
{
    SqliteStatement select(m_db, "select 1 from historyeventtable where 时间 = ? and 内容 = ?");
    const bool found = select.bindAll({event.time, event.content}).next();
    if (!select.ok()) {
        fail(StoreError::Action::Read);
        return std::nullopt;
    }
    return found;
}

bool SyncState::apply(const QList<SyncStep> &steps)
{
    return inTransaction([&] {
        SqliteStatement remove(m_db, "delete from eventtable where 时间 = ? and 内容 = ? and "
                                     "类型 = ?");
        SqliteStatement stored(m_db, "select 1 from eventtable where 时间 = ? and 内容 = ? and "
                                     "类型 = ?");
        SqliteStatement insert(m_db, Schema::info(Schema::Table::Events).insert);
        SqliteStatement record(m_db, "insert or replace into syncitem values(?,?,?,?,?,?,?,?)");
        SqliteStatement drop(m_db, "delete from syncitem where href = ?");
        for (const SyncStep &step : steps) {
            if (step.remove) {
                remove.reset();
                const Event &e = *step.remove;
                if (!remove.bindAll({e.time, e.content, Schema::kindCode(e.kind)}).run())
                    return false;
            }
            if (step.add) {
                const Event &e = *step.add;
                const QString kind = Schema::kindCode(e.kind);
                stored.reset();
                insert.reset();
                if (!stored.bindAll({e.time, e.content, kind}).next() &&
                    (!stored.ok() || !insert.bindAll({e.time, e.content, kind}).run()))
                    return false;
            }
            if (step.record) {
                const SyncRecord &r = *step.record;
                record.reset();
                if (!record
                         .bindAll({r.href, r.etag, formCode(r.form), r.event.time, r.event.content,
                                   Schema::kindCode(r.event.kind), r.summary, r.reason})
                         .run())
                    return false;
            }
            if (!step.drop.isEmpty()) {
                drop.reset();
                if (!drop.bind(0, step.drop).run())
                    return false;
            }
        }
        return true;
    });
}

QList<SyncLeftOut> SyncState::leftOut(const QString &eventDbPath)
{
    SqliteDatabase db;
    QList<SyncLeftOut> leftOut;
    if (!db.open(eventDbPath, SqliteDatabase::Mode::ReadOnly, BusyTimeoutMs))
        return leftOut;
    SqliteStatement select(db, "select summary, reason from syncitem where form = 'leftout' "
                               "order by summary");
    while (select.next())
        leftOut.append({select.text(0), select.text(1)});
    return leftOut;
}
