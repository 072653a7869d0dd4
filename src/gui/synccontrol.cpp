#include "synccontrol.h"

#include "dialogs.h"
#include "syncaccount.h"
#include "syncrunner.h"
#include "syncwindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QMenu>

namespace {
const QString SyncNow = QStringLiteral("立即同步");
} // namespace

SyncControl::SyncControl(QWidget *window, QMenu *trayMenu)
    : QObject(window), m_window(window), m_program(QCoreApplication::applicationFilePath()),
      m_folder(QDir::currentPath()), m_runner(new SyncRunner(m_program, m_folder, this))
{
    connect(m_runner, &SyncRunner::finished, this, &SyncControl::finished);
    connect(m_runner, &SyncRunner::wrote, this, &SyncControl::changed);
    auto *syncNow = new QAction(SyncNow, this);
    connect(syncNow, &QAction::triggered, m_runner, &SyncRunner::syncNow);
    trayMenu->insertAction(trayMenu->actions().value(1), syncNow);
    m_runner->start();
    if (SyncAccount::load(m_folder))
        watchSleep();
}

void SyncControl::watchSleep()
{
    // The system bus is asked only with an account: a start without one pays nothing.
    if (m_watchingSleep)
        return;
    m_watchingSleep = QDBusConnection::systemBus().connect(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
        SLOT(prepareForSleep(bool)));
}

void SyncControl::prepareForSleep(bool sleeping)
{
    if (!sleeping)
        m_runner->wokeUp();
}

void SyncControl::attach(QAction *settingsAction, QAction *syncNowAction)
{
    connect(settingsAction, &QAction::triggered, this, &SyncControl::openSettings);
    connect(syncNowAction, &QAction::triggered, m_runner, &SyncRunner::syncNow);
}

void SyncControl::openSettings()
{
    if (!m_settings) {
        m_settings = new SyncWindow(m_program, m_folder);
        m_settings->setAttribute(Qt::WA_DeleteOnClose);
        m_settings->setWindowFlags(Qt::WindowCloseButtonHint);
        connect(m_settings, &SyncWindow::saved, m_runner, &SyncRunner::accountChanged);
        connect(m_settings, &SyncWindow::saved, this, &SyncControl::watchSleep);
    }
    m_settings->show();
    m_settings->raise();
    m_settings->activateWindow();
}

void SyncControl::localChange()
{
    m_runner->localChange();
}

void SyncControl::finished(bool ok, const QString &message)
{
    if (m_settings)
        m_settings->showState();
    if (m_runner->askedByUser()) {
        // Told after the run's own bookkeeping, outside the process's signal.
        QMetaObject::invokeMethod(
            this,
            [this, ok, message] {
                if (ok)
                    Dialogs::about(m_window, SyncNow, message);
                else
                    Dialogs::error(m_window, SyncNow, message);
            },
            Qt::QueuedConnection);
    } else if (!ok && message != m_told) {
        emit failed(message, QStringLiteral("同步"));
    }
    m_told = ok ? QString() : message;
}
