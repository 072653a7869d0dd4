#include "reminderservice.h"
#include "timetext.h"
#include "waketimer.h"
#include "workspace.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cstdio>

namespace {
// "5 09:07:30" or "5 09:07:30.250": that moment of that day of March 2014, local time.
QDateTime at(const QString &text)
{
    return QDateTime::fromString("2014-03-" + QString(text.indexOf(' ') == 1 ? "0" : "") + text,
                                 Qt::ISODateWithMs);
}

// Reminders as "d H:mm content" (with `when`), or their contents.
QStringList texts(const QList<Reminder> &reminders, const char *when = "")
{
    QStringList texts;
    for (const Reminder &reminder : reminders)
        texts << reminder.due.toString(when) + reminder.event.content;
    return texts;
}
// The contents of the tick's reminders, then "+" when today's list was rebuilt.
QString outcome(const ReminderService::Tick &tick)
{
    return (texts(tick.due) + QStringList(tick.listChanged ? 1 : 0, "+")).join(' ');
}

// A zone with daylight saving; where it is not installed the local zone is used.
[[maybe_unused]] const bool InBerlin = qputenv("TZ", "Europe/Berlin");
} // namespace

class TestReminderService : public QObject
{
    Q_OBJECT

private slots:
    void minutesChecked_data()
    {
        // Per tick, the minutes checked, "+" when today's list was rebuilt.
        columns<QStringList, QStringList>("ticks", "expected");
        using L = QStringList;
        row("early, doubled, late and missing ticks, the clock set back 3 minutes; 10:01 is not "
            "0:01",
            L{"5 10:00:00.010", "5 10:00:00.010", "5 10:00:59.990", "5 10:01:03.500",
              "5 10:04:00.300", "5 10:01:10", "5 10:04:10", "5 10:05:10"},
            L{"10:00 +", "", "", "10:01", "10:02 10:03 10:04", "", "", "10:05"});
        row("midnight: new date, then 0:01 once",
            L{"5 23:59:30", "6 00:00:30", "6 00:01:05", "6 00:01:50", "6 00:02:30"},
            L{"23:59 +", "00:00 +", "00:01 +", "", "00:02"});
        row("clock 8 hours ahead, then corrected", L{"5 17:00:00", "5 09:00:10", "5 09:02:10"},
            L{"17:00 +", "09:00", "09:01 09:02"});
        row("started just before 10:01 (>), first tick after",
            L{">5 10:00:59.900", "5 10:01:00.150"}, L{"10:00 10:01 +"});
    }
    // On a file holding a daily reminder for every minute of the day.
    void minutesChecked()
    {
        QFETCH(QStringList, ticks);
        QFETCH(QStringList, expected);
        Workspace work;
        QStringList everyMinute;
        for (QTime t(0, 0); everyMinute.size() < 24 * 60; t = t.addSecs(60))
            everyMinute << t.toString("H:mm") + "|" + t.toString("HH:mm") + "|t";
        work.addEvents(qPrintable(everyMinute.join(';')));
        EventStore store("event.db");
        ReminderService service(store);
        QStringList actual;
        for (const QString &moment : std::as_const(ticks)) {
            if (moment.startsWith('>')) {
                service.start(at(moment.mid(1)));
                continue;
            }
            const ReminderService::Tick tick = service.tick(at(moment));
            QVERIFY(tick.missed.isEmpty());
            actual << outcome(tick);
        }
        QCOMPARE(actual, expected);
    }

