#pragma once

#include "failurefilter.h"

#include <QObject>
#include <QSet>

class QThread;
class SoundWorker;

// The one reminder sound. It loops while any reminder window is still sounding, so that
// reminders coming together ring once instead of adding up and clipping, and stops when
// the last one is silenced or done. The player lives in a thread of its own, started at the
// first ring: a sound server that hangs never holds up the reminders. What keeps the sound
// from playing is told once, and again after the setting changed.
class ReminderChime : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~ReminderChime() override;

    // `window` begins sounding, with the sound the settings name (nothing when muted).
    void start(const QObject *window);
    // `window` is silenced or done.
    void stop(const QObject *window);
    // Rings the sound once, unless it is sounding already.
    void ringOnce();

signals:
    // The sound cannot be played: the reminders are shown without it.
    void failed(const QString &message);

private:
    bool play(bool loop);
    void tell(const QString &message);

    QThread *m_thread = nullptr;
    SoundWorker *m_worker = nullptr; // lives in m_thread: its calls go queued
    QSet<const QObject *> m_sounding;
    QString m_setting; // as last read
    FailureFilter m_told;
};
