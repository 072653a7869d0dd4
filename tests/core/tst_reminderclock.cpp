#include "reminderclock.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

// "5 09:07:30" or "5 09:07:30.250": that moment of that day of March 2014, local time.
QDateTime at(const QString &text)
{
    return QDateTime::fromString(QStringLiteral("2014-03-0") + text, Qt::ISODateWithMs);
}

} // namespace

class TestReminderClock : public QObject
{
    Q_OBJECT

private slots:
    void ticks_data();
    void ticks();
    void irregularTicksCheckEachMinuteOnce_data();
    void irregularTicksCheckEachMinuteOnce();
    void msecsToNextMinute();
};

void TestReminderClock::ticks_data()
{
    QTest::addColumn<QStringList>("ticks");
    // Per tick, the minutes it checks, then "+" when today's list is to be rebuilt after them.
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("early and doubled ticks")
        << QStringList{"5 09:07:00.010", "5 09:07:00.010", "5 09:07:59.990", "5 09:08:00.001"}
        << QStringList{"09:07 +", "", "", "09:08"};
    QTest::newRow("late and missing ticks; 10:01 is not 0:01")
        << QStringList{"5 10:00:00", "5 10:01:03.500", "5 10:04:00.300"}
        << QStringList{"10:00 +", "10:01", "10:02 10:03 10:04"};
    QTest::newRow("midnight: new date, then 0:01 once")
        << QStringList{"5 23:59:30", "6 00:00:30", "6 00:01:05", "6 00:01:50", "6 00:02:30"}
        << QStringList{"23:59 +", "00:00 +", "00:01 +", "", "00:02"};
    QTest::newRow("0:01 caught up by a late tick")
        << QStringList{"6 00:00:30", "6 00:02:10"} << QStringList{"00:00 +", "00:01 00:02 +"};
    QTest::newRow("clock set back")
        << QStringList{"5 10:00:30", "5 10:01:30", "5 09:30:10", "5 09:32:10"}
        << QStringList{"10:00 +", "10:01", "09:30", "09:31 09:32"};
    QTest::newRow("clock set back within the minute")
        << QStringList{"5 10:00:40", "5 10:00:05", "5 10:01:05"}
        << QStringList{"10:00 +", "", "10:01"};
    QTest::newRow("clock set back a day")
        << QStringList{"6 10:00:00", "5 10:00:00", "5 10:01:00"}
        << QStringList{"10:00 +", "10:00 +", "10:01"};
}

void TestReminderClock::ticks()
{
    QFETCH(QStringList, ticks);
    QFETCH(QStringList, expected);

    ReminderClock clock;
    QStringList actual;
    for (const QString &tick : qAsConst(ticks)) {
        const QDateTime now = at(tick);
        QVERIFY2(now.isValid(), qPrintable(tick));
        const ReminderClock::Plan plan = clock.tick(now);
        QStringList checked;
        for (const QDateTime &minute : plan.minutes)
            checked << minute.toString(QStringLiteral("HH:mm"));
        if (plan.rebuild) {
            checked << QStringLiteral("+");
            clock.noteRebuilt(now.date()); // as the main window does once it has rebuilt
        }
        actual << checked.join(QLatin1Char(' '));
    }
    QCOMPARE(actual, expected);
}

void TestReminderClock::irregularTicksCheckEachMinuteOnce_data()
{
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("shortestMs");
    QTest::addColumn<int>("longestMs");

    const QDateTime wed = at("5 21:17:42.123");
    QTest::newRow("coarse timer") << wed << 3000 << 57000 << 63000;
    QTest::newRow("doubled, late and stalled ticks") << wed << 3000 << 0 << 400000;
    QTest::newRow("suspended for up to a day") << wed << 30 << 0 << 24 * 3600 * 1000;
    // In Europe/Berlin 2:00 became 3:00 on 30 March 2014 and 3:00 became 2:00 on 26 October.
    const QDateTime spring(QDate(2014, 3, 30), QTime(1, 50));
    const QDateTime autumn(QDate(2014, 10, 26), QTime(1, 50));
    QTest::newRow("clocks go forward") << spring << 300 << 0 << 90000;
    QTest::newRow("clocks go back") << autumn << 300 << 0 << 90000;
}

// Whatever the spacing of the ticks, the minutes checked are exactly the minutes from the
// first tick to the last, each once, in order.
void TestReminderClock::irregularTicksCheckEachMinuteOnce()
{
    QFETCH(QDateTime, start);
    QFETCH(int, count);
    QFETCH(int, shortestMs);
    QFETCH(int, longestMs);

    QRandomGenerator random(20140305);
    ReminderClock clock;
    QDateTime now = start;
    QDateTime last;
    QList<QDateTime> checked;
    for (int i = 0; i < count; ++i) {
        checked += clock.tick(now).minutes;
        last = now;
        now = now.addMSecs(random.bounded(shortestMs, longestMs + 1));
    }
    const QString minute = QStringLiteral("yyyy-MM-dd HH:mm t");
    QCOMPARE(checked.first().toString(minute), start.toString(minute));
    QCOMPARE(checked.last().toString(minute), last.toString(minute));
    for (int i = 1; i < checked.size(); ++i)
        QCOMPARE(checked.at(i - 1).secsTo(checked.at(i)), 60);
}

void TestReminderClock::msecsToNextMinute()
{
    // The minute timer is started this far ahead, to tick as each minute begins.
    QCOMPARE(ReminderClock::msecsToNextMinute(at("5 09:07:00.000")), 60000);
    QCOMPARE(ReminderClock::msecsToNextMinute(at("5 09:07:30.250")), 29750);
    QCOMPARE(ReminderClock::msecsToNextMinute(at("5 23:59:59.999")), 1);
}

int main(int argc, char *argv[])
{
    // A zone with daylight saving; where it is not installed the local zone is used.
    qputenv("TZ", "Europe/Berlin");
    QCoreApplication app(argc, argv);
    TestReminderClock test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_reminderclock.moc"