    // Two runs, each ticked at its moments; the first quits (its marker noted) or is killed,
    // maybe with 每天 put off to 9:30. What each tick of the second run brings: missed as
    // "d H:mm content", due as content.
    void restarts_data()
    {
        columns<QStringList, bool, bool, QStringList, QStringList>("first", "quits", "putOff",
                                                                   "second", "seen");
        using L = QStringList;
        row("back after 8 minutes: caught up one by one", L{"5 09:00:10"}, true, true,
            L{"5 09:08:30"}, L{"每天"});
        row("back after 3 hours: one list", L{"5 09:00:10"}, true, true, L{"5 12:00:30"},
            L{"5 9:07 每天 5 9:30 吃药 5 9:30 每天 5 10:00 周会 5 11:00 开会 年"});
        row("again in the minute a reminder came", L{"5 09:07:10"}, true, false, L{"5 09:07:40"},
            L{""});
        row("a first run killed before any reminder", L{"5 09:00:10"}, false, false,
            L{"5 10:00:10"}, L{"5 9:07 每天 5 9:30 吃药 周会"});
        row("the marker 8 hours ahead: the clock was wrong", L{"5 17:00:10"}, true, false,
            L{"5 09:00:10", "5 09:07:10"}, L{"", "每天"});
        row("the marker 2 minutes ahead: the clock set back", L{"5 09:06:10", "5 09:08:10"}, true,
            false, L{"5 09:06:30", "5 09:07:30", "5 09:09:10"}, L{"", "", ""});
    }
    void restarts()
    {
        QFETCH(QStringList, first);
        QFETCH(bool, quits);
        QFETCH(bool, putOff);
        QFETCH(QStringList, second);
        Workspace work;
        work.addEvents("9:07|每天|t; 9:30|吃药|t; 17:00|下班|t; 星期三 10:00|周会|w; "
                       "3月5日 12:00|年|m; 2014年3月5日 11:00|开会|y; 2014年3月6日 9:00|明天|y");
        {
            EventStore store("event.db");
            ReminderService service(store);
            for (const QString &moment : std::as_const(first))
                service.tick(at(moment));
            QVERIFY(!putOff || store.snooze({"9:07", "每天", Kind::Daily}, at("5 09:30:00")));
            if (quits)
                service.saveMarker();
        }
        EventStore store("event.db");
        ReminderService service(store);
        QStringList seen;
        for (const QString &moment : std::as_const(second)) {
            const ReminderService::Tick tick = service.tick(at(moment));
            seen << (texts(tick.missed, "d H:mm ") + texts(tick.due)).join(' ');
        }
        QTEST(seen, "seen");
    }

    // Berlin, 26 October 2014: the clock shows 2:00-2:59 twice. Each reminder of that hour
    // comes once, the first time, also across a restart inside the second one (the marker is
    // noted without its UTC offset); ticked every minute or woken when due.
    void repeatedHour_data()
    {
        columns<bool>("sleeps");
        row("a tick every minute", false);
        row("woken when something is due", true);
    }
    void repeatedHour()
    {
        QFETCH(bool, sleeps);
        Workspace work;
        work.addEvents("2:30|夜班|t; 2:50|晚班|t; 3:00|三点|t");
        const QDateTime firstTwo =
            QDateTime::fromString("2014-10-26T02:00:00+02:00", Qt::ISODate).toLocalTime();
        QStringList seen;
        const auto run = [&](const QDateTime &from, const QDateTime &to) {
            EventStore store("event.db");
            ReminderService service(store);
            for (QDateTime now = from; now < to;) {
                const ReminderService::Tick tick = service.tick(now);
                for (const Reminder &reminder : tick.due + tick.missed)
                    seen << reminder.due.toString("HH:mm t ") + reminder.event.content;
                now = sleeps ? tick.wakeAt.addMSecs(20) : now.addSecs(60);
            }
            service.saveMarker();
        };
        run(firstTwo.addSecs(-300), firstTwo.addSecs(40 * 60));     // quits at the first 2:40
        run(firstTwo.addSecs(70 * 60), firstTwo.addSecs(125 * 60)); // back at the second 2:10
        QCOMPARE(seen, QStringList({"02:30 CEST 夜班", "02:50 CET 晚班", "03:00 CET 三点"}));
    }

