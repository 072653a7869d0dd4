#include "todaylist.h"

#include "schema.h"
#include "sqlitedatabase.h"
#include "sqlitestatement.h"

#include <algorithm>

using Schema::Table;

bool TodayList::rebuild(const QDate &today, bool lunar)
{
    QList<DayHit> hits;
    Completions completed;
    if (!forgetCompletionsOfAnotherDay(today) || !readDay(today, lunar, &hits) ||
        !readCompletions(&completed))
        return false;
    // Most rebuilds (each start, each change elsewhere) find the list as it was: it is
    // then left alone, which spares the disk a write.
    const bool passed = std::any_of(hits.cbegin(), hits.cend(), [](const DayHit &hit) {
        return hit.match != TimeText::DayMatch::Today;
    });
    bool same = false;
    if (!passed && !sameAsStored(listOf(hits, completed), &same))
        return false;
    return (!passed && same) ||
           (m_db.exec("delete from todayeventtable") &&
            storeDay(hits)
            // What was completed today stays off the list, duplicates included.
            && m_db.exec("delete from todayeventtable where exists (select 1 from tceventtable c "
                         "where c.时间 = todayeventtable.时间 and c.内容 = todayeventtable.内容)"));
}

std::optional<QList<TodayItem>> TodayList::workOut(const QDate &today, bool lunar)
{
    QList<DayHit> hits;
    bool current = true;
    Completions completed;
    if (!readCompletions(&completed) || !readDay(today, lunar, &hits) ||
        !completionsAreOf(today, &current))
        return std::nullopt;
    return listOf(hits, current ? completed : Completions());
}

bool TodayList::complete(const TodayItem &item, const QDateTime &now, bool ofToday, Finish finish)
{
    const QString completed = TimeText::completionTime(now);
    bool ok = SqliteStatement(m_db, Schema::info(Table::History).insert)
                  .bindAll({item.time, item.content, Schema::statusText(Status::Done), completed,
                            TimeText::dateTag(now.date())})
                  .run();
    // A finished once-only event must not fire again, nor stay or come back as missed: it
    // may have been moved to the history already when it is completed late.
    if (finish == Finish::EveryRow) {
        ok = ok &&
             SqliteStatement(m_db, "delete from eventtable where 时间 = ? and 内容 = ?")
                 .bindAll({item.time, item.content})
                 .run() &&
             SqliteStatement(m_db, "delete from historyeventtable "
                                   "where 时间 = ? and 内容 = ? and 完成情况 = ?")
                 .bindAll({item.time, item.content, Schema::statusText(Status::Missed)})
                 .run();
    } else if (finish == Finish::OnceRows) {
        ok = ok && SqliteStatement(
                       m_db, "delete from eventtable where 时间 = ? and 内容 = ? and 类型 = ?")
                       .bindAll({item.time, item.content, Schema::kindCode(Kind::Once)})
                       .run();
    }
    if (!ofToday)
        return ok;
    return ok &&
           SqliteStatement(m_db, Schema::info(Table::Completions).insert)
               .bindAll({item.time, item.content, completed})
               .run() &&
           SqliteStatement(m_db, "delete from todayeventtable where 时间 = ? and 内容 = ?")
               .bindAll({item.time, item.content})
               .run();
}

