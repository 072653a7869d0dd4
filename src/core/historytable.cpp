#include "historytable.h"

#include "historyrange.h"
#include "schema.h"
#include "sqlitestatement.h"
#include "timetext.h"

std::optional<QList<HistoryEntry>> HistoryTable::read(const HistoryRange &range)
{
    QList<HistoryEntry> entries;
    SqliteStatement query(m_db, "select 时间, 内容, 完成情况, 完成时间, rowid from "
                                "historyeventtable order by rowid");
    while (!range.isEmpty() && query.next()) {
        HistoryEntry entry;
        entry.time = query.text(0);
        entry.status = Schema::statusOf(query.text(2));
        entry.completedAt = query.text(3);
        if (entry.status == Status::Done)
            entry.date = TimeText::parseOnceDate(entry.completedAt);
        else if (entry.status == Status::Missed)
            entry.date = TimeText::parseOnceDate(entry.time);
        if (!range.contains(entry.date))
            continue;
        entry.content = query.text(1);
        entry.id = query.integer(4);
        entries.append(std::move(entry));
    }
    return query.ok() ? std::optional(entries) : std::nullopt;
}
