#pragma once

#include <array>

// The tables of event.db, as the store creates them. Columns are declared TEXT so that
// every value reads back exactly as it was typed ("007" stays "007"). Earlier versions
// address the columns by position, so their order never changes.
namespace Schema {

enum class Table { Events, Today, History, Completions };

struct TableInfo
{
    Table table;
    const char *name;
    const char *create;
    const char *insert;
    int columns;
};

inline constexpr std::array<TableInfo, 4> Tables = {{
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
}};

constexpr const TableInfo &info(Table table)
{
    return Tables[static_cast<int>(table)];
}

// The reminder clock looks events up by their time text once a minute.
inline constexpr const char *TimeIndex =
    "create index if not exists eventtable_time on eventtable(时间)";

// Kept in SQLite's user_version. 0: a file of an earlier version, or a new one; its
// tables are upgraded or created once. 1: TEXT columns and the time index.
inline constexpr int Version = 1;

} // namespace Schema
