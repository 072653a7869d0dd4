#include "reminderservice.h"
#include "workdaycalendar.h"
#include "workspace.h"

#include <QCoreApplication>

// The calendar as installed beside the program, with no file of the data folder's own.
static WorkdayCalendar installed(const QString &folder = QDir::tempPath() + "/no-such-folder")
{
    return WorkdayCalendar(folder, QCoreApplication::applicationDirPath() + "/../share/tasquill/" +
                                       WorkdayCalendar::FileName);
}

class TestWorkdays : public QObject
{
    Q_OBJECT

private slots:
    // The installed schedules against the State Council's notices for 2024 and 2025.
    void officialSchedules_data()
    {
        columns<QDate, bool>("date", "working");
        row("2024-02-04, Sunday, made up for 春节", QDate(2024, 2, 4), true);
        row("2024-02-12, 春节", QDate(2024, 2, 12), false);
        row("2024-05-01, 劳动节", QDate(2024, 5, 1), false);
        row("2024-05-11, Saturday, made up for 劳动节", QDate(2024, 5, 11), true);
        row("2024-10-01, 国庆节", QDate(2024, 10, 1), false);
        row("2024-10-12, Saturday, made up for 国庆节", QDate(2024, 10, 12), true);
        row("2025-01-26, Sunday, made up for 春节", QDate(2025, 1, 26), true);
        row("2025-01-28, 除夕, a holiday from 2025 on", QDate(2025, 1, 28), false);
        row("2025-02-08, Saturday, made up for 春节", QDate(2025, 2, 8), true);
        row("an ordinary Monday", QDate(2025, 3, 3), true);
        row("an ordinary Saturday", QDate(2025, 3, 8), false);
    }
    void officialSchedules()
    {
        QFETCH(QDate, date);
        WorkdayCalendar calendar = installed();
        QTEST(calendar.isWorkingDay(date), "working");
        QCOMPARE(calendar.takeNotices(), QStringList());
    }

    // A year beyond the data counts Monday to Friday, and the user is told once; a file in the
    // data folder comes first; a damaged one is told and counts Monday to Friday.
    void beyondTheDataAndFilesOfTheDataFolder()
    {
        WorkdayCalendar calendar = installed();
        QVERIFY(calendar.isWorkingDay(QDate(2031, 3, 3)) && !calendar.isWorkingDay({2031, 3, 8}));
        const QStringList told = calendar.takeNotices();
        QVERIFY2(told.size() == 1 && told[0].contains("2031 年"), qPrintable(told.join('\n')));
        QVERIFY(calendar.isWorkingDay(QDate(2031, 3, 10)) && calendar.takeNotices().isEmpty());

        Workspace work;
        writeFile(WorkdayCalendar::FileName,
                  "# 下一年\n年份 2031-2031\n2031-01-04 班\n2031-01-01 休\n");
        WorkdayCalendar own = installed(work.path());
        QVERIFY(own.isWorkingDay(QDate(2031, 1, 4)) && !own.isWorkingDay(QDate(2031, 1, 1)));
        QVERIFY(own.isWorkingDay(QDate(2024, 5, 1)) && own.takeNotices().size() == 1);

        writeFile(WorkdayCalendar::FileName, "年份 2031-2031\n2031-01-04 上班\n");
        WorkdayCalendar damaged = installed(work.path());
        QVERIFY(!damaged.isWorkingDay(QDate(2024, 5, 11)) && damaged.isWorkingDay({2024, 5, 1}));
        QVERIFY(damaged.takeNotices().value(0).contains("无法读取"));
        QCOMPARE(readFile(WorkdayCalendar::FileName), "年份 2031-2031\n2031-01-04 上班\n");
    }

    // The minute check brings a 工作日 reminder on a make-up Saturday, not on a holiday or a
    // weekend; after days away, only the working days among them are listed as missed.
    void theMinuteCheck_data()
    {
        columns<QDateTime, QDateTime, QString>("start", "tick", "seen");
        const auto at = [](int month, int day, int h, int m) {
            return QDateTime(QDate(2024, month, day), QTime(h, m, 10));
        };
        row("a make-up Saturday", at(5, 11, 8, 59), at(5, 11, 9, 0), "上班");
        row("劳动节", at(5, 1, 8, 59), at(5, 1, 9, 0), "");
        row("an ordinary Saturday", at(5, 18, 8, 59), at(5, 18, 9, 0), "");
        row("away from 30 April to 7 May", at(4, 30, 17, 0), at(5, 7, 10, 0), "5-6 9:00 5-7 9:00");
    }
    void theMinuteCheck()
    {
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, tick);
        Workspace work;
        work.addEvents({{"工作日 9:00", "上班", Kind::Workday}, {"9:00", "每天", Kind::Daily}});
        EventStore store("event.db");
        ReminderService service(store);
        service.tick(start);
        QStringList seen;
        const ReminderService::Tick result = service.tick(tick);
        for (const Reminder &reminder : result.due + result.missed) {
            if (reminder.event.kind == Kind::Workday)
                seen << (result.missed.isEmpty() ? reminder.event.content
                                                 : reminder.due.toString("M-d H:mm"));
        }
        QTEST(seen.join(' '), "seen");
    }
};

QTEST_GUILESS_MAIN(TestWorkdays)
#include "tst_workdays.moc"