    // At most the last 31 days are listed; a snooze comes at its moment, and only once.
    void longGapsAndSnoozes()
    {
        Workspace work;
        work.addEvents({{"9:07", "每天", Kind::Daily}});
        EventStore store("event.db");
        ReminderService service(store);
        service.tick(at("5 09:00:00"));
        const QDateTime later = at("5 09:00:00").addDays(40);
        QCOMPARE(service.tick(later).missed.size(), 31);
        QVERIFY(store.snooze({"9:07", "改天", Kind::Daily}, later.addSecs(90)));
        const QByteArray before = readFile("event.db"); // a quiet minute writes nothing
        QCOMPARE(outcome(service.tick(later.addSecs(65))), "");
        QCOMPARE(readFile("event.db"), before);
        QStringList outcomes;
        for (int minute = 2; minute <= 3; ++minute)
            outcomes << outcome(service.tick(later.addSecs(60 * minute + 5)));
        QCOMPARE(outcomes, QStringList({"改天", ""}));
    }

    // 24–31 March 2014 in Berlin (spring forward on the 30th): two suspends, the clock set back,
    // the file locked, a snooze, an event added meanwhile, every midnight; ticked every minute
    // (±5 s, doubled, dropped) or when asked to wake: each reminder comes exactly once.
    void eachReminderOfAWeekOnce_data()
    {
        columns<bool>("sleeps");
        row("a tick every minute", false);
        row("woken when something is due", true);
    }
    void eachReminderOfAWeekOnce()
    {
        QFETCH(bool, sleeps);
        Workspace work;
        const char *events = "9:07|每天|t; 0:00|午夜|t; 2:30|夜班|t; 星期四 0:01|周四|w; "
                             "27日 23:59|月|d; 3月29日 12:00|生日|m; 2014年3月28日 13:00|一次|y; "
                             "农历每月廿五 8:00|廿五|k",
                   *added = "2014年3月26日 10:05|插入|y";
        work.addEvents(events);
        const QDateTime start = at("24 00:00:00"), end = start.addDays(7);
        // The snooze, and 2:30 of the night the clock skipped to 3:00.
        QStringList expected{"24 09:17 每天", "30 03:00 夜班"}, seen;
        for (QDateTime minute = start; minute < end; minute = minute.addSecs(60)) {
            for (const QStringList &event : table(events) + table(added)) {
                if (TimeText::minuteMatchTexts(minute).contains(event[0]))
                    expected << minute.toString("d HH:mm ") + event[1];
            }
        }
        expected.sort();
        EventStore store("event.db");
        ReminderService service(store);
        QRandomGenerator random(20140324);
        std::unique_ptr<SqliteDatabase> lock;
        bool setBack = false, snoozed = false, inserted = false;
        int ticks = 0, late = 0;
        const auto tick = [&](const QDateTime &now) {
            const ReminderService::Tick tick = service.tick(now);
            for (const Reminder &reminder : tick.due + tick.missed)
                seen << reminder.due.toString("d HH:mm ") + reminder.event.content;
            for (const Reminder &reminder : tick.due)
                late += ReminderClock::minuteStart(now) > reminder.due;
            ++ticks;
            return tick.wakeAt.addMSecs(20);
        };
        for (QDateTime now = start; now < end;) {
            const int day = now.date().day(), hm = now.time().hour() * 100 + now.time().minute();
            if (day == 25 && hm >= 700 && hm < 1000)
                now = at("25 10:00:00"); // asleep, and woken
            if (day == 28 && hm >= 1250 && hm < 1315)
                now = at("28 13:15:00");
            if (day == 26 && hm >= 1500 && !std::exchange(setBack, true))
                now = now.addSecs(-5 * 60); // the clock set back
            const bool held = day == 27 && hm >= 906 && hm < 908;
            lock = held ? (lock ? std::move(lock) : DbFile::lock()) : nullptr;
            if (now >= at("24 09:08:00") && !std::exchange(snoozed, true)) {
                QVERIFY(store.snooze({"9:07", "每天", Kind::Daily}, at("24 09:17:00")));
                tick(now);
            }
            if (now >= at("26 10:00:30") && !std::exchange(inserted, true)) {
                work.addEvents(added);
                tick(now);
            }
            if (sleeps) { // the next wake, unless a change to the file wakes it before
                now = tick(now);
                now = snoozed ? now : qMin(now, at("24 09:08:00"));
                now = inserted ? now : qMin(now, at("26 10:00:30"));
                continue;
            }
            const int draw = random.bounded(10);
            for (int i = draw == 0 ? 0 : draw == 1 ? 2 : 1; i > 0; --i) // dropped, doubled
                tick(now.addMSecs(random.bounded(-5000, 5000)));
            now = ReminderClock::minuteStart(now.addSecs(60));
        }
        seen.sort();
        QCOMPARE(seen, expected);
        // Asleep nearly all the time, and on time but for the minute the file was locked.
        QVERIFY(!sleeps || (ticks < 7 * 24 * 60 / 20 && late == 1));
    }

