#pragma once

#include "historycache.h"
#include "ui_viewwindow.h"

#include <QWidget>

class EventStore;
class HistoryRange;
class QTableView;
class TextRowsModel;

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
    // Each reads its table afresh; false when it could not (the user has been told).
    bool showEvents();
    bool showHistory(const HistoryRange &range);
    // Puts `model` on `view` in place of the one it showed.
    static void install(QTableView *view, TextRowsModel *model, int stretched, int hidden);
    void deleteCurrent(QTableView *view, const QString &table);
    // Tells the user, once for each distinct failure in a row.
    void reportReadError(const QString &message);

    Ui::ViewWindow ui;
    EventStore &m_store;
    HistoryCache m_history;
    QString m_lastReadError;
};
