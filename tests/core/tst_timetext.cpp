#include "timetext.h"

#include <QRandomGenerator>
#include <QtTest>

using TimeText::DayMatch;

Q_DECLARE_METATYPE(TimeText::DayMatch)

class TestTimeText : public QObject
{
    Q_OBJECT

private slots:
    void writtenTexts_data();
    void writtenTexts();
    void parseOnceAgreesWithQt();
    void matchDay_data();
    void matchDay();
};

void TestTimeText::writtenTexts_data()
{
    QTest::addColumn<QDateTime>("moment");
    // The clock's match texts: once, yearly, monthly, weekly, daily; then the history's date tag.
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("tag");

    QTest::newRow("no leading zeros, seconds ignored")
        << QDateTime(QDate(2014, 3, 5), QTime(9, 7, 42)) << QStringList{
               "2014年3月5日 9:07", "3月5日 9:07", "5日 9:07", "星期三 9:07", "9:07"} << "201435";
    QTest::newRow("leap day midnight")
        << QDateTime(QDate(2016, 2, 29), QTime(0, 0)) << QStringList{
               "2016年2月29日 0:00", "2月29日 0:00", "29日 0:00", "星期一 0:00", "0:00"} << "2016229";
    QTest::newRow("Sunday is 星期天")
        << QDateTime(QDate(2014, 3, 9), QTime(10, 30)) << QStringList{
               "2014年3月9日 10:30", "3月9日 10:30", "9日 10:30", "星期天 10:30", "10:30"} << "201439";
}

void TestTimeText::writtenTexts()
{
    QFETCH(QDateTime, moment);
    QFETCH(QStringList, texts);
    QFETCH(QString, tag);
    QCOMPARE(TimeText::minuteMatchTexts(moment), texts);
    QCOMPARE(TimeText::completionTime(moment), texts.first());
    QCOMPARE(TimeText::dateTag(moment.date()), tag);
}

// The hand-written parser must read exactly what Qt's parser reads with the same format:
// every day of leap, common and century years (plus the day after each month's last, and
// 2:30 on the spring day that skips it), then valid texts mangled at random.
void TestTimeText::parseOnceAgreesWithQt()
{
    QStringList texts;
    for (int year : {1900, 2000, 2014, 2016, 2100}) {
        for (QDate d(year, 1, 1); d.year() == year; d = d.addDays(1)) {
            texts << TimeText::composeOnce(QDateTime(d, QTime(23, 59)))
                  << d.toString(QStringLiteral("yyyy年MM月dd日 HH:mm"))
                  << d.toString(QStringLiteral("yyyy年M月d日 2:30"))
                  << QStringLiteral("%1年%2月%3日 9:07").arg(year).arg(d.month()).arg(d.day() + 1);
        }
    }
    const QString alphabet = QStringLiteral("0123456789年月日: -+x０\t");
    QRandomGenerator random(20140305);
    const QStringList seeds = {QStringLiteral("2014年3月5日 9:07"),
                               QStringLiteral("2000年02月29日 00:00"),
                               QStringLiteral("-0001年1月1日 0:00")};
    for (int i = 0; i < 30000; ++i) {
        QString text = seeds.at(i % seeds.size());
        for (int edits = 1 + random.bounded(3); edits > 0; --edits) {
            const int at = random.bounded(text.size() + 1);
            const QChar c = alphabet.at(random.bounded(alphabet.size()));
            const int how = random.bounded(3);
            how == 0 ? text.replace(at, 1, c) : how == 1 ? text.insert(at, c) : text.remove(at, 1);
        }
        texts << text;
    }
    for (const QString &text : qAsConst(texts)) {
        const QDateTime ours = TimeText::parseOnce(text);
        const QDateTime qt = QDateTime::fromString(text, TimeText::DateTimeFormat);
        QVERIFY2(ours.isValid() == qt.isValid() && ours.date() == qt.date()
                     && ours.time() == qt.time() && TimeText::parseOnceDate(text) == qt.date(),
                 qPrintable(text));
    }
}

