#include "reminderclock.h"

#include <QRandomGenerator>
#include <QTimeZone>
#include <QtTest>

namespace {

// "2014-03-05 09:07:30" or "2014-03-05 09:07:30.250", local time.
QDateTime at(const QString &text)
{
    QDateTime moment = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    if (!moment.isValid())
        moment = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return moment;
}

QString minuteText(const QDateTime &minute)
{
    return minute.toString(QStringLiteral("MM-dd HH:mm"));
}

// The minutes of one tick, space separated: "03-05 09:08 03-05 09:09".
QString minutesText(const QList<QDateTime> &minutes)
{
    QStringList texts;
    for (const QDateTime &minute : minutes)
        texts << minuteText(minute);
    return texts.join(QLatin1Char(' '));
}

// Each minute follows the one before it by exactly one minute.
bool contiguous(const QList<QDateTime> &minutes)
{
    for (int i = 1; i < minutes.size(); ++i) {
        if (minutes.at(i - 1).secsTo(minutes.at(i)) != 60)
            return false;
    }
    return true;
}

} // namespace

class TestReminderClock : public QObject
{
    Q_OBJECT

private slots:
    void checksEachMinuteOnce_data();
    void checksEachMinuteOnce();
    void catchesUpAfterSuspend_data();
    void catchesUpAfterSuspend();
    void irregularTicksMissAndRepeatNothing_data();
    void irregularTicksMissAndRepeatNothing();
    void rebuild_data();
    void rebuild();
    void msecsToNextMinute_data();
    void msecsToNextMinute();
    void daylightSavingChange_data();
    void daylightSavingChange();
    void invalidMomentChecksNothing();
};

void TestReminderClock::checksEachMinuteOnce_data()
{
    QTest::addColumn<QStringList>("ticks");
    // Per tick, the minutes it checks.
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("first tick checks its own minute")
        << QStringList{"2014-03-05 09:07:42"} << QStringList{"03-05 09:07"};
    QTest::newRow("ticks on the minute")
        << QStringList{"2014-03-05 09:07:00.000", "2014-03-05 09:08:00.000",
                       "2014-03-05 09:09:00.000"}
        << QStringList{"03-05 09:07", "03-05 09:08", "03-05 09:09"};
    QTest::newRow("early tick still in the checked minute")
        << QStringList{"2014-03-05 09:07:00.010", "2014-03-05 09:07:59.990",
                       "2014-03-05 09:08:00.001"}
        << QStringList{"03-05 09:07", "", "03-05 09:08"};
    QTest::newRow("late tick") << QStringList{"2014-03-05 09:07:00.000", "2014-03-05 09:08:03.500"}
                               << QStringList{"03-05 09:07", "03-05 09:08"};
    QTest::newRow("tick late by more than a minute")
        << QStringList{"2014-03-05 09:07:00.000", "2014-03-05 09:09:00.300"}
        << QStringList{"03-05 09:07", "03-05 09:08 03-05 09:09"};
    QTest::newRow("doubled tick") << QStringList{"2014-03-05 09:07:10", "2014-03-05 09:07:10",
                                                 "2014-03-05 09:07:40", "2014-03-05 09:08:10"}
                                  << QStringList{"03-05 09:07", "", "", "03-05 09:08"};
    QTest::newRow("missing ticks")
        << QStringList{"2014-03-05 09:07:00", "2014-03-05 09:12:00"}
        << QStringList{"03-05 09:07", "03-05 09:08 03-05 09:09 03-05 09:10 03-05 09:11 "
                                      "03-05 09:12"};
    QTest::newRow("midnight") << QStringList{"2014-03-05 23:59:30", "2014-03-06 00:00:30",
                                             "2014-03-06 00:01:30"}
                              << QStringList{"03-05 23:59", "03-06 00:00", "03-06 00:01"};
    QTest::newRow("midnight without a tick")
        << QStringList{"2014-03-05 23:58:30", "2014-03-06 00:02:10"}
        << QStringList{"03-05 23:58", "03-05 23:59 03-06 00:00 03-06 00:01 03-06 00:02"};
    QTest::newRow("new year") << QStringList{"2014-12-31 23:59:50", "2015-01-01 00:00:10"}
                              << QStringList{"12-31 23:59", "01-01 00:00"};
    QTest::newRow("clock set back goes on from the new minute")
        << QStringList{"2014-03-05 10:00:30", "2014-03-05 10:01:30", "2014-03-05 09:30:10",
                       "2014-03-05 09:31:10", "2014-03-05 09:33:10"}
        << QStringList{"03-05 10:00", "03-05 10:01", "03-05 09:30", "03-05 09:31",
                       "03-05 09:32 03-05 09:33"};
    QTest::newRow("clock set back within the minute")
        << QStringList{"2014-03-05 10:00:40", "2014-03-05 10:00:05", "2014-03-05 10:01:05"}
        << QStringList{"03-05 10:00", "", "03-05 10:01"};
    QTest::newRow("clock set back a day")
        << QStringList{"2014-03-06 10:00:00", "2014-03-05 10:00:00", "2014-03-05 10:01:00"}
        << QStringList{"03-06 10:00", "03-05 10:00", "03-05 10:01"};
}

