#include "historyrange.h"
#include "tablerows.h"
#include "timetext.h"

#include <QtTest>

namespace {
// A history row as the writers store it: completed at `doneAt`, tagged with its date.
QStringList done(const QString &label, const QString &doneAt, const QString &time = "9:00")
{
    const QDate date = TimeText::parseOnce(doneAt).date();
    return {time, label, QStringLiteral("完成"), doneAt,
            date.isValid() ? TimeText::dateTag(date) : QString()};
}

// A once-only event whose day passed without completion.
QStringList missed(const QString &label, const QString &time)
{
    const QDate date = TimeText::parseOnce(time).date();
    return {time, label, QStringLiteral("未完成"), QString(),
            date.isValid() ? TimeText::dateTag(date) : QString()};
}

// The history every range case is run on, in storage order. Labels are the rows' contents.
const QList<QStringList> &history()
{
    static const QList<QStringList> rows = {
        done("Jan 11 done", "2013年1月11日 10:00"),
        done("Nov 1 done", "2013年11月1日 10:00"),
        missed("Jan 11 missed", "2013年1月11日 8:00"),
        missed("Nov 1 missed", "2013年11月1日 8:00"),
        done("Nov 4", "2013年11月4日 23:59"),
        done("Nov 5", "2013年11月5日 0:00"),
        done("Nov 9", "2013年11月9日 12:00"),
        done("Nov 10", "2013年11月10日 12:00"),
        done("Nov 30", "2013年11月30日 12:00"),
        done("Dec 1", "2013年12月1日 12:00"),
        done("Dec 5", "2013年12月5日 23:59"),
        done("Dec 6", "2013年12月6日 0:00"),
        done("Jan 15", "2013年1月15日 12:00"),
        done("Jan 25", "2013年1月25日 12:00"),
        done("Dec 31 2012", "2012年12月31日 23:59"),
        done("Jan 1 2013", "2013年1月1日 0:00"),
        // The completion day counts, not the day in the event's own time text.
        done("done later", "2013年11月20日 9:00", "2013年10月1日 9:00"),
        missed("unreadable time", "明天 9:00"),
        done("unreadable completion", ""),
    };
    return rows;
}

const QStringList Unreadable{"unreadable time", "unreadable completion"};
} // namespace

class TestHistoryRange : public QObject
{
    Q_OBJECT

private slots:
    void rowDate_data();
    void rowDate();
    void listedRows_data();
    void listedRows();
    void lastMonth_data();
    void lastMonth();
};

void TestHistoryRange::rowDate_data()
{
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<QDate>("date");

    QTest::newRow("completed: the completion day")
        << QStringList{"9:07", "a", "完成", "2013年11月1日 9:07", "2013111"} << QDate(2013, 11, 1);
    QTest::newRow("completed: same tag, other day")
        << QStringList{"9:07", "a", "完成", "2013年1月11日 9:07", "2013111"} << QDate(2013, 1, 11);
    QTest::newRow("completed once-only: not its own day")
        << QStringList{"2013年1月11日 9:07", "a", "完成", "2013年1月12日 0:05", "2013112"}
        << QDate(2013, 1, 12);
    QTest::newRow("missed: the event's day")
        << QStringList{"2013年1月11日 9:07", "a", "未完成", "", "2013111"} << QDate(2013, 1, 11);
    QTest::newRow("the tag is not read")
        << QStringList{"2013年1月11日 9:07", "a", "未完成", "", "2014101"} << QDate(2013, 1, 11);
    QTest::newRow("29 February of a leap year")
        << QStringList{"9:07", "a", "完成", "2016年2月29日 9:07", "2016229"} << QDate(2016, 2, 29);

    QTest::newRow("missed, time unreadable")
        << QStringList{"明天 9:07", "a", "未完成", "", ""} << QDate();
    QTest::newRow("missed, a recurring time")
        << QStringList{"3月5日 9:07", "a", "未完成", "", "201435"} << QDate();
    QTest::newRow("missed, no such day")
        << QStringList{"2013年2月29日 9:07", "a", "未完成", "", "2013229"} << QDate();
    QTest::newRow("completed, no completion time")
        << QStringList{"2013年1月11日 9:07", "a", "完成", "", "2013111"} << QDate();
    QTest::newRow("completed, completion time garbled")
        << QStringList{"9:07", "a", "完成", "2013-01-11 9:07", "2013111"} << QDate();
    QTest::newRow("null texts from an old file")
        << QStringList{QString(), "a", "完成", QString(), QString()} << QDate();
    QTest::newRow("unknown state")
        << QStringList{"2013年1月11日 9:07", "a", "done", "2013年1月11日 9:07", "2013111"}
        << QDate();
    QTest::newRow("too few columns") << QStringList{"2013年1月11日 9:07", "a", "未完成"} << QDate();
}

