#include "timetext.h"

#include <QRandomGenerator>
#include <QtTest>

using TimeText::DayMatch;

Q_DECLARE_METATYPE(TimeText::DayMatch)

class TestTimeText : public QObject
{
    Q_OBJECT

private slots:
    void weekdayName_data();
    void weekdayName();
    void composedForms_data();
    void composedForms();
    void completionTimeAndTag_data();
    void completionTimeAndTag();
    void minuteMatchTexts_data();
    void minuteMatchTexts();

    void parseOnce_data();
    void parseOnce();
    void parseOnceAgreesWithQtOnEveryDay();
    void parseOnceAgreesWithQtOnMangledTexts();

    void matchDay_data();
    void matchDay();
    void dayText_data();
    void dayText();
    void composedTextsMatchTheirDay_data();
    void composedTextsMatchTheirDay();

private:
    static void compareWithQt(const QString &text);
};

void TestTimeText::weekdayName_data()
{
    QTest::addColumn<int>("dayOfWeek");
    QTest::addColumn<QString>("name");
    QTest::newRow("Monday") << 1 << QStringLiteral("星期一");
    QTest::newRow("Tuesday") << 2 << QStringLiteral("星期二");
    QTest::newRow("Wednesday") << 3 << QStringLiteral("星期三");
    QTest::newRow("Thursday") << 4 << QStringLiteral("星期四");
    QTest::newRow("Friday") << 5 << QStringLiteral("星期五");
    QTest::newRow("Saturday") << 6 << QStringLiteral("星期六");
    QTest::newRow("Sunday is 星期天") << 7 << QStringLiteral("星期天");
    QTest::newRow("zero") << 0 << QString();
    QTest::newRow("eight") << 8 << QString();
    QTest::newRow("negative") << -1 << QString();
}

void TestTimeText::weekdayName()
{
    QFETCH(int, dayOfWeek);
    QFETCH(QString, name);
    QCOMPARE(TimeText::weekdayName(dayOfWeek), name);
    if (!name.isEmpty())
        QCOMPARE(TimeText::weekdayNames().at(dayOfWeek - 1), name);
}

void TestTimeText::composedForms_data()
{
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QStringList>("texts"); // once, yearly, monthly, daily, weekly

    QTest::newRow("no leading zeros") << QDateTime(QDate(2014, 3, 5), QTime(9, 7))
        << QStringList{"2014年3月5日 9:07", "3月5日 9:07", "5日 9:07", "9:07", "星期三 9:07"};
    QTest::newRow("midnight") << QDateTime(QDate(2016, 2, 29), QTime(0, 0))
        << QStringList{"2016年2月29日 0:00", "2月29日 0:00", "29日 0:00", "0:00", "星期一 0:00"};
    QTest::newRow("two-digit everything") << QDateTime(QDate(2013, 12, 31), QTime(23, 59))
        << QStringList{"2013年12月31日 23:59", "12月31日 23:59", "31日 23:59", "23:59",
                       "星期二 23:59"};
    QTest::newRow("Sunday") << QDateTime(QDate(2014, 3, 9), QTime(10, 30))
        << QStringList{"2014年3月9日 10:30", "3月9日 10:30", "9日 10:30", "10:30", "星期天 10:30"};
}

void TestTimeText::composedForms()
{
    QFETCH(QDateTime, moment);
    QFETCH(QStringList, texts);
    const QDate date = moment.date();
    const QTime time = moment.time();
    QCOMPARE(TimeText::composeOnce(moment), texts.at(0));
    QCOMPARE(TimeText::composeYearly(date.month(), date.day(), time), texts.at(1));
    QCOMPARE(TimeText::composeMonthly(date.day(), time), texts.at(2));
    QCOMPARE(TimeText::composeDaily(time), texts.at(3));
    QCOMPARE(TimeText::composeWeekly(TimeText::weekdayName(date.dayOfWeek()), time), texts.at(4));
}