void TestReminderClock::checksEachMinuteOnce()
{
    QFETCH(QStringList, ticks);
    QFETCH(QStringList, expected);
    QCOMPARE(ticks.size(), expected.size());

    ReminderClock clock;
    for (int i = 0; i < ticks.size(); ++i) {
        const QDateTime now = at(ticks.at(i));
        QVERIFY2(now.isValid(), qPrintable(ticks.at(i)));
        QCOMPARE(minutesText(clock.tick(now).minutes), expected.at(i));
    }
}

void TestReminderClock::catchesUpAfterSuspend_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");

    QTest::newRow("suspended for hours over midnight")
        << "2014-03-05 22:30:10"
        << "2014-03-06 06:45:20" << 495 << "03-05 22:31"
        << "03-06 06:45";
    QTest::newRow("suspended for exactly a day") << "2014-03-05 09:00:00"
                                                 << "2014-03-06 09:00:00" << 1440 << "03-05 09:01"
                                                 << "03-06 09:00";
    QTest::newRow("suspended for a day and a minute checks the last day")
        << "2014-03-05 09:00:00"
        << "2014-03-06 09:01:00" << 1440 << "03-05 09:02"
        << "03-06 09:01";
    QTest::newRow("suspended for three days checks the last day")
        << "2014-03-05 09:00:00"
        << "2014-03-08 12:30:30" << 1440 << "03-07 12:31"
        << "03-08 12:30";
}

void TestReminderClock::catchesUpAfterSuspend()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(int, count);
    QFETCH(QString, first);
    QFETCH(QString, last);

    ReminderClock clock;
    clock.tick(at(before));
    const QList<QDateTime> minutes = clock.tick(at(after)).minutes;
    QCOMPARE(minutes.size(), count);
    QCOMPARE(minuteText(minutes.first()), first);
    QCOMPARE(minuteText(minutes.last()), last);
    QVERIFY(contiguous(minutes));
    // Catching up leaves nothing more to check in that minute.
    QVERIFY(clock.tick(at(after)).minutes.isEmpty());
}

void TestReminderClock::irregularTicksMissAndRepeatNothing_data()
{
    QTest::addColumn<int>("shortestMs");
    QTest::addColumn<int>("longestMs");

    QTest::newRow("precise timer") << 59990 << 60010;
    QTest::newRow("coarse timer, five percent off") << 57000 << 63000;
    QTest::newRow("doubled, late and stalled ticks") << 0 << 400000;
}

// Whatever the spacing of the ticks, the minutes checked are exactly the minutes from the
// first tick to the last, each once, in order.
void TestReminderClock::irregularTicksMissAndRepeatNothing()
{
    QFETCH(int, shortestMs);
    QFETCH(int, longestMs);

    QRandomGenerator random(20140305);
    ReminderClock clock;
    QDateTime now = at("2014-03-05 21:17:42.123");
    const QDateTime first = now;
    QDateTime last;
    QList<QDateTime> checked;
    for (int i = 0; i < 3000; ++i) {
        checked += clock.tick(now).minutes;
        last = now;
        now = now.addMSecs(random.bounded(shortestMs, longestMs + 1));
    }

    QVERIFY(checked.size() > 1);
    QCOMPARE(minuteText(checked.first()), minuteText(first));
    QCOMPARE(minuteText(checked.last()), minuteText(last));
    QVERIFY(contiguous(checked));
}

