#include "reminderchime.h"

#include "logging.h"
#include "soundsettings.h"
#include "soundworker.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// How long the program's end waits for the sound thread, which ends at once unless the
// sound server hangs.
constexpr int ThreadEndMs = 1000;
} // namespace

ReminderChime::~ReminderChime()
{
    if (!m_thread)
        return;
    m_thread->quit(); // the worker, and its player, are deleted in their thread as it ends
    if (m_thread->wait(QDeadlineTimer(ThreadEndMs)))
        return;
    // It hangs in a call to the sound server, which may never return. The program ends all
    // the same, and a QThread deleted while it runs would end it with an abort: the thread
    // is left to itself. Qt Multimedia's own clean-up at the process's exit would wait for a
    // lock the thread holds, or free what it is using: the process ends before that, with
    // the status it was ending with.
    qCWarning(lcSound) << "the sound thread does not end: the sound server hangs; left running";
    m_thread->setParent(nullptr);
    on_exit(
        [](int status, void *) {
            std::fflush(nullptr);
            _exit(status);
        },
        nullptr);
}

void ReminderChime::start(const QObject *window)
{
    if (m_sounding.contains(window) || (m_sounding.isEmpty() && !play(true)))
        return;
    m_sounding.insert(window);
    connect(window, &QObject::destroyed, this, [this, window] { stop(window); });
}

void ReminderChime::stop(const QObject *window)
{
    if (m_sounding.remove(window) && m_sounding.isEmpty() && m_worker)
        QMetaObject::invokeMethod(m_worker, &SoundWorker::stop, Qt::QueuedConnection);
}

void ReminderChime::ringOnce()
{
    if (m_sounding.isEmpty())
        play(false);
}

bool ReminderChime::play(bool loop)
{
    // Read afresh each time, so that a changed setting applies to the next reminder, and
    // what keeps it from sounding is news again.
    const SoundSettings settings = SoundSettings::read();
    const QString setting =
        settings.soundFile + u'\n' + settings.soundSwitch + u'\n' + settings.error;
    if (setting != m_setting)
        m_told.reset();
    m_setting = setting;
    if (!settings.error.isEmpty()) {
        tell(settings.error);
        return false;
    }
    if (!settings.playsSound())
        return false;
    if (settings.soundFile.isEmpty()) {
        tell(QStringLiteral(
            "没有设置提醒铃声文件：提醒照常显示，但没有声音；请在“铃音设置”中选择一个铃声文件。"));
        return false;
    }
    if (!m_thread) {
        // A stopped sound server held every call to it for 30 s and more, and the program
        // with it: the player lives in a thread of its own, its calls and failures queued.
        m_thread = new QThread(this);
        m_thread->setObjectName(QStringLiteral("tasquill-sound")); // as ps and gdb show it
        m_worker = new SoundWorker;
        m_worker->moveToThread(m_thread);
        connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
        connect(m_worker, &SoundWorker::failed, this, &ReminderChime::tell);
        m_thread->start();
    }
    const QString path = QFileInfo(settings.soundFile).absoluteFilePath();
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, path, loop] { worker->play(path, loop); },
        Qt::QueuedConnection);
    return true;
}

void ReminderChime::tell(const QString &message)
{
    if (m_told.firstTime(message))
        emit failed(message);
}