void TestTimeText::completionTimeAndTag_data()
{
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QString>("completion");
    QTest::addColumn<QString>("tag");
    QTest::newRow("5 March") << QDateTime(QDate(2014, 3, 5), QTime(9, 7, 59))
                             << QStringLiteral("2014年3月5日 9:07") << QStringLiteral("201435");
    QTest::newRow("11 January") << QDateTime(QDate(2014, 1, 11), QTime(10, 15))
                                << QStringLiteral("2014年1月11日 10:15") << QStringLiteral("2014111");
    QTest::newRow("1 November, same tag") << QDateTime(QDate(2014, 11, 1), QTime(0, 1))
                                          << QStringLiteral("2014年11月1日 0:01") << QStringLiteral("2014111");
    QTest::newRow("31 December") << QDateTime(QDate(2015, 12, 31), QTime(23, 59))
                                 << QStringLiteral("2015年12月31日 23:59") << QStringLiteral("20151231");
}

void TestTimeText::completionTimeAndTag()
{
    QFETCH(QDateTime, moment);
    QFETCH(QString, completion);
    QFETCH(QString, tag);
    QCOMPARE(TimeText::completionTime(moment), completion);
    QCOMPARE(TimeText::dateTag(moment.date()), tag);
    // A completion time is read back by the day change of the completions.
    QCOMPARE(TimeText::parseOnce(completion).date(), moment.date());
}

void TestTimeText::minuteMatchTexts_data()
{
    QTest::addColumn<QDateTime>("minute");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("Wednesday 9:07, seconds ignored")
        << QDateTime(QDate(2014, 3, 5), QTime(9, 7, 42))
        << QStringList{"2014年3月5日 9:07", "3月5日 9:07", "5日 9:07", "星期三 9:07", "9:07"};
    QTest::newRow("Sunday midnight") << QDateTime(QDate(2014, 3, 9), QTime(0, 0))
        << QStringList{"2014年3月9日 0:00", "3月9日 0:00", "9日 0:00", "星期天 0:00", "0:00"};
    QTest::newRow("leap day 0:01") << QDateTime(QDate(2000, 2, 29), QTime(0, 1))
        << QStringList{"2000年2月29日 0:01", "2月29日 0:01", "29日 0:01", "星期二 0:01", "0:01"};
    QTest::newRow("year end") << QDateTime(QDate(2014, 12, 31), QTime(23, 59, 59))
        << QStringList{"2014年12月31日 23:59", "12月31日 23:59", "31日 23:59", "星期三 23:59",
                       "23:59"};
}

void TestTimeText::minuteMatchTexts()
{
    QFETCH(QDateTime, minute);
    QFETCH(QStringList, texts);
    QCOMPARE(TimeText::minuteMatchTexts(minute), texts);
}