void TestReminderClock::rebuild_data()
{
    // Date of the last rebuild noted before the ticks; empty: none.
    QTest::addColumn<QString>("rebuiltOn");
    QTest::addColumn<QStringList>("ticks");
    // Per tick: + rebuilds, - does not.
    QTest::addColumn<QString>("expected");

    QTest::newRow("nothing noted yet") << "" << QStringList{"2014-03-05 09:07:10"} << "+";
    QTest::newRow("same day") << "2014-03-05"
                              << QStringList{"2014-03-05 09:07:10", "2014-03-05 09:08:10"} << "--";
    QTest::newRow("0:01 on the day already rebuilt")
        << "2014-03-06"
        << QStringList{"2014-03-06 00:00:30", "2014-03-06 00:01:30", "2014-03-06 00:02:30"}
        << "-+-";
    QTest::newRow("date changed at 0:00, then 0:01")
        << "2014-03-05"
        << QStringList{"2014-03-05 23:59:30", "2014-03-06 00:00:30", "2014-03-06 00:01:30"}
        << "-++";
    QTest::newRow("0:01 caught up by a late tick")
        << "2014-03-06" << QStringList{"2014-03-06 00:00:30", "2014-03-06 00:02:10"} << "-+";
    QTest::newRow("0:01 ticked twice")
        << "2014-03-06" << QStringList{"2014-03-06 00:01:05", "2014-03-06 00:01:50"} << "+-";
    QTest::newRow("10:01 and 20:01 are not 0:01")
        << "2014-03-06" << QStringList{"2014-03-06 10:01:05", "2014-03-06 20:01:00"} << "--";
    QTest::newRow("suspended over midnight")
        << "2014-03-05"
        << QStringList{"2014-03-05 23:00:00", "2014-03-06 07:00:00", "2014-03-06 07:01:00"}
        << "-+-";
    QTest::newRow("suspended for days")
        << "2014-03-05" << QStringList{"2014-03-05 10:00:00", "2014-03-09 10:00:00"} << "-+";
    QTest::newRow("clock set back to yesterday")
        << "2014-03-06" << QStringList{"2014-03-06 10:00:00", "2014-03-05 15:00:00"} << "-+";
}

void TestReminderClock::rebuild()
{
    QFETCH(QString, rebuiltOn);
    QFETCH(QStringList, ticks);
    QFETCH(QString, expected);

    ReminderClock clock;
    if (!rebuiltOn.isEmpty())
        clock.noteRebuilt(QDate::fromString(rebuiltOn, Qt::ISODate));
    QString actual;
    for (const QString &tick : ticks) {
        const QDateTime now = at(tick);
        const bool rebuild = clock.tick(now).rebuild;
        actual += rebuild ? QLatin1Char('+') : QLatin1Char('-');
        if (rebuild) // as the main window does after rebuilding today's list
            clock.noteRebuilt(now.date());
    }
    QCOMPARE(actual, expected);
}

void TestReminderClock::msecsToNextMinute_data()
{
    QTest::addColumn<QString>("now");
    QTest::addColumn<int>("expected");

    QTest::newRow("start of a minute") << "2014-03-05 09:07:00.000" << 60000;
    QTest::newRow("mid minute") << "2014-03-05 09:07:30.250" << 29750;
    QTest::newRow("last millisecond") << "2014-03-05 09:07:59.999" << 1;
    QTest::newRow("before midnight") << "2014-03-05 23:59:59.500" << 500;
}

void TestReminderClock::msecsToNextMinute()
{
    QFETCH(QString, now);
    QFETCH(int, expected);
    QCOMPARE(ReminderClock::msecsToNextMinute(at(now)), expected);
}

void TestReminderClock::daylightSavingChange_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("realMinutes");

    // Europe/Berlin: 2:00 became 3:00 on 30 March 2014 and 3:00 became 2:00 on 26 October.
    QTest::newRow("clocks go forward") << "2014-03-30 01:50:20" << 20;
    QTest::newRow("clocks go back") << "2014-10-26 01:50:20" << 80;
}

// Local time may jump across a daylight saving change; every real minute is still checked
// once and the clock carries on.
void TestReminderClock::daylightSavingChange()
{
    QFETCH(QString, from);
    QFETCH(int, realMinutes);

    const QTimeZone berlin("Europe/Berlin");
    if (!berlin.isValid())
        QSKIP("no time zone data for Europe/Berlin");
    QDateTime now = at(from);
    now = QDateTime(now.date(), now.time(), berlin);

    ReminderClock clock;
    QList<QDateTime> checked;
    for (int i = 0; i <= realMinutes; ++i) {
        checked += clock.tick(now).minutes;
        now = now.addSecs(60);
    }
    QCOMPARE(checked.size(), realMinutes + 1);
    QVERIFY(contiguous(checked));

    // One tick that jumps over the change checks the minutes really passed, no more.
    ReminderClock jumping;
    const QDateTime before = QDateTime(at(from).date(), QTime(1, 59, 30), berlin);
    jumping.tick(before);
    QCOMPARE(jumping.tick(before.addSecs(60)).minutes.size(), 1);
}

void TestReminderClock::invalidMomentChecksNothing()
{
    ReminderClock clock;
    QVERIFY(clock.tick(QDateTime()).minutes.isEmpty());
    // and does not disturb the next real tick
    QCOMPARE(minutesText(clock.tick(at("2014-03-05 09:07:10")).minutes), QString("03-05 09:07"));
}

QTEST_GUILESS_MAIN(TestReminderClock)
#include "tst_reminderclock.moc"
