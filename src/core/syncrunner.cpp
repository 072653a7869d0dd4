#include "syncrunner.h"

#include "syncaccount.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace {
const QString NoAccount = QStringLiteral("尚未设置同步账户，请先在“同步设置…”中设置。");
} // namespace

SyncRunner::SyncRunner(const QString &program, const QString &folder, QObject *parent)
    : QObject(parent), m_folder(folder), m_command(new SyncProcess(program, folder, this)),
      m_soon(new QTimer(this)), m_every(new QTimer(this))
{
    m_soon->setSingleShot(true);
    m_every->setInterval(IntervalMs);
    connect(m_soon, &QTimer::timeout, this, [this] { request(false); });
    connect(m_every, &QTimer::timeout, this, &SyncRunner::regular);
    connect(m_command, &SyncProcess::finished, this, &SyncRunner::ended);
    // What is there now was there before this program ran: the first sync takes it up.
    m_synced = stamp();
}

void SyncRunner::start()
{
    if (!SyncAccount::load(m_folder))
        return;
    soon(StartDelayMs);
    m_every->start();
    m_everyStarted = QDateTime::currentMSecsSinceEpoch();
}

void SyncRunner::localChange()
{
    const Stamp now = stamp();
    if (isRunning()) {
        // The running sync's own writes and anyone else's look alike: one more run after it
        // takes up what may have been another's, and only one, so that a sync's own writes
        // never start a chain.
        m_changedMeanwhile = m_changedMeanwhile || now != m_atStart;
        return;
    }
    if (now != m_synced)
        soon(ChangeDelayMs);
}

void SyncRunner::syncNow()
{
    request(true);
}

void SyncRunner::accountChanged()
{
    if (!m_every->isActive()) {
        m_every->start();
        m_everyStarted = QDateTime::currentMSecsSinceEpoch();
    }
    request(false);
}

void SyncRunner::wokeUp()
{
    if (m_every->isActive())
        soon(WakeDelayMs);
}

SyncRunner::Stamp SyncRunner::stamp() const
{
    const QFileInfo file(QDir(m_folder).filePath(QStringLiteral("event.db")));
    return {file.size(), file.lastModified().toMSecsSinceEpoch()};
}

void SyncRunner::soon(int delayMs)
{
    // A sooner reason wins; a later one never puts off the sync another asked for.
    if (!m_soon->isActive() || m_soon->remainingTime() > delayMs)
        m_soon->start(delayMs);
}

void SyncRunner::request(bool asked, bool followUp)
{
    if (isRunning()) {
        m_pending = true;
        m_pendingAsked = m_pendingAsked || asked;
        return;
    }
    // Read each time: the account is set, changed or removed while the program runs.
    if (!SyncAccount::load(m_folder)) {
        m_asked = asked;
        if (asked)
            emit finished(false, NoAccount);
        return;
    }
    run(asked, followUp);
}

void SyncRunner::run(bool asked, bool followUp)
{
    // This run takes up every change made before it: none needs another.
    m_soon->stop();
    m_asked = asked;
    m_followUp = followUp;
    m_atStart = stamp();
    m_changedMeanwhile = false;
    m_command->run({});
}

void SyncRunner::ended(const SyncProcess::Result &result)
{
    m_synced = stamp();
    const bool again = m_changedMeanwhile && !m_followUp;
    if (m_every->isActive()) {
        m_every->start(); // the next regular sync counts from this one
        m_everyStarted = QDateTime::currentMSecsSinceEpoch();
    }
    if (m_synced != m_atStart)
        emit wrote();
    emit finished(result.ok(), result.text());
    if (!m_pending && !again)
        return;
    const bool followUp = !m_pending;
    m_pending = false;
    request(std::exchange(m_pendingAsked, false), followUp);
}

void SyncRunner::regular()
{
    // The timer stands still while the computer sleeps, the wall clock does not: where no
    // one told of the wake-up, the network may still be coming up.
    const bool slept =
        QDateTime::currentMSecsSinceEpoch() - m_everyStarted > IntervalMs + WakeJumpMs;
    m_everyStarted = QDateTime::currentMSecsSinceEpoch();
    if (slept)
        soon(WakeDelayMs);
    else
        request(false);
}
