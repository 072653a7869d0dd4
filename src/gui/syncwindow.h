#pragma once

#include "syncprocess.h"
#include "ui_syncwindow.h"

#include <QWidget>

// 同步设置: the CalDAV account the reminders are synced with. "连接" asks the server for
// its calendars, "保存" keeps the account with the calendar chosen; both through the
// program's own `sync` sub-command, in the background, the password on its standard input.
// A certificate the system does not trust is shown to the user, and used only when they
// accept it. Below: how the last sync ended, where the password is kept, and what the sync
// leaves out.
class SyncWindow : public QWidget
{
    Q_OBJECT
public:
    // `program` is the tasquill executable; `folder` the data folder.
    SyncWindow(const QString &program, const QString &folder, QWidget *parent = nullptr);

    // Shows the last sync, the password's place and what is left out, as they are now.
    void showState();

signals:
    // The account was saved: a sync may follow at once.
    void saved();

public slots:
    void connectServer();
    void save();

private:
    enum class Step { Calendars, Save };
    bool filledIn();
    void run(Step step);
    void ended(const SyncProcess::Result &result);
    void listCalendars(const QString &names, const QString &current);
    void setBusy(bool busy);

    Ui::SyncWindow ui;
    QString m_folder;
    SyncProcess *m_command = nullptr;
    Step m_step = Step::Calendars;
    // The certificate the user accepted, and for which server.
    QString m_trusted;
    QString m_trustedServer;
};