void TestTimeText::parseOnce_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expected"); // invalid: the text names no moment

    const QDateTime none;
    QTest::newRow("plain") << "2014年3月5日 9:07" << QDateTime(QDate(2014, 3, 5), QTime(9, 7));
    QTest::newRow("leading zeros accepted") << "2014年03月05日 09:07"
                                            << QDateTime(QDate(2014, 3, 5), QTime(9, 7));
    QTest::newRow("midnight") << "2014年1月1日 0:00" << QDateTime(QDate(2014, 1, 1), QTime(0, 0));
    QTest::newRow("last minute") << "2014年12月31日 23:59"
                                 << QDateTime(QDate(2014, 12, 31), QTime(23, 59));
    QTest::newRow("leap day") << "2016年2月29日 9:07" << QDateTime(QDate(2016, 2, 29), QTime(9, 7));
    QTest::newRow("leap day 2000") << "2000年2月29日 9:07" << QDateTime(QDate(2000, 2, 29), QTime(9, 7));
    QTest::newRow("negative year") << "-2014年3月5日 9:07" << QDateTime(QDate(-2014, 3, 5), QTime(9, 7));
    QTest::newRow("29 February, common year") << "2014年2月29日 9:07" << none;
    QTest::newRow("29 February 1900") << "1900年2月29日 9:07" << none;
    QTest::newRow("30 February") << "2016年2月30日 9:07" << none;
    QTest::newRow("31 April") << "2014年4月31日 9:07" << none;
    QTest::newRow("month 13") << "2014年13月5日 9:07" << none;
    QTest::newRow("month 0") << "2014年0月5日 9:07" << none;
    QTest::newRow("day 0") << "2014年3月0日 9:07" << none;
    QTest::newRow("hour 24") << "2014年3月5日 24:00" << none;
    QTest::newRow("minute 60") << "2014年3月5日 9:60" << none;
    QTest::newRow("year 0") << "0000年3月5日 9:07" << none;
    QTest::newRow("three-digit year") << "214年3月5日 9:07" << none;
    QTest::newRow("five-digit year") << "02014年3月5日 9:07" << none;
    QTest::newRow("three-digit month") << "2014年003月5日 9:07" << none;
    QTest::newRow("one-digit minutes") << "2014年3月5日 9:7" << none;
    QTest::newRow("two blanks") << "2014年3月5日  9:07" << none;
    QTest::newRow("no blank") << "2014年3月5日9:07" << none;
    QTest::newRow("tab") << "2014年3月5日\t9:07" << none;
    QTest::newRow("ideographic space") << "2014年3月5日\u30009:07" << none;
    QTest::newRow("leading blank") << " 2014年3月5日 9:07" << none;
    QTest::newRow("trailing blank") << "2014年3月5日 9:07 " << none;
    QTest::newRow("seconds") << "2014年3月5日 9:07:00" << none;
    QTest::newRow("full-width digits") << "２０１４年3月5日 9:07" << none;
    QTest::newRow("full-width colon") << "2014年3月5日 9：07" << none;
    QTest::newRow("plus sign") << "2014年3月+5日 9:07" << none;
    QTest::newRow("date only") << "2014年3月5日" << none;
    QTest::newRow("empty") << "" << none;
    QTest::newRow("garbage") << "明天早上" << none;
}

void TestTimeText::parseOnce()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, expected);
    const QDateTime parsed = TimeText::parseOnce(text);
    QCOMPARE(parsed.isValid(), expected.isValid());
    if (expected.isValid())
        QCOMPARE(parsed, expected);
    compareWithQt(text);
}

void TestTimeText::compareWithQt(const QString &text)
{
    const QDateTime ours = TimeText::parseOnce(text);
    const QDateTime qt = QDateTime::fromString(text, TimeText::DateTimeFormat);
    QVERIFY2(ours.isValid() == qt.isValid() && ours.date() == qt.date() && ours.time() == qt.time()
                 && TimeText::parseOnceDate(text) == qt.date(),
             qPrintable(QStringLiteral("%1: ours %2 %3, Qt %4 %5")
                            .arg(text, ours.date().toString(Qt::ISODate), ours.time().toString(),
                                 qt.date().toString(Qt::ISODate), qt.time().toString())));
}

void TestTimeText::parseOnceAgreesWithQtOnEveryDay()
{
    // Every day of a leap year, a common year and the century years around them, at the
    // first and last minute and with leading zeros.
    const QList<int> years = {1900, 2000, 2014, 2016, 2100};
    for (int year : years) {
        for (QDate d(year, 1, 1); d.year() == year; d = d.addDays(1)) {
            const QString plain = TimeText::composeOnce(QDateTime(d, QTime(0, 0)));
            compareWithQt(plain);
            compareWithQt(TimeText::composeOnce(QDateTime(d, QTime(23, 59))));
            compareWithQt(d.toString(QStringLiteral("yyyy年MM月dd日 HH:mm")));
            // 2:30 is skipped on the spring day of daylight saving time.
            compareWithQt(d.toString(QStringLiteral("yyyy年M月d日 2:30")));
            // The day after the last of the month, written into the same month.
            compareWithQt(QStringLiteral("%1年%2月%3日 9:07").arg(year).arg(d.month()).arg(d.day() + 1));
            if (QTest::currentTestFailed())
                return;
        }
    }
}

