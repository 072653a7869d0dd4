// Importing a calendar of 10,000 events and exporting 100,000 reminders, each as the menu
// and the command line do it: the file read or written, the rows stored or read.
//
// The calendar is as a phone's calendar exports it, in the computer's zone (Asia/Shanghai):
// 60 % once-only meetings ahead with an alarm 15 minutes before, 20 % weekly ones in the
// zone's name, 10 % all-day birthdays with an alarm at 9:00, 10 % every other week (left
// out). The reminders are of every kind: half once-only, the rest yearly, monthly, weekly,
// daily and lunar.
//
//   bench_calendar -median 5

#include "bulkwrite.h"
#include "calendartransfer.h"
#include "timetext.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

[[maybe_unused]] const bool InShanghai = qputenv("TZ", "Asia/Shanghai");
const QDateTime Now(QDate(2014, 3, 5), QTime(10, 0));

QByteArray tenThousandEvents()
{
    QRandomGenerator random(7);
    QByteArray ics = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\n";
    const QByteArray alarm = "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\nTRIGGER:%1\r\n"
                             "END:VALARM\r\n";
    for (int i = 0; i < 10000; ++i) {
        const int pick = i % 10;
        const QDateTime start(
            Now.date().addDays(pick < 6 ? 1 + random.bounded(700) : -random.bounded(700)),
            QTime(random.bounded(8, 20), random.bounded(4) * 15));
        const QByteArray at = start.toString("yyyyMMdd'T'HHmmss").toLatin1();
        ics += "BEGIN:VEVENT\r\nUID:" + QByteArray::number(i) + "@bench\r\nSUMMARY:会议 " +
               QByteArray::number(i) + "\r\nDESCRIPTION:第 " + QByteArray::number(i) +
               " 号会议室\r\n";
        if (pick < 6)
            ics += "DTSTART:" + at + "\r\n" + QByteArray(alarm).replace("%1", "-PT15M");
        else if (pick < 8)
            ics += "DTSTART;TZID=Asia/Shanghai:" + at + "\r\nRRULE:FREQ=WEEKLY\r\n" +
                   QByteArray(alarm).replace("%1", "-PT10M");
        else if (pick < 9)
            ics += "DTSTART;VALUE=DATE:" + at.left(8) + "\r\nRRULE:FREQ=YEARLY\r\n" +
                   QByteArray(alarm).replace("%1", "PT9H");
        else
            ics += "DTSTART:" + at + "\r\nRRULE:FREQ=WEEKLY;INTERVAL=2\r\n";
        ics += "END:VEVENT\r\n";
    }
    return ics + "END:VCALENDAR\r\n";
}

Event reminder(QRandomGenerator &random, int i)
{
    const QString content = QStringLiteral("事项 %1\n第二行").arg(i);
    const QTime time(random.bounded(24), random.bounded(60));
    const int day = 1 + random.bounded(28);
    switch (random.bounded(20)) {
    case 0:
        return {TimeText::composeDaily(time), content, Kind::Daily};
    case 1:
    case 2:
        return {TimeText::composeWeekly(TimeText::weekdayName(1 + i % 7), time), content,
                Kind::Weekly};
    case 3:
    case 4:
    case 5:
        return {TimeText::composeMonthly(day, time), content, Kind::Monthly};
    case 6:
    case 7:
        return {TimeText::composeYearly(1 + random.bounded(12), day, time), content, Kind::Yearly};
    case 8:
        return {TimeText::composeLunarYearly(1 + random.bounded(12), day, time), content,
                Kind::LunarYearly};
    case 9:
        return {TimeText::composeLunarMonthly(day, time), content, Kind::LunarMonthly};
    default:
        return {TimeText::composeOnce(QDateTime(Now.date().addDays(random.bounded(700)), time)),
                content, Kind::Once};
    }
}

} // namespace

class BenchCalendar : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QFile calendar(m_dir.filePath("in.ics"));
        QVERIFY(calendar.open(QIODevice::WriteOnly) && calendar.write(tenThousandEvents()) > 0);
        QRandomGenerator random(7);
        QVERIFY(writeInOneTransaction(m_dir.filePath("event.db"), true, [&](SqliteDatabase &db) {
            SqliteStatement insert(db, Schema::info(Schema::Table::Events).insert);
            for (int i = 0; i < 100000; ++i) {
                if (!insertRow(insert, eventRow(reminder(random, i))))
                    return false;
                insert.reset();
            }
            return true;
        }));
    }

    void importTenThousandEvents()
    {
        QTemporaryDir dir;
        EventStore store(dir.filePath("event.db"));
        QVERIFY(store.open());
        CalendarTransfer::Report report;
        QBENCHMARK_ONCE
        {
            report = CalendarTransfer::importFile(store, m_dir.filePath("in.ics"), Now);
        }
        QVERIFY2(report.text.startsWith("导入了 9000 个提醒"), qPrintable(report.text.left(200)));
    }

    void exportHundredThousandReminders()
    {
        EventStore store(m_dir.filePath("event.db"));
        QVERIFY(store.open());
        CalendarTransfer::Report report;
        QBENCHMARK_ONCE
        {
            report = CalendarTransfer::exportFile(store, m_dir.filePath("out.ics"), Now);
        }
        QVERIFY2(report.text.startsWith("导出了 100000 个提醒"), qPrintable(report.text.left(200)));
    }
};

QTEST_GUILESS_MAIN(BenchCalendar)
#include "bench_calendar.moc"
