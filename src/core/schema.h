#pragma once

#include "event.h"
#include "historyentry.h"

#include <QString>

#include <array>

// The tables of event.db, as the store creates them. Columns are declared TEXT so that
// every value reads back exactly as it was typed ("007" stays "007"). Earlier versions
// address the columns by position, so their order never changes.
namespace Schema {

enum class Table { Events, Today, History, Completions, State, Snoozes };

struct TableInfo
{
    Table table;
    const char *name;
    const char *create;
    const char *insert;
    int columns;
};

inline constexpr std::array<TableInfo, 6> Tables = {{
    {Table::Events, "eventtable", "create table eventtable(时间 TEXT, 内容 TEXT, 类型 TEXT)",
     "insert into eventtable values(?,?,?)", 3},
    {Table::Today, "todayeventtable", "create table todayeventtable(时间 TEXT, 内容 TEXT)",
     "insert into todayeventtable values(?,?)", 2},
    {Table::History, "historyeventtable",
     "create table historyeventtable(时间 TEXT, 内容 TEXT, 完成情况 TEXT, 完成时间 TEXT, dTag "
     "TEXT)",
     "insert into historyeventtable values(?,?,?,?,?)", 5},
    {Table::Completions, "tceventtable",
     "create table tceventtable(时间 TEXT, 内容 TEXT, 完成时间 TEXT)",
     "insert into tceventtable values(?,?,?)", 3},
    // The program's own memory (the last minute checked), which earlier versions ignore.
    {Table::State, "statetable", "create table statetable(key TEXT PRIMARY KEY, value TEXT)",
     "insert or replace into statetable values(?,?)", 2},
    // Reminders put off by "稍后提醒", with their texts, so that neither quitting nor a
    // deletion of the event loses them; 提醒时间 is "yyyy-MM-ddTHH:mm:ss", local time.
    {Table::Snoozes, "snoozetable",
     "create table snoozetable(时间 TEXT, 内容 TEXT, 类型 TEXT, 提醒时间 TEXT)",
     "insert into snoozetable values(?,?,?,?)", 4},
}};

constexpr const TableInfo &info(Table table)
{
    return Tables[static_cast<int>(table)];
}

// The reminder clock looks events up by their time text once a minute.
inline constexpr const char *TimeIndex =
    "create index if not exists eventtable_time on eventtable(时间)";

// What the calendar sync last synced (see SyncState), which earlier versions ignore: the
// calendar it belongs to and its sync token in syncinfo, and one row per server object in
// syncitem. Made by the first sync, so a copied event.db carries them.
inline constexpr const char *SyncTables =
    "create table if not exists syncinfo(key TEXT PRIMARY KEY, value TEXT);"
    "create table if not exists syncitem(href TEXT PRIMARY KEY, etag TEXT, form TEXT, "
    "时间 TEXT, 内容 TEXT, 类型 TEXT, summary TEXT, reason TEXT)";

// The kind codes of column 类型 ("y" once, "m" yearly, "d" monthly, "t" daily, "w" weekly,
// "l" lunar yearly, "k" lunar monthly, "g" working days): empty for Kind::Other, Other for a code
// this program does not know.
QString kindCode(Kind kind);
Kind kindOf(const QString &code);
// The states of column 完成情况: "完成", "未完成"; empty for Status::Other, Other for a text
// this program never writes.
QString statusText(Status status);
Status statusOf(const QString &text);

// Kept in SQLite's user_version. 0: a file of an earlier version, or a new one; its
// tables are upgraded or created once. 1: TEXT columns and the time index. 2: the state
// and snooze tables.
inline constexpr int Version = 2;

} // namespace Schema