void TestTimeText::parseOnceAgreesWithQtOnMangledTexts()
{
    // Valid texts with characters replaced, inserted or removed at random; a fixed seed
    // keeps the run repeatable.
    const QString alphabet = QStringLiteral("0123456789年月日: -+x０\t");
    QRandomGenerator random(20140305);
    const QStringList seeds = {QStringLiteral("2014年3月5日 9:07"), QStringLiteral("2016年12月31日 23:59"),
                               QStringLiteral("2000年02月29日 00:00"), QStringLiteral("-0001年1月1日 0:00")};
    for (int i = 0; i < 40000; ++i) {
        QString text = seeds.at(i % seeds.size());
        const int edits = 1 + random.bounded(3);
        for (int e = 0; e < edits; ++e) {
            const QChar c = alphabet.at(random.bounded(alphabet.size()));
            const int at = random.bounded(text.size() + 1);
            switch (random.bounded(3)) {
            case 0:
                if (at < text.size())
                    text[at] = c;
                break;
            case 1:
                text.insert(at, c);
                break;
            default:
                if (at < text.size())
                    text.remove(at, 1);
                break;
            }
        }
        compareWithQt(text);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestTimeText::matchDay_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<DayMatch>("expected");

    const QDate wed(2014, 3, 5); // Wednesday
    const auto row = [](const char *name, const QString &kind, const QString &text, QDate today,
                        DayMatch expected) {
        QTest::newRow(name) << kind << text << today << expected;
    };
    const QString y = TimeText::OnceKind, m = TimeText::YearlyKind, d = TimeText::MonthlyKind,
                  t = TimeText::DailyKind, w = TimeText::WeeklyKind;

    // Once-only: the date decides, the time of day never does.
    row("y today, time passed", y, "2014年3月5日 0:00", wed, DayMatch::Today);
    row("y today, time to come", y, "2014年3月5日 23:59", wed, DayMatch::Today);
    row("y yesterday", y, "2014年3月4日 23:59", wed, DayMatch::Passed);
    row("y tomorrow", y, "2014年3月6日 0:00", wed, DayMatch::NotToday);
    row("y last year's end", y, "2013年12月31日 23:59", QDate(2014, 1, 1), DayMatch::Passed);
    row("y next year", y, "2015年1月1日 0:00", QDate(2014, 12, 31), DayMatch::NotToday);
    row("y leading zeros still read", y, "2014年03月05日 09:07", wed, DayMatch::Today);
    row("y two blanks cannot be read", y, "2014年3月5日  9:07", wed, DayMatch::Passed);
    row("y 29 February of a common year", y, "2015年2月29日 9:00", QDate(2015, 2, 28), DayMatch::Passed);
    row("y leap day", y, "2016年2月29日 9:00", QDate(2016, 2, 29), DayMatch::Today);
    row("y garbage", y, "下周", wed, DayMatch::Passed);
    row("y empty", y, "", wed, DayMatch::Passed);
    row("y in another kind's form", y, "3月5日 9:07", wed, DayMatch::Passed);

    // Yearly: the month-day part as exact text.
    row("m today", m, "3月5日 9:07", wed, DayMatch::Today);
    row("m another day", m, "3月6日 9:07", wed, DayMatch::NotToday);
    row("m another month", m, "4月5日 9:07", wed, DayMatch::NotToday);
    row("m leading zeros never", m, "03月05日 9:07", wed, DayMatch::NotToday);
    row("m leading zero on the day", m, "3月05日 9:07", wed, DayMatch::NotToday);
    row("m two blanks, date part still equal", m, "3月5日  9:07", wed, DayMatch::Today);
    row("m not anchored", m, "每年3月5日 9:07", wed, DayMatch::Today);
    row("m only the first match counts", m, "1月1日 3月5日 9:07", wed, DayMatch::NotToday);
    row("m digits run into the month", m, "13月5日 9:07", wed, DayMatch::NotToday);
    row("m 2月29日 in a leap year", m, "2月29日 8:00", QDate(2016, 2, 29), DayMatch::Today);
    row("m 2月29日 on 28 February of a common year", m, "2月29日 8:00", QDate(2015, 2, 28), DayMatch::NotToday);
    row("m 2月29日 on 1 March of a common year", m, "2月29日 8:00", QDate(2015, 3, 1), DayMatch::NotToday);
    row("m 2月29日 in 1900", m, "2月29日 8:00", QDate(1900, 3, 1), DayMatch::NotToday);
    row("m 2月29日 in 2000", m, "2月29日 8:00", QDate(2000, 2, 29), DayMatch::Today);
    row("m year end", m, "12月31日 23:59", QDate(2014, 12, 31), DayMatch::Today);
    row("m no date part", m, "9:07", wed, DayMatch::NotToday);
    row("m garbage", m, "月日", wed, DayMatch::NotToday);

    // Monthly: the day part as exact text.
    row("d today", d, "5日 9:07", wed, DayMatch::Today);
    row("d another day", d, "6日 9:07", wed, DayMatch::NotToday);
    row("d leading zero never", d, "05日 9:07", wed, DayMatch::NotToday);
    row("d two blanks", d, "5日  9:07", wed, DayMatch::Today);
    row("d 31 in January", d, "31日 9:00", QDate(2014, 1, 31), DayMatch::Today);
    row("d 31 on 30 April", d, "31日 9:00", QDate(2014, 4, 30), DayMatch::NotToday);
    row("d 31 on 1 May", d, "31日 9:00", QDate(2014, 5, 1), DayMatch::NotToday);
    row("d 30 on 28 February", d, "30日 9:00", QDate(2014, 2, 28), DayMatch::NotToday);
    row("d 29 in a common February", d, "29日 9:00", QDate(2015, 2, 28), DayMatch::NotToday);
    row("d 29 in a leap February", d, "29日 9:00", QDate(2016, 2, 29), DayMatch::Today);
    row("d first match of a month-day text", d, "3月5日 9:07", QDate(2014, 7, 5), DayMatch::Today);
    row("d 15 is not 5", d, "15日 9:07", wed, DayMatch::NotToday);
    row("d garbage", d, "每天", wed, DayMatch::NotToday);

    // Daily: always.
    row("t", t, "9:07", wed, DayMatch::Today);
    row("t garbage", t, "随便", QDate(2016, 2, 29), DayMatch::Today);
    row("t empty", t, "", wed, DayMatch::Today);

    // Weekly: each weekday, Sunday spelt both ways.
    const QDate monday(2014, 3, 3);
    const char *names[] = {"w Monday", "w Tuesday", "w Wednesday", "w Thursday", "w Friday",
                           "w Saturday", "w Sunday 星期天"};
    for (int i = 0; i < 7; ++i) {
        const QString text = TimeText::weekdayName(i + 1) + QStringLiteral(" 9:00");
        row(names[i], w, text, monday.addDays(i), DayMatch::Today);
        row(qPrintable(QStringLiteral("%1, next day").arg(names[i])), w, text, monday.addDays(i + 1),
            DayMatch::NotToday);
    }
    row("w Sunday 星期日 never", w, "星期日 9:00", QDate(2014, 3, 9), DayMatch::NotToday);
    row("w 星期日 not on Monday", w, "星期日 9:00", monday, DayMatch::NotToday);
    row("w blank inside the name", w, "星期 一 9:00", monday, DayMatch::NotToday);
    row("w no blank before the time", w, "星期一9:00", monday, DayMatch::Today);
    row("w two blanks", w, "星期一  9:00", monday, DayMatch::Today);
    row("w first match only", w, "星期二 星期一 9:00", monday, DayMatch::NotToday);
    row("w garbage", w, "周一 9:00", monday, DayMatch::NotToday);

    // Kinds that are none of the five are left alone.
    row("unknown kind", "x", "9:07", wed, DayMatch::NotToday);
    row("upper-case kind", "T", "9:07", wed, DayMatch::NotToday);
    row("kind with a blank", "t ", "9:07", wed, DayMatch::NotToday);
    row("empty kind", "", "9:07", wed, DayMatch::NotToday);
    row("unknown kind, passed date", "Y", "2000年1月1日 9:07", wed, DayMatch::NotToday);
}

void TestTimeText::matchDay()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QDate, today);
    QFETCH(DayMatch, expected);
    QCOMPARE(TimeText::matchDay(kind, text, today), expected);
}

