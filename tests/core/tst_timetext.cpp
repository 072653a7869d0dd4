#include "timetext.h"
#include "workspace.h"

#include <QtTest>

using TimeText::DayMatch;
Q_DECLARE_METATYPE(TimeText::DayMatch)
// A zone with daylight saving, so that texts naming a skipped hour are compared with Qt too.
[[maybe_unused]] static const bool InBerlin = qputenv("TZ", "Europe/Berlin");

class TestTimeText : public QObject
{
    Q_OBJECT

private slots:
    // What the clock compares a minute with, the texts composed, the completion time and the
    // history's tag.
    void writtenTexts_data()
    {
        using namespace TimeText;
        columns<QString, QString>("written", "expected");
        const QDateTime wednesday(QDate(2014, 3, 5), QTime(9, 7, 42));
        row("a minute's match texts", minuteMatchTexts(wednesday).join('|'),
            "2014年3月5日 9:07|3月5日 9:07|5日 9:07|星期三 9:07|9:07|工作日 9:07|农历二月初五 9:07|"
            "农历每月初五 9:07");
        // The last day of a 29-day month takes the 三十 texts too; a leap month no yearly one.
        row("lunar texts of 闰二月廿九",
            minuteMatchTexts({QDate(2023, 4, 19), {20, 0}}).mid(6).join('|'),
            "农历每月廿九 20:00|农历每月三十 20:00");
        row("lunar yearly", composeLunarYearly(11, 20, QTime(0, 5)), "农历冬月二十 0:05");
        row("lunar monthly", composeLunarMonthly(21, QTime(23, 59)), "农历每月廿一 23:59");
        row("a lunar date in a leap month", lunarDateText(QDate(2023, 4, 5)), "农历闰二月十五");
        row("weekly on Sunday", composeWeekly(weekdayName(7), QTime(10, 30)), "星期天 10:30");
        row("completion time", completionTime(wednesday), "2014年3月5日 9:07");
        row("history tag", dateTag(QDate(2016, 2, 29)), "2016229");
    }
    void writtenTexts()
    {
        QFETCH(QString, written);
        QTEST(written, "expected");
    }

    // The parser reads what Qt's reads: every day of five years, the day after, texts a little off.
    void parseOnceAgreesWithQt()
    {
        QStringList texts = {"-0001年1月1日 0:00", "2014年3月5日 24:00", "2014年003月5日 9:07",
                             "2014年3月5日 9:07 ", "２014年3月5日 9:07", "2014年3月5日 9:7",
                             "2014/3月5日 9:07",   "2014年3月5日9:07",   "2014年3月"};
        for (int year : {1900, 2000, 2014, 2016, 2100})
            for (QDate d(year, 1, 1); d.year() == year; d = d.addDays(1))
                texts << TimeText::composeOnce(QDateTime(d, QTime(23, 59)))
                      << d.toString("yyyy年MM月dd日 09:07") << d.toString("yyyy年M月d日 2:30")
                      << QString("%1年%2月%3日 9:07").arg(year).arg(d.month()).arg(d.day() + 1);
        for (const QString &text : std::as_const(texts))
            QVERIFY2(TimeText::parseOnceDate(text) ==
                         QDateTime::fromString(text, TimeText::DateTimeFormat).date(),
                     qPrintable(text));
    }

    void matchDay_data()
    {
        columns<Kind, QString, QDate, DayMatch>("kind", "text", "today", "expected");
        const QDate wed(2014, 3, 5);
        const DayMatch Yes = DayMatch::Today, No = DayMatch::NotToday, Passed = DayMatch::Passed;
        // Once-only: the date decides, not the time of day; an unreadable text counts as passed.
        row("y yesterday", Kind::Once, "2014年3月4日 23:59", wed, Passed);
        // The day parts are the first "\d+月\d+日", "\d+日" or "星期\S" as exact texts.
        row("m digits run into the month", Kind::Yearly, "13月5日 9:07", wed, No);
        row("m 2月29日, 1 Mar of a common year", Kind::Yearly, "2月29日 8:00", QDate(2015, 3, 1),
            No);
        // Lunar (L yearly, K monthly); a leap month counts for the monthly kind only.
        const Kind L = Kind::LunarYearly, K = Kind::LunarMonthly;
        row("l 二月十五 2023", L, "农历二月十五 9:00", QDate(2023, 3, 6), Yes);
        row("l 二月十五, 闰二月十五", L, "农历二月十五 9:00", QDate(2023, 4, 5), No);
        row("k 十五, 闰二月十五", K, "农历每月十五 9:00", QDate(2023, 4, 5), Yes);
        // 三十 of a 29-day month on its 廿九; a 30-day month keeps its own 三十.
        row("l 腊月廿九, 29-day 腊月", L, "农历腊月廿九 20:00", QDate(2025, 1, 28), Yes);
        row("l 腊月三十, 30-day 腊月", L, "农历腊月三十 20:00", QDate(2024, 2, 9), Yes);
        row("l 腊月三十 on 廿九, 30-day 腊月", L, "农历腊月三十 20:00", QDate(2024, 2, 8), No);
        row("k 三十 on 廿九, 30-day 腊月", K, "农历每月三十 8:00", QDate(2024, 2, 8), No);
        row("k 三十, 29-day 闰二月", K, "农历每月三十 8:00", QDate(2023, 4, 19), Yes);
        row("l 二月三十, 29-day 闰二月", L, "农历二月三十 8:00", QDate(2023, 4, 19), No);
        // Across the ends of the year; 初一 is not 初十, and a blank follows the date.
        row("l 腊月初一, 31 Dec 2024", L, "农历腊月初一 9:00", QDate(2024, 12, 31), Yes);
        row("k 初十 on 初一", K, "农历每月初十 9:00", QDate(2024, 2, 10), No);
        row("k no blank", K, "农历每月初一9:00", QDate(2024, 2, 10), No);
    }
    void matchDay()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, text);
        QFETCH(QDate, today);
        QFETCH(DayMatch, expected);
        QCOMPARE(TimeText::matchDay(kind, text, today), expected);
    }
};

QTEST_GUILESS_MAIN(TestTimeText)

#include "tst_timetext.moc"
