#include "timetext.h"

#include <QRandomGenerator>
#include <QtTest>

using TimeText::DayMatch;
Q_DECLARE_METATYPE(TimeText::DayMatch)

class TestTimeText : public QObject
{
    Q_OBJECT

private slots:
    // What the clock compares a minute with (once, yearly, monthly, weekly, daily, lunar
    // yearly and monthly), the completion time and the history's date tag.
    void writtenTexts()
    {
        const QDateTime wednesday(QDate(2014, 3, 5), QTime(9, 7, 42)),
            leapDay(QDate(2016, 2, 29), QTime(0, 0));
        QCOMPARE(TimeText::minuteMatchTexts(wednesday).join('|'),
                 "2014年3月5日 9:07|3月5日 9:07|5日 9:07|星期三 9:07|9:07|农历二月初五 9:07|"
                 "农历每月初五 9:07");
        QCOMPARE(TimeText::minuteMatchTexts(leapDay).join('|'),
                 "2016年2月29日 0:00|2月29日 0:00|29日 0:00|星期一 0:00|0:00|农历正月廿二 0:00|"
                 "农历每月廿二 0:00");
        // The last day of a 29-day month takes the 三十 texts too; a leap month no yearly one.
        const auto lunar = [](QDate d) { return TimeText::minuteMatchTexts({d, {20, 0}}).mid(5); };
        QCOMPARE(lunar(QDate(2025, 1, 28)).join('|'), "农历腊月廿九 20:00|农历每月廿九 20:00|"
                                                      "农历腊月三十 20:00|农历每月三十 20:00");
        QCOMPARE(lunar(QDate(2023, 4, 19)).join('|'), "农历每月廿九 20:00|农历每月三十 20:00");
        // As the lunar tabs compose them (the window's title shows the lunar date).
        QCOMPARE(TimeText::composeLunarYearly(11, 20, QTime(0, 5)) + '|' +
                     TimeText::composeLunarMonthly(21, QTime(23, 59)) + '|' +
                     TimeText::lunarDateText(QDate(2023, 4, 5)),
                 "农历冬月二十 0:05|农历每月廿一 23:59|农历闰二月十五");
        QCOMPARE(TimeText::composeWeekly(TimeText::weekdayName(7), QTime(10, 30)), "星期天 10:30");
        QCOMPARE(TimeText::completionTime(wednesday) + TimeText::dateTag(leapDay.date()),
                 "2014年3月5日 9:072016229");
    }

    // The hand-written parser must read exactly what Qt's parser reads with the same format:
    // every day of leap, common and century years (plus the day after each month's last, and
    // 2:30 on the spring day that skips it), then valid texts mangled at random.
    void parseOnceAgreesWithQt()
    {
        QStringList texts;
        for (int year : {1900, 2000, 2014, 2016, 2100}) {
            for (QDate d(year, 1, 1); d.year() == year; d = d.addDays(1)) {
                texts << TimeText::composeOnce(QDateTime(d, QTime(23, 59)))
                      << d.toString("yyyy年MM月dd日 HH:mm") << d.toString("yyyy年M月d日 2:30")
                      << QString("%1年%2月%3日 9:07").arg(year).arg(d.month()).arg(d.day() + 1);
            }
        }
        const QString alphabet = QStringLiteral("0123456789年月日: -+x０\t");
        const QStringList seeds = {"2014年3月5日 9:07", "2000年02月29日 00:00",
                                   "-0001年1月1日 0:00"};
        QRandomGenerator random(20140305);
        for (int i = 0; i < 30000; ++i) {
            QString text = seeds.at(i % seeds.size());
            for (int edits = 1 + random.bounded(3); edits > 0; --edits) {
                const int at = random.bounded(text.size() + 1);
                const QChar c = alphabet.at(random.bounded(alphabet.size()));
                const int how = random.bounded(3);
                how == 0   ? text.replace(at, 1, c)
                : how == 1 ? text.insert(at, c)
                           : text.remove(at, 1);
            }
            texts << text;
        }
        for (const QString &text : std::as_const(texts))
            QVERIFY2(TimeText::parseOnceDate(text) ==
                         QDateTime::fromString(text, TimeText::DateTimeFormat).date(),
                     qPrintable(text));
    }

