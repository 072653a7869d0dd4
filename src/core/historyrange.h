#pragma once

#include <QDate>
#include <QStringList>

// The range of calendar dates the history list shows, both ends included.
//
// A history row's date is the day it belongs to: the day of its completion for a "完成"
// row, the day of the once-only event itself for a "未完成" row. The rows also carry a
// "yyyyMd" tag, but that tag cannot be ordered (2013111 is both 11 January and 1 November
// 2013), so the range is always decided by real dates.
class HistoryRange
{
public:
    HistoryRange(const QDate &start, const QDate &end);

    // What the browser shows when it opens: from one calendar month before `today` to
    // `today`. A day the earlier month lacks becomes its last day (31 March → 28 or 29
    // February).
    static HistoryRange lastMonth(const QDate &today);

    // The date of one history row (时间, 内容, 完成情况, 完成时间, dTag); invalid when the
    // row names none that can be read.
    static QDate rowDate(const QStringList &row);

    QDate start() const { return m_start; }
    QDate end() const { return m_end; }
    // A start after the end (or a bound that is no date) holds nothing at all.
    bool isEmpty() const;

    // Whether a row of date `date` is listed. A row whose date cannot be read is listed in
    // every range that is not empty, so that it can still be found and deleted.
    bool contains(const QDate &date) const;

private:
    QDate m_start;
    QDate m_end;
};
