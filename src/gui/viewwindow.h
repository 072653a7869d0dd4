#pragma once

#include "event.h"
#include "failurefilter.h"
#include "historyentry.h"
#include "ui_viewwindow.h"

#include <QWidget>

#include <functional>

class EventStore;
class HistoryRange;

// The event browser: every stored event in one tab, the history of a range of dates in
// the other, and the deletion of the current row of either after a confirmation. Both
// lists are read-only; a reload reads them afresh from the store.
class ViewWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ViewWindow(EventStore &store, QWidget *parent = nullptr);

signals:
    // A deletion was confirmed: today's list and every browser should reload.
    void rMainWindow();

public slots:
    // Resets the history range to the last month and reloads both lists.
    void showTableContent();
    void delSelected();
    void delHSelected();
    // Reloads the history for the dates the two date fields hold now.
    void showQueryResult();

private:
    // Each reads its list afresh; false when it could not (the user has been told).
    bool showEvents();
    bool showHistory(const HistoryRange &range);
    // Asks, then deletes with `remove` unless there was nothing to delete.
    void deleteAfterAsking(bool chosen, const std::function<bool()> &remove);
    void reportReadError(const QString &message);

    Ui::ViewWindow ui;
    EventStore &m_store;
    // What the two lists show, row for row.
    QList<Event> m_events;
    QList<HistoryEntry> m_history;
    FailureFilter m_failures;
};