void TestTimeText::dayText_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("text");
    QTest::newRow("yearly") << "m" << QDate(2014, 3, 5) << "3月5日";
    QTest::newRow("yearly, two digits") << "m" << QDate(2014, 12, 31) << "12月31日";
    QTest::newRow("monthly") << "d" << QDate(2014, 3, 5) << "5日";
    QTest::newRow("weekly") << "w" << QDate(2014, 3, 5) << "星期三";
    QTest::newRow("weekly on Sunday") << "w" << QDate(2014, 3, 9) << "星期天";
    QTest::newRow("once-only: none") << "y" << QDate(2014, 3, 5) << "";
    QTest::newRow("daily: none") << "t" << QDate(2014, 3, 5) << "";
    QTest::newRow("unknown: none") << "x" << QDate(2014, 3, 5) << "";
    QTest::newRow("no date: none") << "m" << QDate() << "";
}

void TestTimeText::dayText()
{
    // A text without it is never today's; one that is today's always has it.
    QFETCH(QString, kind);
    QFETCH(QDate, today);
    QFETCH(QString, text);
    QCOMPARE(TimeText::dayText(kind, today), text);
    if (!text.isEmpty()) {
        QCOMPARE(TimeText::matchDay(kind, text + QStringLiteral(" 9:07"), today), DayMatch::Today);
        QCOMPARE(TimeText::matchDay(kind, QStringLiteral("9:07"), today), DayMatch::NotToday);
    }
}