    void matchDay_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<DayMatch>("expected");
        const auto row = [](const char *name, Kind kind, const char *text, QDate today,
                            DayMatch expected) {
            QTest::newRow(name) << kind << QString(text) << today << expected;
        };
        const QDate wed(2014, 3, 5), mon(2014, 3, 3);
        const DayMatch Yes = DayMatch::Today, No = DayMatch::NotToday, Passed = DayMatch::Passed;
        // Once-only: the date decides, not the time of day; an unreadable text counts as passed.
        row("y today, any time", Kind::Once, "2014年3月5日 0:00", wed, Yes);
        row("y yesterday", Kind::Once, "2014年3月4日 23:59", wed, Passed);
        row("y tomorrow", Kind::Once, "2014年3月6日 0:00", wed, No);
        row("y leading zeros", Kind::Once, "2014年03月05日 09:07", wed, Yes);
        row("y two blanks", Kind::Once, "2014年3月5日  9:07", wed, Passed);
        row("y 29 February, common year", Kind::Once, "2015年2月29日 9:00", QDate(2015, 2, 28),
            Passed);
        row("y hour 24", Kind::Once, "2014年3月5日 24:00", wed, Passed);
        // Yearly: the first "\d+月\d+日" as exact text.
        row("m today", Kind::Yearly, "3月5日 9:07", wed, Yes);
        row("m leading zeros", Kind::Yearly, "03月05日 9:07", wed, No);
        row("m two blanks", Kind::Yearly, "3月5日  9:07", wed, Yes);
        row("m first match only", Kind::Yearly, "1月1日 3月5日 9:07", wed, No);
        row("m digits run into the month", Kind::Yearly, "13月5日 9:07", wed, No);
        row("m 2月29日, 1 Mar of a common year", Kind::Yearly, "2月29日 8:00", QDate(2015, 3, 1),
            No);
        // Monthly: the first "\d+日" as exact text; the 31st only in months that have one.
        row("d today", Kind::Monthly, "5日 9:07", wed, Yes);
        row("d 15 is not 5", Kind::Monthly, "15日 9:07", wed, No);
        row("d leading zero", Kind::Monthly, "05日 9:07", wed, No);
        row("d 31, 30 April", Kind::Monthly, "31日 9:00", QDate(2014, 4, 30), No);
        // Daily: every day, whatever the text.
        row("t, whatever the text", Kind::Daily, "随便", wed, Yes);
        // Weekly: the first "星期\S"; Sunday is "星期天", never "星期日".
        row("w Monday", Kind::Weekly, "星期一 9:00", mon, Yes);
        row("w Sunday 星期天", Kind::Weekly, "星期天 9:00", mon.addDays(6), Yes);
        row("w Sunday 星期日", Kind::Weekly, "星期日 9:00", mon.addDays(6), No);
        row("w Monday on Tuesday", Kind::Weekly, "星期一 9:00", mon.addDays(1), No);
        row("w first match only", Kind::Weekly, "星期二 星期一 9:00", mon, No);
        // Lunar (L yearly, K monthly): 中秋 and 春节 of several years; a leap month counts for
        // the monthly kind only.
        const Kind L = Kind::LunarYearly, K = Kind::LunarMonthly;
        row("l 中秋 2023", L, "农历八月十五 20:00", QDate(2023, 9, 29), Yes);
        row("l 中秋 2024", L, "农历八月十五 20:00", QDate(2024, 9, 17), Yes);
        row("l 中秋 2025", L, "农历八月十五 20:00", QDate(2025, 10, 6), Yes);
        row("l 春节 2024", L, "农历正月初一 0:00", QDate(2024, 2, 10), Yes);
        row("l 春节 2025", L, "农历正月初一 0:00", QDate(2025, 1, 29), Yes);
        row("l 春节 2026", L, "农历正月初一 0:00", QDate(2026, 2, 17), Yes);
        row("l 二月十五 2023", L, "农历二月十五 9:00", QDate(2023, 3, 6), Yes);
        row("l 二月十五, 闰二月十五", L, "农历二月十五 9:00", QDate(2023, 4, 5), No);
        row("k 十五, 闰二月十五", K, "农历每月十五 9:00", QDate(2023, 4, 5), Yes);
        // 三十 of a 29-day month on its 廿九; a 30-day month keeps its own 三十.
        row("l 腊月三十, 29-day 腊月", L, "农历腊月三十 20:00", QDate(2025, 1, 28), Yes);
        row("l 腊月廿九, 29-day 腊月", L, "农历腊月廿九 20:00", QDate(2025, 1, 28), Yes);
        row("l 腊月三十, 30-day 腊月", L, "农历腊月三十 20:00", QDate(2024, 2, 9), Yes);
        row("l 腊月三十 on 廿九, 30-day 腊月", L, "农历腊月三十 20:00", QDate(2024, 2, 8), No);
        row("k 三十 on 廿九, 30-day 腊月", K, "农历每月三十 8:00", QDate(2024, 2, 8), No);
        row("k 三十, 29-day 闰二月", K, "农历每月三十 8:00", QDate(2023, 4, 19), Yes);
        row("l 二月三十, 29-day 闰二月", L, "农历二月三十 8:00", QDate(2023, 4, 19), No);
        // Across the ends of the year; 初一 is not 初十, and a blank follows the date.
        row("l 冬月十九, 31 Dec 2023", L, "农历冬月十九 9:00", QDate(2023, 12, 31), Yes);
        row("l 腊月初一, 31 Dec 2024", L, "农历腊月初一 9:00", QDate(2024, 12, 31), Yes);
        row("k 初十 on 初一", K, "农历每月初十 9:00", QDate(2024, 2, 10), No);
        row("k no blank", K, "农历每月初一9:00", QDate(2024, 2, 10), No);
        // Other kinds are left alone, even with a passed date.
        row("unknown kind", Kind::Other, "2000年1月1日 9:07", wed, No);
    }
    void matchDay()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, text);
        QFETCH(QDate, today);
        QFETCH(DayMatch, expected);
        QCOMPARE(TimeText::matchDay(kind, text, today), expected);
        // The store passes over texts without today's day text: a day-bound event of today has it.
        const QString dayText = TimeText::dayText(kind, today),
                      thirtieth = TimeText::thirtiethDayText(kind, today);
        QVERIFY(expected != DayMatch::Today || kind == Kind::Once || kind == Kind::Daily ||
                (!dayText.isEmpty() && text.contains(dayText)) ||
                (!thirtieth.isEmpty() && text.contains(thirtieth)));
    }
};

int main(int argc, char *argv[])
{
    // A zone with daylight saving, so that texts naming a skipped hour are compared with Qt
    // as well; where the zone is not installed the local zone is used.
    qputenv("TZ", "Europe/Berlin");
    QCoreApplication app(argc, argv);
    TestTimeText test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_timetext.moc"