    // A file held at start-up is opened later; a minute whose read fails is read again, and
    // the day's rebuild waits for it, not to move a once-only reminder to the history unseen.
    void nothingIsLostToALockedFile()
    {
        Workspace work;
        work.addEvents({{"2014年3月5日 23:59", "睡觉", Kind::Once}, {"0:00", "午夜", Kind::Daily}});
        auto lock = DbFile::lock();
        EventStore store("event.db");
        ReminderService service(store);
        const auto failsLocked = [&](const char *moment) {
            const ReminderService::Tick tick = service.tick(at(moment), true);
            // Tried again within seconds: the reminder comes as soon as the lock goes.
            return outcome(tick).isEmpty() && tick.failures.size() == 1 &&
                   tick.failures[0].cause == StoreError::Cause::Locked &&
                   tick.wakeAt == at(moment).addSecs(5);
        };
        QVERIFY(failsLocked("5 23:57:10")); // cannot open the file
        lock.reset();
        QCOMPARE(outcome(service.tick(at("5 23:58:10"))), "+");
        lock = DbFile::lock();
        QVERIFY(failsLocked("5 23:59:10") && failsLocked("6 00:00:10")); // cannot read it
        lock.reset();
        QCOMPARE(outcome(service.tick(at("6 00:01:10"))), "睡觉 午夜 +");
        QCOMPARE(DbFile::rows(T::History), table("2014年3月5日 23:59|睡觉|未完成||201435"));
    }

    // What is news for the loop: another program's write and a file put in place of event.db
    // are; the program's own noting of the minute is not. A file deleted keeps reminding
    // from what is open, told once.
    void changesAndFilesGone()
    {
        Workspace work;
        work.addEvents("9:07|每天|t");
        EventStore store("event.db");
        ReminderService service(store);
        service.tick(at("5 09:00:10"));
        QVERIFY(!service.changedSinceAim());
        work.addEvents("9:30|吃药|t");
        QVERIFY(service.changedSinceAim());
        service.tick(at("5 09:01:10"));
        QVERIFY(QFile::copy("event.db", "new.db") && std::rename("new.db", "event.db") == 0);
        QVERIFY(service.changedSinceAim());
        service.tick(at("5 09:02:10"));
        QVERIFY(!service.changedSinceAim() && QFile::remove("event.db"));
        QVERIFY(service.changedSinceAim());
        const ReminderService::Tick gone = service.tick(at("5 09:07:10"));
        QCOMPARE(outcome(gone), "每天");
        QCOMPARE(gone.failures.value(0).cause, StoreError::Cause::Gone);
        QVERIFY(service.tick(at("5 09:30:10")).failures.isEmpty() && !store.snooze({}, {}));
    }

    // A wake comes once, after its span; a new aim replaces the one before.
    void wakeComesOnceAndANewAimReplacesIt()
    {
        WakeTimer timer;
        QSignalSpy woke(&timer, &WakeTimer::woke);
        timer.start(60000);
        timer.start(30);
        QTest::qWait(300);
        QCOMPARE(woke.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestReminderService)

#include "tst_reminderservice.moc"