void TestTimeText::composedTextsMatchTheirDay_data()
{
    QTest::addColumn<QDate>("date");
    QTest::newRow("month end, 31 days") << QDate(2014, 1, 31);
    QTest::newRow("month end, 30 days") << QDate(2014, 4, 30);
    QTest::newRow("leap day") << QDate(2016, 2, 29);
    QTest::newRow("common February end") << QDate(2015, 2, 28);
    QTest::newRow("year end") << QDate(2014, 12, 31);
    QTest::newRow("Sunday") << QDate(2014, 3, 9);
}

void TestTimeText::composedTextsMatchTheirDay()
{
    // What the entry window writes for a day is listed on that day and not the day after.
    QFETCH(QDate, date);
    const QTime time(7, 5);
    const QList<QPair<QString, QString>> events = {
        {TimeText::OnceKind, TimeText::composeOnce(QDateTime(date, time))},
        {TimeText::YearlyKind, TimeText::composeYearly(date.month(), date.day(), time)},
        {TimeText::MonthlyKind, TimeText::composeMonthly(date.day(), time)},
        {TimeText::WeeklyKind, TimeText::composeWeekly(TimeText::weekdayName(date.dayOfWeek()), time)},
    };
    for (const auto &[kind, text] : events) {
        QCOMPARE(TimeText::matchDay(kind, text, date), DayMatch::Today);
        const DayMatch after = kind == TimeText::OnceKind ? DayMatch::Passed : DayMatch::NotToday;
        QCOMPARE(TimeText::matchDay(kind, text, date.addDays(1)), after);
    }
}

int main(int argc, char *argv[])
{
    // A zone with daylight saving, so that texts naming a skipped hour are compared with
    // Qt as well; where the zone is not installed the local zone is used.
    qputenv("TZ", "Europe/Berlin");
    QCoreApplication app(argc, argv);
    TestTimeText test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_timetext.moc"
