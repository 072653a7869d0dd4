#include "snoozes.h"

#include "schema.h"
#include "sqlitestatement.h"
#include "wallclock.h"

// The texts compare as moments: the format has fixed widths.

Snoozes::Snoozes(SqliteDatabase &db) : m_db(db) {}

Snoozes::~Snoozes() = default;

bool Snoozes::add(const Event &event, const QDateTime &due)
{
    return SqliteStatement(m_db, Schema::info(Schema::Table::Snoozes).insert)
        .bindAll({event.time, event.content, Schema::kindCode(event.kind), WallClock::text(due)})
        .run();
}

std::optional<bool> Snoozes::anyDue(const QDateTime &upTo)
{
    if (!m_check)
        m_check = std::make_unique<SqliteStatement>(
            m_db, "select 1 from snoozetable where 提醒时间 <= ? limit 1");
    m_check->bindAll({WallClock::text(upTo)});
    const bool any = m_check->next();
    const bool looked = m_check->ok();
    m_check->reset();
    if (looked)
        return any;
    m_check.reset(); // prepared anew next time
    return std::nullopt;
}

bool Snoozes::take(const QDateTime &upTo, QList<Reminder> *due)
{
    SqliteStatement query(m_db, "select 时间, 内容, 类型, rowid, 提醒时间 from snoozetable "
                                "where 提醒时间 <= ? order by 提醒时间, rowid");
    query.bindAll({WallClock::text(upTo)});
    QList<qint64> rows;
    while (query.next()) {
        const Event event{query.text(0), query.text(1), Schema::kindOf(query.text(2)),
                          query.integer(3)};
        due->append({event, WallClock::firstMomentAt(WallClock::fromText(query.text(4)))});
        rows.append(query.integer(3));
    }
    SqliteStatement remove(m_db, "delete from snoozetable where rowid = ?");
    for (qint64 row : std::as_const(rows)) {
        if (!remove.bind(0, row).run())
            return false;
    }
    return query.ok();
}

void Snoozes::forgetStatements()
{
    m_check.reset();
}
