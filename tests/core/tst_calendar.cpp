#include "calendarexport.h"
#include "calendarimport.h"
#include "calendartransfer.h"
#include "timetext.h"
#include "workspace.h"

#include <QSet>

#include <libical/ical.h>

// Times with a zone are converted to this one.
[[maybe_unused]] static const bool InShanghai = qputenv("TZ", "Asia/Shanghai");

static const QDateTime Now(QDate(2026, 12, 7), QTime(12, 0));

// `items` (lines of VEVENTs or VTODOs) in a calendar, as a calendar program writes it.
static QByteArray calendar(const QString &items)
{
    return ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n" + items.trimmed() +
            "\r\nEND:VCALENDAR\r\n")
        .toUtf8()
        .replace("\n", "\r\n")
        .replace("\r\r", "\r");
}

class TestCalendar : public QObject
{
    Q_OBJECT

private slots:
    // Every date a lunar reminder comes on, 1950–2100, is one that libical's own expansion
    // of the exported rule gives, and the other way round.
    void lunarRulesAgainstLibical()
    {
        const QStringList texts = {"农历八月十五 9:00", "农历正月初一 9:00", "农历腊月三十 9:00",
                                   "农历六月三十 9:00", "农历每月初一 9:00", "农历每月三十 9:00"};
        const QDate from(1950, 1, 1), to(2100, 12, 31);
        QList<QSet<QDate>> ours(texts.size());
        for (QDate day = from; day <= to; day = day.addDays(1)) {
            for (int i = 0; i < texts.size(); ++i) {
                if (TimeText::matchDay(Schedule::read(texts[i])->kind, texts[i], day) ==
                    TimeText::DayMatch::Today)
                    ours[i].insert(day);
            }
        }
        for (int i = 0; i < texts.size(); ++i) {
            const Schedule schedule = *Schedule::read(texts[i]);
            const QDate start = CalendarExport::firstDay(schedule, from);
            icalrecur_iterator *expansion = icalrecur_iterator_new(
                icalrecurrencetype_from_string(CalendarExport::rule(schedule).toLatin1()),
                icaltime_from_day_of_year(start.dayOfYear(), start.year()));
            QSet<QDate> theirs;
            for (icaltimetype t = icalrecur_iterator_next(expansion);
                 !icaltime_is_null_time(t) && t.year <= to.year();
                 t = icalrecur_iterator_next(expansion))
                theirs.insert(QDate(t.year, t.month, t.day));
            icalrecur_iterator_free(expansion);
            QVERIFY2(ours[i].size() > 150 && ours[i].contains(start), qPrintable(texts[i]));
            QCOMPARE(ours[i] - theirs, QSet<QDate>());
            QCOMPARE(theirs - ours[i], QSet<QDate>());
        }
    }

    // Every kind comes back exactly as it went out, whatever its text holds; twins go once,
    // and a day that does not exist is not written.
    void exportThenImport()
    {
        const QList<Event> events = {
            {"2027年3月5日 9:07", "第一行\n第二行\n", Kind::Once},
            {"3月5日 9:07", "他说：\"好,明天;见\" \\ 'ok'", Kind::Yearly},
            {"2月29日 0:00", "007", Kind::Yearly},
            {"31日 23:59", QString("长的内容，折行不拆开一个字。").repeated(9), Kind::Monthly},
            {"9:07", "", Kind::Daily},
            {"星期天 7:30", "  前后有空格  ", Kind::Weekly},
            {"农历八月十五 20:00", "中秋", Kind::LunarYearly},
            {"农历腊月三十 18:00", "除夕\n\n年夜饭", Kind::LunarYearly},
            {"农历每月三十 8:00", "月末", Kind::LunarMonthly},
        };
        const CalendarExport::Result out = CalendarExport::write(
            events + QList<Event>{events.first(), {"2月30日 9:00", "没有这一天", Kind::Yearly}},
            Now);
        QCOMPARE(out.exported, events.size());
        QCOMPARE(out.leftOut, QStringList("2月30日 9:00 没有这一天：没有这一天"));
        QVERIFY(out.ics.contains("DTSTART:20000912T200000")); // 中秋 2000: its first day from 2000
        const CalendarImport::Result in = CalendarImport::read(out.ics, Now);
        QVERIFY(in.leftOut.isEmpty());
        QCOMPARE(in.events, events);
    }

