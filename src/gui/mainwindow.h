#pragma once

#include "reminderclock.h"
#include "ui_mainwindow.h"

#include <QHostInfo>
#include <QMainWindow>
#include <memory>

class EventStore;
class TextRowsModel;
class QSystemTrayIcon;

// The program's hub: today's to-do list, the menus that open the other windows, the tray
// icon, and the minute timer that opens reminder windows.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Opens the event database (creating and upgrading its tables) and shows today's list.
    void initDatabase(const QString &fileName);
    // Rebuilds today's list for the current date, with the day's housekeeping.
    void rebuildTodayList();
    // Opens a reminder window for one due event.
    void showMsgWindow(const QString &time, const QString &content, const QString &kind);
    // Moves a pop-up to the lower right of the work area and shows it.
    void showAtBottomRight(QWidget *widget);
    // Runs the minute check for the moment `now`: every minute not yet checked gets its
    // reminders, and today's list is rebuilt when the day has turned.
    void checkReminders(const QDateTime &now);
    void lookupHomeHost();

    EventStore &store() { return *m_store; }
    int reminderTimerId() const { return reminderTimer; }
    int adTimerId() const { return adTimer; }

signals:
    void refreshTableView();

public slots:
    void about();
    void callSetwindow();
    void callViewwindow();
    void callSoundSetWindow();
    void refresh();
    void moveItem();
    void gotoURL();
    void showAdWindow(const QHostInfo &host);

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    void createActions();
    void createTrayIcon();
    void installTodayModel();
    void startReminderTimer();
    // Tells the user about a database failure, once for each distinct message in a row,
    // so a failure that repeats every minute does not bury the screen in boxes.
    void reportError(const QString &title, const QString &message);

    Ui::MainWindow ui;
    QSystemTrayIcon *trayIcon = nullptr;
    QMenu *trayIconMenu = nullptr;
    QAction *openAction = nullptr;
    QAction *homePageAction = nullptr;
    QAction *quitAction = nullptr;
    TextRowsModel *todayModel = nullptr;
    int reminderTimer = 0;
    int adTimer = 0;

    std::unique_ptr<EventStore> m_store;
    std::unique_ptr<QMenu> m_trayMenuOwner;
    ReminderClock m_clock;
    QString m_lastReportedError;
};
