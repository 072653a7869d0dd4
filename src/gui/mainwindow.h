#pragma once

#include "event.h"
#include "failurefilter.h"
#include "reminderservice.h"
#include "ui_mainwindow.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class SyncControl;
class EventStore;
class MissedWindow;
class PopupStack;
class Promotion;
class ReminderLoop;
class ReminderNotifications;
class QSystemTrayIcon;
class ReminderChime;
class TextRowsModel;

// The program's hub: today's to-do list, the menus that open the other windows, the tray
// icon, and what each tick of the reminder loop brings: reminder windows, the missed list,
// today's list shown again, failures told.
//
// Some names here do not follow this program's own style and stay as they are: the signals
// and slots the windows connect by name (sRMainWindow, rMainWindow, refreshTableView,
// moveItem, callSetwindow, gotoURL, showAdWindow), the form's object names (action_M,
// todayTableView, mButton, tasklabel), trayIcon and adTimer. The program was first built
// with these names; its forms, its tests and what has been written about it use them.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Takes the event database; the first minute check opens it (creating and upgrading
    // its tables) and builds today's list.
    void initDatabase(const QString &fileName);
    // Rebuilds today's list for the current date, with the day's housekeeping.
    void rebuildTodayList();
    // Opens a reminder window for each due reminder while one still fits the work area, with
    // room kept for the lists; the rest go into one list, "更多提醒".
    void showReminders(const QList<Reminder> &due);
    // Opens a reminder window for one due reminder.
    void showMsgWindow(const Reminder &reminder);
    // Lists reminders that fell due while the program was away, in one window.
    void showMissedWindow(const QList<Reminder> &missed);
    // Adds them to the window "错过的提醒", opened when not open.
    void listMissed(const QList<Reminder> &missed);
    // Shows a pop-up at the lower right of the work area, above those already there.
    void showAtBottomRight(QWidget *widget);
    // The minute check at `now`: every minute not yet checked gets its reminders, and
    // today's list is rebuilt when the day has turned (or, with `rebuild`, at once).
    void checkReminders(const QDateTime &now, bool rebuild = false);
    void lookupHomeHost();
    // Tells a new user, in a balloon from the tray icon, that the program runs there.
    void greet();
    // A second start asked for the program: without a notification area, where nothing
    // else reaches it, the window shows, raised.
    void bringUp();

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
    void showAdWindow(const QString &lookupError); // empty: the home page host was found

    // Builds the window's widgets on their first showing.
    void setVisible(bool visible) override;

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    void createActions();
    void createTrayIcon();
    void ensureUi();
    void checkIfNotYet(); // the first check, when something needs it before it came
    void installTodayModel();
    void showTodayModel();
    // Opens the tick's reminders, shows today's list again when it changed, and tells
    // the user about its failures.
    void handle(const ReminderService::Tick &tick);
    // Tells the user about a database failure, once for each distinct one until things go
    // well again, and never before the event loop runs: a box shown while the window is
    // being built would hold back the clock until someone presses OK.
    void reportFailure(const QString &message, const QString &title = QStringLiteral("数据库错误"));

    Ui::MainWindow ui;
    QSystemTrayIcon *trayIcon = nullptr;
    QMenu *trayIconMenu = nullptr;
    QAction *openAction = nullptr;
    QAction *homePageAction = nullptr;
    QAction *quitAction = nullptr;
    int adTimer = 0;

    std::unique_ptr<EventStore> m_store;
    ReminderLoop *m_loop = nullptr;
    std::unique_ptr<QMenu> m_trayMenuOwner;
    bool m_uiBuilt = false;
    TextRowsModel *m_todayModel = nullptr;
    QList<TodayItem> m_today; // what today's list shows, row for row
    FailureFilter m_failures;
    PopupStack *m_popups = nullptr;
    ReminderChime *m_chime = nullptr;
    Promotion *m_promotion = nullptr;
    QPointer<MissedWindow> m_missedWindow;
    ReminderNotifications *m_notifications = nullptr; // on Wayland
    QList<Reminder> m_missedToList;                   // announced by a notification, not listed yet
    QPointer<MissedWindow> m_moreWindow;              // "更多提醒"
    SyncControl *m_sync = nullptr;
};
