#include "historyrange.h"
#include "workspace.h"

#include <QtTest>

using namespace DbFile;

class TestEventStore : public QObject
{
    Q_OBJECT
    static QDateTime at(int d, int h = 10, int m = 0) { return {QDate(2014, 3, d), QTime(h, m)}; }
    // The contents of `items` (events, history rows), joined by blanks.
    template <typename L> static QString contents(const L &items)
    {
        QStringList texts;
        for (const auto &item : items)
            texts << item.content;
        return texts.join(' ');
    }

private slots:
    void oldFileIsUpgradedOnce()
    {
        Workspace work;
        // An earlier version's file: numeric-affinity columns and no time index.
        QVERIFY(exec(R"(
            create table eventtable(时间 QString, 内容 QString, 类型 QString);
            create table historyeventtable(时间 QString, 内容 QString, 完成情况 QString, 完成时间 QString, dTag QString);
            create table todayeventtable(时间 TEXT, 内容 TEXT);
            insert into eventtable values('9:07', '007', 't'), ('9:08', '删掉', 't'), ('2099年3月5日 9:07', '1e3', 'y'),
                ('5日 8:00', '12.50', 'd'), ('9:07', null, 'x');
            delete from eventtable where 内容 = '删掉';
            insert into historyeventtable values('9:07', '007', '完成', '2014年3月5日 10:15', '201435');
            insert into todayeventtable values('9:07', '007');)"));
        QVERIFY(work.openStore()->isOpen());
        // Every row in its order, reading as the earlier version showed it; NULL stays NULL.
        QCOMPARE(rows(T::Events),
                 table("9:07|7|t; 2099年3月5日 9:07|1000|y; 5日 8:00|12.5|d; 9:07|∅|x"));
        QVERIFY(rows(T::Events)[3][1].isNull());
        QCOMPARE(rows(T::History), table("9:07|7|完成|2014年3月5日 10:15|201435"));
        QCOMPARE(rows(T::Today), table("9:07|007"));
        // Opening again changes nothing; a new row keeps its text.
        const QByteArray upgraded = readFile("event.db");
        const auto store = work.openStore();
        QCOMPARE(readFile("event.db"), upgraded);
        QVERIFY(store->addEvent({"9:08", "007", Kind::Daily}));
        QCOMPARE(store->events()->last(), Event({"9:08", "007", Kind::Daily}));
    }

    void failedActionChangesNothing_data()
    {
        // A trigger refuses a statement half-way; none: another program holds the file.
        columns<QString, QString>("action", "refusal");
        row("open, locked", "open", "");
        row("rebuild, locked", "rebuild", "");
        row("rebuild, history refuses", "rebuild", "before insert on historyeventtable");
        row("rebuild, list refuses", "rebuild", "before insert on todayeventtable");
        row("completion, list refuses", "complete", "before delete on todayeventtable");
        row("deletion, second twin refused", "delete",
            "before delete on eventtable when old.rowid = 4");
    }
    void failedActionChangesNothing()
    {
        QFETCH(QString, action);
        QFETCH(QString, refusal);
        Workspace work;
        work.addEvents("2014年3月5日 9:07|开会|y; 9:07|早会|t; "
                       "2014年3月4日 8:00|昨天的|y; 9:07|早会|t");
        QVERIFY(insert(T::Today, "旧的|列表; 2014年3月5日 9:07|开会"));
        QVERIFY(insert(T::Completions, "9:07|早会|2014年3月4日 9:10"));
        QVERIFY(refusal.isEmpty() || exec("create trigger refuse " + refusal +
                                          " begin select raise(abort, '拒绝'); end"));
        const QByteArray before = readFile("event.db");
        EventStore store("event.db");
        QVERIFY(action == "open" || store.open());
        const QList<Event> events = store.events().value_or(QList<Event>());
        auto other = refusal.isEmpty() ? lock() : nullptr;
        const bool done = action == "open"      ? store.open()
                          : action == "rebuild" ? store.rebuildToday(QDate(2014, 3, 5))
                          : action == "complete"
                              ? store.completeReminder({events.value(0), at(5)}, at(5))
                              : store.deleteEvent(events.value(1));
        other.reset();
        const StoreError error = store.lastError();
        QVERIFY2(!done && error.file == work.filePath("event.db") &&
                     (refusal.isEmpty() ? error.cause == StoreError::Cause::Locked
                                        : error.detail.contains("拒绝")),
                 qPrintable(error.debugText()));
        QCOMPARE(readFile("event.db"), before);
        // Once the obstacle is gone, the same store works.
        QVERIFY(exec("drop trigger if exists refuse") && store.open());
        QVERIFY2(store.rebuildToday(QDate(2014, 3, 5)), qPrintable(store.lastError().debugText()));
        QCOMPARE(column(rows(T::Today)), QStringList({"开会", "早会", "早会"}));
    }

    void todaysEvents_data()
    {
        // Contents, in storage order: listed by the day's rebuild, and due at 9:07 that day.
        columns<QDate, QString, QString>("today", "listed", "due");
        row("Wed 5 March 2014, 农历二月初五", QDate(2014, 3, 5),
            "每天 周三 每月五号 三月五号 今天一次 每天 两个空格 尾随空格 农历年 农历月",
            "每天 周三 每月五号 三月五号 今天一次 未知类型 每天 农历年 农历月");
        row("Sunday", QDate(2014, 3, 9), "每天 周日 每天 尾随空格", "每天 周日 未知类型 每天");
        row("31 January, 春节", QDate(2014, 1, 31), "每天 月末 每天 尾随空格 春节",
            "每天 月末 未知类型 每天 春节");
        row("Tue 28 January 2025, 29-day 腊月's 廿九", QDate(2025, 1, 28),
            "每天 每天 第二个星期 尾随空格 除夕", "每天 未知类型 每天 除夕");
        row("leap day", QDate(2016, 2, 29), "每天 闰日 每天 尾随空格", "每天 闰日 未知类型 每天");
    }
    void todaysEvents()
    {
        QFETCH(QDate, today);
        QFETCH(QString, listed);
        QFETCH(QString, due);
        Workspace work;
        work.addEvents(R"(
            9:07|每天|t; 星期三 9:07|周三|w; 5日 9:07|每月五号|d; 3月5日 9:07|三月五号|m; 2014年3月5日 9:07|今天一次|y
            2099年3月6日 9:07|以后一次|y; 31日 9:07|月末|d; 2月29日 9:07|闰日|m; 星期天 9:07|周日|w; 星期日 9:07|周日旧写法|w
            9:07|未知类型|x; 03月05日 9:07|带零|m; 05日 9:07|带零|d; 9:07|每天|t; 3月5日  9:07|两个空格|m
            1月1日 3月5日 9:07|第二个匹配|m; 15日 9:07|十五号|d; 星期二 星期三 9:07|第二个星期|w; 9:07 |尾随空格|t
            农历二月初五 9:07|农历年|l; 农历每月初五 9:07|农历月|k; 农历正月初一 9:07|春节|l; 农历腊月三十 9:07|除夕|l)");
        QVERIFY(insert(T::Today, "昨天|的列表"));
        const auto store = work.openStore();
        QVERIFY2(store->rebuildToday(today), qPrintable(store->lastError().debugText()));
        QCOMPARE(column(rows(T::Today)).join(' '), listed);
        QCOMPARE(contents(store->dueEvents(QDateTime(today, QTime(9, 7, 42))).value()), due);
    }

    // Passed once-only events go to the history once; today's completions keep items off the list.
    void dayChange()
    {
        Workspace work;
        work.addEvents(R"(
            2014年3月4日 8:00|昨天|y; 9:07|每天|t; 2014年3月5日 8:00|今天已过|y; 2014年3月6日 8:00|明天|y
            2014年3月4日 8:00|昨天|t; 2014年3月4日 8:00|昨天|y; 明天早上|乱写|y; 2014年3月4日 9:00|周期|m; 9:07|每天|t
            11:00|午饭|t)");
        QVERIFY(
            insert(T::Completions, "9:07|每天|2014年3月4日 23:59; 11:00|午饭|2014年3月5日 9:10"));
        const auto store = work.openStore();
        QVERIFY2(store->rebuildToday(QDate(2014, 3, 5)),
                 qPrintable(store->lastError().debugText()));
        // A text that names no date gets an empty tag.
        const Rows history = table("2014年3月4日 8:00|昨天|未完成||201434; 明天早上|乱写|未完成||");
        QCOMPARE(rows(T::History), history);
        QCOMPARE(column(rows(T::Events)),
                 QStringList({"每天", "今天已过", "明天", "周期", "每天", "午饭"}));
        QCOMPARE(column(rows(T::Today)), QStringList({"每天", "今天已过", "每天", "午饭"}));
        QVERIFY(rows(T::Completions).isEmpty());
        // Rebuilt again with nothing changed, the file is left as it is.
        const QByteArray rebuilt = readFile("event.db");
        QVERIFY(store->rebuildToday(QDate(2014, 3, 5)) && readFile("event.db") == rebuilt);
        QVERIFY(store->completeTodayItem({"9:07", "每天"}, at(5, 10, 15)) &&
                store->rebuildToday(QDate(2014, 3, 5)));
        QCOMPARE(column(rows(T::Today)), QStringList({"今天已过", "午饭"}));
        QCOMPARE(rows(T::History).size(), 3);
    }

    void completion_data()
    {
        // From a reminder or today's list (no kind); the kinds left; whether a row is missed.
        columns<bool, Kind, QString, QString, bool>("reminder", "kind", "content", "remaining",
                                                    "missedNextDay");
        row("once-only reminder", true, Kind::Once, "开会", "y", false);
        row("recurring reminder", true, Kind::Daily, "开会", "ytyy", true);
        row("today's list", false, Kind::Other, "开会", "ty", false);
        row("quotes and SQL", false, Kind::Other, " it's \"x\"; drop table x; -- ", "ytyy", false);
    }
    void completion()
    {
        QFETCH(bool, reminder);
        QFETCH(Kind, kind);
        QFETCH(QString, content);
        QFETCH(QString, remaining);
        QFETCH(bool, missedNextDay);
        const QString time = "2014年3月5日 9:07";
        Workspace work;
        // 开会 once-only, again of another kind, once-only again; 别的 once-only.
        work.addEvents({{time, "开会", Kind::Once},
                        {time, "开会", Kind::Daily},
                        {time, "开会", Kind::Once},
                        {time, "别的", Kind::Once}});
        if (content != "开会")
            work.addEvents({{time, content, Kind::Once}});
        const auto store = work.openStore();
        QVERIFY(store->rebuildToday(QDate(2014, 3, 5)));
        QVERIFY2(reminder
                     ? store->completeReminder({{time, content, kind}, at(5, 9, 7)}, at(5, 10, 15))
                     : store->completeTodayItem({time, content}, at(5, 10, 15)),
                 qPrintable(store->lastError().debugText()));
        QCOMPARE(column(rows(T::Events), 2).join(""), remaining);
        QCOMPARE(rows(T::History), Rows({{time, content, "完成", "2014年3月5日 10:15", "201435"}}));
        QCOMPARE(rows(T::Completions), Rows({{time, content, "2014年3月5日 10:15"}}));
        QVERIFY(!column(rows(T::Today)).contains(content) && !rows(T::History)[0][1].isNull());
        // A finished once-only item is not written again as missed on a later day.
        QVERIFY(store->rebuildToday(QDate(2014, 3, 6)));
        QCOMPARE(column(rows(T::History)).count(content), missedNextDay ? 2 : 1);
    }

    // Done at 10:15 on 6 March: each is in the history as done then, but only today's own
    // occurrence leaves today's list, not one missed yesterday nor one put off past midnight.
    void completionOfAnotherDay_data()
    {
        columns<QString, QDateTime, bool>("time", "due", "staysListed");
        row("yesterday's, from the missed list", "9:07", at(5, 9, 7), true);
        row("put off past midnight", "23:50", at(6, 0, 5), true);
        row("today's, late", "9:07", at(6, 9, 7), false);
    }
    void completionOfAnotherDay()
    {
        QFETCH(QString, time);
        QFETCH(QDateTime, due);
        Workspace work;
        work.addEvents({{time, "每天", Kind::Daily}});
        const auto store = work.openStore();
        QVERIFY(store->rebuildToday(QDate(2014, 3, 6)) &&
                store->completeReminder({{time, "每天", Kind::Daily}, due}, at(6, 10, 15)) &&
                store->rebuildToday(QDate(2014, 3, 6)));
        QCOMPARE(rows(T::History), Rows({{time, "每天", "完成", "2014年3月6日 10:15", "201436"}}));
        QTEST(rows(T::Today).size() == 1, "staysListed");
    }

    void deletionTakesTwinsOnly()
    {
        Workspace work;
        // Events 0 and 2 are twins; 3 and 4 differ from them in the kind or a trailing blank.
        work.addEvents(
            "9:07|喝水|t; 11:00|开会|t; 9:07|喝水|t; 9:07|喝水|d; 9:07|喝水 |t; 9:07|喝水|x");
        // An earlier version could leave NULLs: such a row must go, but not one of empty texts.
        QVERIFY(insert(T::History, "|旧|完成||; ∅|旧|完成|∅|∅"));
        const auto store = work.openStore();
        const QList<Event> events = store->events().value();
        QVERIFY(store->deleteEvent(events.at(2)) && store->deleteEvent(events.at(5)));
        // A row another program changed after it was read is not the one the user chose.
        QVERIFY(exec("update eventtable set 内容 = '改了' where 内容 = '开会'") &&
                store->deleteEvent(events.at(1)));
        QCOMPARE(column(rows(T::Events)), QStringList({"改了", "喝水", "喝水 "}));
        const auto history = store->history({QDate(2014, 3, 5), QDate(2014, 3, 5)}).value();
        QVERIFY(exec("update historyeventtable set 内容 = '改了' where 时间 = ''") &&
                store->deleteHistoryEntry(history.at(0)) &&
                store->deleteHistoryEntry(history.at(1)));
        QCOMPARE(rows(T::History), table("|改了|完成||"));
    }

    void historyByDate_data()
    {
        // Listed in storage order; rows of unreadable dates in any range.
        columns<QDate, QDate, QString>("start", "end", "listed");
        row("5 Nov - 5 Dec 2013", QDate(2013, 11, 5), QDate(2013, 12, 5),
            "Nov5 Nov10 Dec5 later ?");
        row("1 Nov, not 11 Jan of the same tag", QDate(2013, 11, 1), QDate(2013, 11, 1), "Nov1 ?");
        row("across the new year", QDate(2012, 12, 31), QDate(2013, 1, 1), "Dec31 Jan1 ?");
        row("start after end", QDate(2013, 11, 5), QDate(2013, 11, 4), "");
        row("no start", QDate(), QDate(2013, 11, 4), "");
        // The browser opens on the last month; a day the earlier month lacks is its last day.
        const HistoryRange december = HistoryRange::lastMonth(QDate(2013, 12, 6));
        const HistoryRange march = HistoryRange::lastMonth(QDate(2016, 3, 31));
        row("last month of 6 Dec", december.start(), december.end(), "Nov10 Dec5 later ?");
        row("last month of 31 Mar 2016", march.start(), march.end(), "Feb29 ?");
    }
    void historyByDate()
    {
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QString, listed);
        Workspace work;
        // 11 Jan and 1 Nov share the tag 2013111: dates decide. "?" rows name no readable date.
        QVERIFY(insert(T::History, R"(
            9:00|Jan11|完成|2013年1月11日 10:00|2013111; 2013年11月1日 8:00|Nov1|未完成||2013111
            9:00|Nov4|完成|2013年11月4日 23:59|; 9:00|Nov5|完成|2013年11月5日 0:00|
            9:00|Nov10|完成|2013年11月10日 12:00|; 9:00|Dec5|完成|2013年12月5日 23:59|
            9:00|Dec31|完成|2012年12月31日 23:59|; 9:00|Jan1|完成|2013年1月1日 0:00|
            9:00|Feb29|完成|2016年2月29日 0:00|; 9:00|Feb28|完成|2016年2月28日 23:59|
            2013年10月1日 9:00|later|完成|2013年11月20日 9:00|; 明天 9:00|?|未完成||; 3月5日 9:07|?|未完成||
            9:00|?|完成||; 2013年1月11日 9:07|?|done|2013年1月11日 9:07|)"));
        QCOMPARE(contents(work.openStore()->history({start, end}).value()),
                 listed.replace("?", "? ? ? ?"));
    }
};

QTEST_GUILESS_MAIN(TestEventStore)
#include "tst_eventstore.moc"