    // Events and to-dos as other calendar programs write them: the reminder each gives
    // ("time text|content"), or why it is left out ("!reason").
    void foreignCalendars_data()
    {
        columns<QString, QString>("item", "expected");
        const QString event = "BEGIN:VEVENT\nSUMMARY:开会\n%1\nEND:VEVENT";
        const QString alarm = "BEGIN:VALARM\nACTION:DISPLAY\nDESCRIPTION:x\nTRIGGER%1\nEND:VALARM";
        row("floating", event.arg("DTSTART:20270305T090700"), "2027年3月5日 9:07|开会");
        row("UTC", event.arg("DTSTART:20270305T010700Z"), "2027年3月5日 9:07|开会");
        row("New York", event.arg("DTSTART;TZID=America/New_York:20270304T200700"),
            "2027年3月5日 9:07|开会");
        row("Outlook's zone name",
            event.arg("DTSTART;TZID=\"China Standard Time\":20270305T090700"),
            "2027年3月5日 9:07|开会");
        row("to-do due, alarm before",
            "BEGIN:VTODO\nSUMMARY:交报告\nDUE:20270305T140000\n" + alarm.arg(":-PT15M") +
                "\nEND:VTODO",
            "2027年3月5日 13:45|交报告");
        row("Google weekly",
            event.arg("DESCRIPTION:带上报告\nDTSTART;TZID=Asia/Shanghai:20261202T090000\n"
                      "RRULE:FREQ=WEEKLY;BYDAY=WE\n" +
                      alarm.arg(":-P0DT0H10M0S")),
            "星期三 8:50|开会\n带上报告");
        row("birthday, all day",
            event.arg("DTSTART;VALUE=DATE:19900305\nRRULE:FREQ=YEARLY\n" + alarm.arg(":PT9H")),
            "3月5日 9:00|开会");
        row("all day, once, alarm the day before",
            event.arg("DTSTART;VALUE=DATE:20270305\n" + alarm.arg(":-PT15H")),
            "2027年3月4日 9:00|开会");
        row("Apple's absolute alarm",
            event.arg("DTSTART:20270305T090000\n" + alarm.arg(";VALUE=DATE-TIME:20270305T000000Z")),
            "2027年3月5日 8:00|开会");
        row("lunar monthly, from its start",
            event.arg("DTSTART:20261109T080000\nRRULE:RSCALE=CHINESE;FREQ=MONTHLY"),
            "农历每月初一 8:00|开会");
        row("all day, no alarm", event.arg("DTSTART;VALUE=DATE:20270305"), "!全天事项");
        row("every other week", event.arg("DTSTART:20261202T090000\nRRULE:FREQ=WEEKLY;INTERVAL=2"),
            "!每 2 个周期");
        row("ten times", event.arg("DTSTART:20261202T090000\nRRULE:FREQ=DAILY;COUNT=10"),
            "!有次数");
        row("working days",
            event.arg("DTSTART:20261202T090000\nRRULE:FREQ=WEEKLY;BYDAY=MO,TU,WE,TH,FR"),
            "!重复在多个日子");
        row("second Tuesday", event.arg("DTSTART:20261110T090000\nRRULE:FREQ=MONTHLY;BYDAY=2TU"),
            "!重复规则太复杂");
        row("yearly on the 5th of every month",
            event.arg("DTSTART:20260105T090000\nRRULE:FREQ=YEARLY;BYMONTHDAY=5"),
            "!重复规则太复杂");
        row("hourly", event.arg("DTSTART:20261202T090000\nRRULE:FREQ=HOURLY"), "!重复得比每天");
        row("lunar 30th skipped",
            event.arg("DTSTART:20261109T090000\nRRULE:RSCALE=CHINESE;FREQ=MONTHLY;BYMONTHDAY=30"),
            "!农历三十");
        row("lunar leap month",
            event.arg("DTSTART:20261109T090000\nRRULE:RSCALE=CHINESE;FREQ=YEARLY;BYMONTH=6L;"
                      "BYMONTHDAY=1"),
            "!农历闰月");
        row("daily in New York",
            event.arg("DTSTART;TZID=America/New_York:20261202T090000\nRRULE:FREQ=DAILY"),
            "!时区与本机不同");
        row("starting next year", event.arg("DTSTART:20270105T090000\nRRULE:FREQ=MONTHLY"),
            "!从 2027-01-05 才开始");
        row("with an exception",
            event.arg("DTSTART:20261202T090000\nRRULE:FREQ=DAILY\nEXDATE:20261203T090000"),
            "!有另加或排除");
        row("done to-do",
            "BEGIN:VTODO\nSUMMARY:x\nSTATUS:COMPLETED\nDUE:20270305T140000\nEND:VTODO",
            "!已取消或已完成");
        row("passed", event.arg("DTSTART:20261207T115900"), "past");
    }
    void foreignCalendars()
    {
        QFETCH(QString, item);
        QFETCH(QString, expected);
        const CalendarImport::Result in = CalendarImport::read(calendar(item), Now);
        QVERIFY(in.error.isEmpty());
        QString got = in.past ? "past" : "";
        for (const Event &event : in.events)
            got += event.time + '|' + event.content;
        for (const CalendarImport::LeftOut &left : in.leftOut)
            got += '!' + left.reason;
        QVERIFY2(expected.startsWith('!') ? got.startsWith(expected) : got == expected,
                 qPrintable(got));
    }

    // A file that is not a whole calendar changes nothing and says why.
    void damagedFiles_data()
    {
        columns<QByteArray>("content");
        const QByteArray whole =
            calendar("BEGIN:VEVENT\nSUMMARY:a\nDTSTART:20270305T090700\nEND:VEVENT");
        row("not a calendar", QByteArray("名字,时间\n开会,9:00\n"));
        row("cut short", whole.left(whole.size() - 30));
        row("empty", QByteArray());
    }
    void damagedFiles()
    {
        QFETCH(QByteArray, content);
        Workspace workspace;
        workspace.addEvents({{"9:07", "早", Kind::Daily}});
        writeFile("in.ics", content);
        const CalendarTransfer::Report report =
            CalendarTransfer::importFile(*workspace.openStore(), "in.ics", Now);
        QCOMPARE(report.outcome, CalendarTransfer::Report::Outcome::Refused);
        QVERIFY2(report.text.contains("什么也没有改动"), qPrintable(report.text));
        QCOMPARE(DbFile::rows(T::Events), table("9:07|早|t"));
    }
};

QTEST_GUILESS_MAIN(TestCalendar)
#include "tst_calendar.moc"
