// Does what the program writes to event.db, over and over, until it is killed:
//
//   crashwriter FILE changes SEED   enters, completes and deletes at random, each change
//                                   followed by the day's rebuild, as the windows do
//   crashwriter FILE rebuilds       the day's rebuild, for 5 and 6 March 2014 by turns
//   crashwriter FILE open           opens the file (the one-time upgrade) and ends
//   crashwriter FILE rebuild DAY    one rebuild for DAY of March 2014, to compare with
#include "eventstore.h"
#include "historyrange.h"

#include <QCoreApplication>
#include <QRandomGenerator>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    EventStore store(args.value(1));
    if (!store.open())
        return 1;
    const QString mode = args.value(2);
    if (mode == "open")
        return 0;
    if (mode == "rebuild")
        return store.rebuildToday(QDate(2014, 3, args.value(3).toInt())) ? 0 : 1;
    QRandomGenerator random(args.value(3).toUInt());
    const QDate today(2014, 3, 5);
    const QDateTime now(today, QTime(10, 0));
    for (int i = 0;; ++i) {
        if (mode == "rebuilds") {
            store.rebuildToday(today.addDays(i % 2));
            continue;
        }
        const QList<Event> events = store.events();
        const QList<TodayItem> list = store.todayList(today);
        const QString content = QStringLiteral("事项 %1 %2").arg(args.value(3)).arg(i);
        switch (random.bounded(5)) {
        case 0: // a daily, a once-only reminder of today, or one whose day has passed
            store.addEvent({i % 3 == 0 ? "9:07"
                                       : TimeText::composeOnce(
                                             QDateTime(today.addDays(i % 3 - 2), QTime(8, 0))),
                            content, i % 3 == 0 ? Kind::Daily : Kind::Once});
            break;
        case 1:
            if (!events.isEmpty())
                store.completeReminder(events.at(random.bounded(int(events.size()))), now);
            break;
        case 2:
            if (!list.isEmpty())
                store.completeTodayItem(list.at(random.bounded(int(list.size()))), now);
            break;
        case 3:
            if (!events.isEmpty())
                store.deleteEvent(events.at(random.bounded(int(events.size()))));
            break;
        default: {
            const QList<HistoryEntry> history = store.history(HistoryRange(today, today));
            if (!history.isEmpty())
                store.deleteHistoryEntry(history.at(random.bounded(int(history.size()))));
        }
        }
        store.rebuildToday(today);
    }
}