void TestTimeText::matchDay_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<DayMatch>("expected");

    const auto row = [](const char *name, const char *kind, const char *text, QDate today,
                        DayMatch expected) {
        QTest::newRow(name) << QString(kind) << QString(text) << today << expected;
    };
    const QDate wed(2014, 3, 5);
    const QDate monday(2014, 3, 3);
    const DayMatch Yes = DayMatch::Today, No = DayMatch::NotToday, Passed = DayMatch::Passed;
    // Once-only: the date decides, not the time of day; an unreadable text counts as passed.
    row("y today, any time", "y", "2014年3月5日 0:00", wed, Yes);
    row("y yesterday", "y", "2014年3月4日 23:59", wed, Passed);
    row("y tomorrow", "y", "2014年3月6日 0:00", wed, No);
    row("y leading zeros", "y", "2014年03月05日 09:07", wed, Yes);
    row("y two blanks", "y", "2014年3月5日  9:07", wed, Passed);
    row("y leap day", "y", "2016年2月29日 9:00", QDate(2016, 2, 29), Yes);
    row("y 29 February, common year", "y", "2015年2月29日 9:00", QDate(2015, 2, 28), Passed);
    row("y 31 April", "y", "2014年4月31日 9:00", QDate(2014, 4, 30), Passed);
    row("y hour 24", "y", "2014年3月5日 24:00", wed, Passed);
    row("y garbage", "y", "下周", wed, Passed);
    // Yearly: the first "\d+月\d+日" as exact text.
    row("m today", "m", "3月5日 9:07", wed, Yes);
    row("m leading zeros", "m", "03月05日 9:07", wed, No);
    row("m two blanks", "m", "3月5日  9:07", wed, Yes);
    row("m first match only", "m", "1月1日 3月5日 9:07", wed, No);
    row("m digits run into the month", "m", "13月5日 9:07", wed, No);
    row("m year end", "m", "12月31日 23:59", QDate(2014, 12, 31), Yes);
    row("m 2月29日, leap year", "m", "2月29日 8:00", QDate(2016, 2, 29), Yes);
    row("m 2月29日, 28 Feb of a common year", "m", "2月29日 8:00", QDate(2015, 2, 28), No);
    row("m 2月29日, 1 Mar of a common year", "m", "2月29日 8:00", QDate(2015, 3, 1), No);
    row("m garbage", "m", "月日 9:07", wed, No);
    // Monthly: the first "\d+日" as exact text; the 31st only in months that have one.
    row("d today", "d", "5日 9:07", wed, Yes);
    row("d 15 is not 5", "d", "15日 9:07", wed, No);
    row("d leading zero", "d", "05日 9:07", wed, No);
    row("d 31, 31 January", "d", "31日 9:00", QDate(2014, 1, 31), Yes);
    row("d 31, 30 April", "d", "31日 9:00", QDate(2014, 4, 30), No);
    row("d 29, common February", "d", "29日 9:00", QDate(2015, 2, 28), No);
    row("d 29, leap February", "d", "29日 9:00", QDate(2016, 2, 29), Yes);
    // Daily: every day, whatever the text.
    row("t, whatever the text", "t", "随便", wed, Yes);
    // Weekly: the first "星期\S"; Sunday is "星期天", never "星期日".
    row("w Monday", "w", "星期一 9:00", monday, Yes);
    row("w Tuesday", "w", "星期二 9:00", monday.addDays(1), Yes);
    row("w Wednesday", "w", "星期三 9:00", monday.addDays(2), Yes);
    row("w Thursday", "w", "星期四 9:00", monday.addDays(3), Yes);
    row("w Friday", "w", "星期五 9:00", monday.addDays(4), Yes);
    row("w Saturday", "w", "星期六 9:00", monday.addDays(5), Yes);
    row("w Sunday 星期天", "w", "星期天 9:00", monday.addDays(6), Yes);
    row("w Sunday 星期日", "w", "星期日 9:00", monday.addDays(6), No);
    row("w Monday on Tuesday", "w", "星期一 9:00", monday.addDays(1), No);
    row("w two blanks", "w", "星期一  9:00", monday, Yes);
    row("w first match only", "w", "星期二 星期一 9:00", monday, No);
    row("w garbage", "w", "周一 9:00", monday, No);
    // Other kinds are left alone, even with a passed date.
    row("upper-case kind", "Y", "2000年1月1日 9:07", wed, No);
}

void TestTimeText::matchDay()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QDate, today);
    QFETCH(DayMatch, expected);
    QCOMPARE(TimeText::matchDay(kind, text, today), expected);
    // The store passes over texts without today's day text: a day-bound event of today has it.
    const QString dayText = TimeText::dayText(kind, today);
    if (expected == DayMatch::Today && kind != "y" && kind != "t")
        QVERIFY2(!dayText.isEmpty() && text.contains(dayText), qPrintable(dayText));
}

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
