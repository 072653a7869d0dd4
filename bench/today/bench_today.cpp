// The same reminders for tasquill and for remind(1), and tasquill's list for one date.
//
//   bench_today write DIR [COUNT]   writes DIR/event.db and DIR/reminders.rem: COUNT
//                                   reminders (100k by default) of the five civil kinds
//   bench_today list DIR DATE       opens DIR/event.db as the program does at the day's
//                                   first start (the day's rebuild included) and prints
//                                   the contents of DATE's list (YYYY-MM-DD), one a line
//
// About one reminder in seventy falls on a given date: 0.2 % daily, 3 % weekly, 20 %
// monthly, 40 % yearly and the rest once-only between 2013 and 2016. Each content is
// unique ("事项 N"), so that the two programs' lists can be compared as sets.

#include "bulkwrite.h"
#include "eventstore.h"
#include "timetext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTextStream>

#include <cstdio>

namespace {

const char *const Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char *const Weekdays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

struct Both
{
    Event event;
    QString rem; // the same reminder as a line of remind's file
};

Both makeReminder(QRandomGenerator &random, int n)
{
    const QTime time(random.bounded(24), random.bounded(60));
    const QString at = QStringLiteral(" AT %1").arg(time.toString(QStringLiteral("H:mm")));
    const QString content = QStringLiteral("事项 %1").arg(n);
    const int share = random.bounded(1000);
    if (share < 2)
        return {{TimeText::composeDaily(time), content, Kind::Daily}, "REM" + at};
    if (share < 32) {
        const int weekday = 1 + random.bounded(7);
        return {
            {TimeText::composeWeekly(TimeText::weekdayName(weekday), time), content, Kind::Weekly},
            QStringLiteral("REM %1").arg(Weekdays[weekday - 1]) + at};
    }
    if (share < 232) {
        const int day = 1 + random.bounded(31);
        return {{TimeText::composeMonthly(day, time), content, Kind::Monthly},
                QStringLiteral("REM %1").arg(day) + at};
    }
    if (share < 632) {
        const QDate date = QDate(2016, 1, 1).addDays(random.bounded(366)); // 29 February too
        return {{TimeText::composeYearly(date.month(), date.day(), time), content, Kind::Yearly},
                QStringLiteral("REM %1 %2").arg(date.day()).arg(Months[date.month() - 1]) + at};
    }
    const QDate date = QDate(2013, 1, 1).addDays(random.bounded(4 * 365 + 1));
    return {{TimeText::composeOnce(QDateTime(date, time)), content, Kind::Once},
            QStringLiteral("REM %1 %2 %3")
                    .arg(date.day())
                    .arg(Months[date.month() - 1])
                    .arg(date.year()) +
                at};
}

int write(const QDir &dir, int count)
{
    QFile rem(dir.filePath(QStringLiteral("reminders.rem")));
    if (!rem.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 1;
    QTextStream remOut(&rem);
    QFile::remove(dir.filePath(QStringLiteral("event.db")));
    const bool written = writeInOneTransaction(
        dir.filePath(QStringLiteral("event.db")), true, [&](SqliteDatabase &db) {
            QRandomGenerator random(count);
            SqliteStatement insert(db, Schema::info(Schema::Table::Events).insert);
            bool ok = true;
            for (int n = 0; ok && n < count; ++n) {
                const Both both = makeReminder(random, n);
                ok = insertRow(insert, eventRow(both.event));
                remOut << both.rem << " MSG " << both.event.content << '\n';
            }
            return ok;
        });
    remOut.flush();
    return written && rem.error() == QFile::NoError ? 0 : 1;
}

int list(const QDir &dir, const QDate &date)
{
    EventStore store(dir.filePath(QStringLiteral("event.db")));
    const std::optional<QList<TodayItem>> items =
        store.open() && store.rebuildToday(date) ? store.todayList(date) : std::nullopt;
    if (!items) {
        std::fprintf(stderr, "%s\n", qPrintable(store.lastError().debugText()));
        return 1;
    }
    QTextStream out(stdout);
    for (const TodayItem &item : *items)
        out << item.content << '\n';
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == QLatin1String("write"))
        return write(QDir(args[2]), args.size() > 3 ? args[3].toInt() : 100000);
    const QDate date = args.size() == 4 ? QDate::fromString(args[3], Qt::ISODate) : QDate();
    if (date.isValid() && args[1] == QLatin1String("list"))
        return list(QDir(args[2]), date);
    std::fprintf(stderr, "usage: bench_today write DIR [COUNT] | list DIR YYYY-MM-DD\n");
    return 2;
}