void TestHistoryRange::rowDate()
{
    QFETCH(QStringList, row);
    QFETCH(QDate, date);
    QCOMPARE(HistoryRange::rowDate(row), date);
}

void TestHistoryRange::listedRows_data()
{
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<QStringList>("listed"); // in storage order

    QTest::newRow("5 Nov - 5 Dec 2013: all of November from the 5th, no January")
        << QDate(2013, 11, 5) << QDate(2013, 12, 5)
        << QStringList{"Nov 5", "Nov 9", "Nov 10", "Nov 30", "Dec 1", "Dec 5", "done later"}
               + Unreadable;
    QTest::newRow("1 Nov 2013 alone: not 11 January")
        << QDate(2013, 11, 1) << QDate(2013, 11, 1)
        << QStringList{"Nov 1 done", "Nov 1 missed"} + Unreadable;
    QTest::newRow("11 Jan 2013 alone: not 1 November")
        << QDate(2013, 1, 11) << QDate(2013, 1, 11)
        << QStringList{"Jan 11 done", "Jan 11 missed"} + Unreadable;
    QTest::newRow("a single day at midnight and a minute before")
        << QDate(2013, 11, 4) << QDate(2013, 11, 4) << QStringList{"Nov 4"} + Unreadable;
    QTest::newRow("a single day with nothing on it")
        << QDate(2013, 11, 6) << QDate(2013, 11, 6) << Unreadable;
    QTest::newRow("across the new year")
        << QDate(2012, 12, 31) << QDate(2013, 1, 1)
        << QStringList{"Dec 31 2012", "Jan 1 2013"} + Unreadable;
    QTest::newRow("the old year's last day")
        << QDate(2012, 12, 1) << QDate(2012, 12, 31) << QStringList{"Dec 31 2012"} + Unreadable;
    QTest::newRow("the new year's first day")
        << QDate(2013, 1, 1) << QDate(2013, 1, 10) << QStringList{"Jan 1 2013"} + Unreadable;
    QTest::newRow("a whole year")
        << QDate(2013, 1, 1) << QDate(2013, 12, 31)
        << QStringList{"Jan 11 done", "Nov 1 done", "Jan 11 missed", "Nov 1 missed", "Nov 4",
                       "Nov 5", "Nov 9", "Nov 10", "Nov 30", "Dec 1", "Dec 5", "Dec 6",
                       "Jan 15", "Jan 25", "Jan 1 2013", "done later"}
               + Unreadable;
    QTest::newRow("start after end") << QDate(2013, 12, 5) << QDate(2013, 11, 5) << QStringList();
    QTest::newRow("start a day after end")
        << QDate(2013, 11, 5) << QDate(2013, 11, 4) << QStringList();
}

void TestHistoryRange::listedRows()
{
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(QStringList, listed);

    const HistoryRange range(start, end);
    QList<QStringList> rows;
    for (const QStringList &row : history()) {
        if (range.contains(HistoryRange::rowDate(row)))
            rows << row;
    }
    QCOMPARE(contents(rows), listed);
    QCOMPARE(range.isEmpty(), start > end);
}

void TestHistoryRange::lastMonth_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("start");

    QTest::newRow("31 March 2013: 28 February") << QDate(2013, 3, 31) << QDate(2013, 2, 28);
    QTest::newRow("31 March 2016: 29 February") << QDate(2016, 3, 31) << QDate(2016, 2, 29);
    QTest::newRow("29 March 2013: 28 February") << QDate(2013, 3, 29) << QDate(2013, 2, 28);
    QTest::newRow("31 May: 30 April") << QDate(2013, 5, 31) << QDate(2013, 4, 30);
    QTest::newRow("mid-month keeps the day") << QDate(2013, 3, 15) << QDate(2013, 2, 15);
    QTest::newRow("January: December of the year before")
        << QDate(2014, 1, 10) << QDate(2013, 12, 10);
    QTest::newRow("1 March 2016: 1 February") << QDate(2016, 3, 1) << QDate(2016, 2, 1);
}

void TestHistoryRange::lastMonth()
{
    QFETCH(QDate, today);
    QFETCH(QDate, start);

    const HistoryRange range = HistoryRange::lastMonth(today);
    QCOMPARE(range.start(), start);
    QCOMPARE(range.end(), today);
    QVERIFY(range.contains(start));
    QVERIFY(range.contains(today));
    QVERIFY(!range.contains(start.addDays(-1)));
    QVERIFY(!range.contains(today.addDays(1)));
}

QTEST_APPLESS_MAIN(TestHistoryRange)
#include "tst_historyrange.moc"
