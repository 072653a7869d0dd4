// The program's writing to FILE until the crash test kills it: "changes SEED" at random,
// "rebuilds" of 5 and 6 March 2014 by turns, "open" (the upgrade) or "rebuild DAY" once.
#include "eventstore.h"
#include "historyrange.h"

#include <QCoreApplication>
#include <QRandomGenerator>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    EventStore store(args.value(1));
    const QString mode = args.value(2);
    if (!store.open() || mode == "open")
        return store.isOpen() ? 0 : 1;
    if (mode == "rebuild")
        return store.rebuildToday(QDate(2014, 3, args.value(3).toInt())) ? 0 : 1;
    QRandomGenerator random(args.value(3).toUInt());
    const QDate today(2014, 3, 5);
    const QDateTime now(today, QTime(10, 0));
    // Does `act` to one of `list` (as read) at random, if there is one.
    const auto pick = [&](const auto &list, const auto &act) {
        if (list && !list->isEmpty())
            act(list->at(random.bounded(int(list->size()))));
    };
    for (int i = 0;; ++i) {
        if (mode == "rebuilds") {
            store.rebuildToday(today.addDays(i % 2));
            continue;
        }
        const QString content = QStringLiteral("事项 %1 %2").arg(args.value(3)).arg(i);
        switch (random.bounded(5)) {
        case 0: // a daily, a once-only reminder of today, or one whose day has passed
            store.addEvent({i % 3 == 0 ? "9:07"
                                       : TimeText::composeOnce(
                                             QDateTime(today.addDays(i % 3 - 2), QTime(8, 0))),
                            content, i % 3 == 0 ? Kind::Daily : Kind::Once});
            break;
        case 1:
            // As a reminder of today (come late in the day): its completion is today's too.
            pick(store.events(), [&](const Event &e) {
                store.completeReminder({e, QDateTime(today, QTime(23, 59))}, now);
            });
            break;
        case 2:
            pick(store.todayList(today),
                 [&](const TodayItem &t) { store.completeTodayItem(t, now); });
            break;
        case 3:
            pick(store.events(), [&](const Event &e) { store.deleteEvent(e); });
            break;
        default:
            pick(store.history(HistoryRange(today, today)),
                 [&](const HistoryEntry &h) { store.deleteHistoryEntry(h); });
        }
        store.rebuildToday(today);
    }
}
