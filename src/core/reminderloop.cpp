#include "reminderloop.h"

#include "eventstore.h"
#include "waketimer.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace {
// Fire a little after the minute has begun, so that a tick never lands in the minute
// before because of timer rounding.
constexpr int TickMarginMs = 20;
// A write to the file comes as a few changes in a row: one look after they settle.
constexpr int FileSettleMs = 50;
} // namespace

ReminderLoop::ReminderLoop(EventStore &store, std::function<QDateTime()> now, QObject *parent)
    : QObject(parent), m_store(store), m_now(std::move(now)), m_service(store),
      m_wake(new WakeTimer(this)), m_watch(new QFileSystemWatcher(this)), m_settle(new QTimer(this))
{
    connect(m_wake, &WakeTimer::woke, this, [this] { check(m_now()); });
    m_settle->setSingleShot(true);
    m_settle->setInterval(FileSettleMs);
    connect(m_settle, &QTimer::timeout, this, &ReminderLoop::fileChanged);
    // The folder too: a file put in place of event.db (a backup, a sync tool's rename) is
    // news that the file's own watch may not bring.
    connect(m_watch, &QFileSystemWatcher::fileChanged, m_settle, qOverload<>(&QTimer::start));
    connect(m_watch, &QFileSystemWatcher::directoryChanged, m_settle, qOverload<>(&QTimer::start));
}

ReminderLoop::~ReminderLoop() = default;

void ReminderLoop::start(int firstCheckMs)
{
    m_service.start(m_now());
    m_wake->start(firstCheckMs);
}

void ReminderLoop::check(const QDateTime &now, bool rebuild)
{
    const ReminderService::Tick tick = m_service.tick(now, rebuild);
    m_checked = true;
    // The service counts the minutes before its aim as quiet: the wake must come then.
    m_wake->start(now.msecsTo(tick.wakeAt) + TickMarginMs);
    watchFile();
    emit ticked(tick);
}

void ReminderLoop::checkIfNotYet()
{
    if (!m_checked)
        check(m_now());
}

void ReminderLoop::fileChanged()
{
    emit fileTouched();
    // The program's own writes, made before it aimed, are no news.
    if (m_service.changedSinceAim())
        check(m_now());
    else
        watchFile();
}

void ReminderLoop::watchFile()
{
    // Watched again once it is there, and after it was replaced (a backup put back).
    const QString path = m_store.filePath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!m_watch->files().contains(path) && QFileInfo::exists(path))
        m_watch->addPath(path);
    if (!m_watch->directories().contains(folder) && QFileInfo::exists(folder))
        m_watch->addPath(folder);
}
