#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QWidget;
class SyncRunner;
class SyncWindow;

// The main window's side of the calendar sync: the background syncs (see SyncRunner), the
// entries 同步设置… and 立即同步, and what the user is told. A sync the user asked for is
// answered every time; a background one only when it fails, and the same failure once,
// not at every run until it goes well again.
class SyncControl : public QObject
{
    Q_OBJECT
public:
    // Syncs the data folder (the current one) with the running program's own `sync`
    // sub-command; adds 立即同步 to `trayMenu`, beside its first entry.
    SyncControl(QWidget *window, QMenu *trayMenu);

    // The window's menu entries, once its form is built.
    void attach(QAction *settingsAction, QAction *syncNowAction);
    void openSettings();

public slots:
    // event.db or its folder changed.
    void localChange();

signals:
    // A sync changed event.db: today's list may have changed.
    void changed();
    // A background sync failed, for the window's report of failures.
    void failed(const QString &message, const QString &title);

private slots:
    // logind's word before a suspend (true) and after the wake-up (false).
    void prepareForSleep(bool sleeping);

private:
    void finished(bool ok, const QString &message);
    // Listens for wake-ups, once there is an account to sync.
    void watchSleep();

    QWidget *m_window;
    QString m_program;
    QString m_folder;
    SyncRunner *m_runner = nullptr;
    QPointer<SyncWindow> m_settings;
    QString m_told; // the background failure told last; empty after a success
    bool m_watchingSleep = false;
};