bool TodayList::readDay(const QDate &today, bool lunar, QList<DayHit> *hits)
{
    // Only rows that can be today's are read: a yearly, monthly, weekly or lunar text
    // without today's "3月5日", "5日", "星期三", "农历八月十五" or "农历每月十五" in it (or
    // the 三十 form that falls on the last day of a short lunar month) cannot match
    // (matchDay makes the same test first), and reading every row would cost more than all
    // the rest. An empty text (no yearly lunar text in a leap month) matches nothing.
    SqliteStatement scan(m_db,
                         "select 时间, 内容, 类型 from eventtable where 类型 in (?8, ?9, ?15) "
                         "or (类型 = ?10 and instr(时间, ?1) > 0) "
                         "or (类型 = ?11 and instr(时间, ?2) > 0) "
                         "or (类型 = ?12 and instr(时间, ?3) > 0) "
                         "or (类型 = ?13 and ((?4 <> '' and instr(时间, ?4) > 0) "
                         "or (?5 <> '' and instr(时间, ?5) > 0))) "
                         "or (类型 = ?14 and ((?6 <> '' and instr(时间, ?6) > 0) "
                         "or (?7 <> '' and instr(时间, ?7) > 0))) order by rowid");
    const auto lunarText = [&](Kind kind, bool thirtieth) {
        return !lunar      ? QString()
               : thirtieth ? TimeText::thirtiethDayText(kind, today)
                           : TimeText::dayText(kind, today);
    };
    using Schema::kindCode;
    scan.bindAll({TimeText::dayText(Kind::Yearly, today), TimeText::dayText(Kind::Monthly, today),
                  TimeText::dayText(Kind::Weekly, today), lunarText(Kind::LunarYearly, false),
                  lunarText(Kind::LunarYearly, true), lunarText(Kind::LunarMonthly, false),
                  lunarText(Kind::LunarMonthly, true), kindCode(Kind::Once), kindCode(Kind::Daily),
                  kindCode(Kind::Yearly), kindCode(Kind::Monthly), kindCode(Kind::Weekly),
                  kindCode(Kind::LunarYearly), kindCode(Kind::LunarMonthly),
                  kindCode(Kind::Workday)});
    while (scan.next()) {
        const QString time = scan.text(0);
        const auto match = TimeText::matchDay(Schema::kindOf(scan.text(2)), time, today);
        if (match != TimeText::DayMatch::NotToday)
            hits->append({{time, scan.text(1)}, match});
    }
    return scan.ok();
}

bool TodayList::readCompletions(Completions *completed)
{
    SqliteStatement done(m_db, "select 时间, 内容 from tceventtable");
    while (done.next())
        completed->insert({done.text(0), done.text(1)});
    return done.ok();
}

bool TodayList::completionsAreOf(const QDate &today, bool *of)
{
    // Completions are kept for the day they were made on; the first row tells which.
    SqliteStatement first(m_db, "select 完成时间 from tceventtable order by rowid limit 1");
    *of = !first.next() || TimeText::parseOnceDate(first.text(0)) == today;
    return first.ok();
}

bool TodayList::forgetCompletionsOfAnotherDay(const QDate &today)
{
    bool current = true;
    return completionsAreOf(today, &current) && (current || m_db.exec("delete from tceventtable"));
}

bool TodayList::storeDay(const QList<DayHit> &hits)
{
    // A passed once-only event takes every row of its time and content with it, and a row
    // already removed that way is not looked at again.
    SqliteStatement list(m_db, Schema::info(Table::Today).insert);
    SqliteStatement toHistory(m_db, Schema::info(Table::History).insert);
    SqliteStatement remove(m_db, "delete from eventtable where 时间 = ? and 内容 = ?");
    Completions removed;
    for (const DayHit &hit : hits) {
        const TodayItem &item = hit.item;
        if (removed.contains({item.time, item.content}))
            continue;
        if (hit.match == TimeText::DayMatch::Today) {
            if (!list.bindAll({item.time, item.content}).run())
                return false;
            continue;
        }
        // A text that names no date has none to tag the history row with: the tag stays
        // empty, and the browser lists such a row in every range.
        const QDate date = TimeText::parseOnceDate(item.time);
        const QString tag = date.isValid() ? TimeText::dateTag(date) : QString();
        if (!toHistory
                 .bindAll(
                     {item.time, item.content, Schema::statusText(Status::Missed), QString(), tag})
                 .run() ||
            !remove.bindAll({item.time, item.content}).run()) {
            return false;
        }
        removed.insert({item.time, item.content});
    }
    return true;
}

bool TodayList::sameAsStored(const QList<TodayItem> &items, bool *same)
{
    SqliteStatement stored(m_db, "select 时间, 内容 from todayeventtable order by rowid");
    qsizetype row = 0;
    *same = true;
    while (*same && stored.next()) {
        *same = row < items.size() && items.at(row).time == stored.text(0) &&
                items.at(row).content == stored.text(1);
        ++row;
    }
    *same = *same && row == items.size();
    return stored.ok();
}

QList<TodayItem> TodayList::listOf(const QList<DayHit> &hits, const Completions &completed)
{
    QList<TodayItem> items;
    for (const DayHit &hit : hits) {
        if (hit.match == TimeText::DayMatch::Today &&
            !completed.contains({hit.item.time, hit.item.content})) {
            items.append(hit.item);
        }
    }
    return items;
}
