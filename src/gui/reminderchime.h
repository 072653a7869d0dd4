#pragma once

#include <QObject>
#include <QSet>

// The one reminder sound. It loops while any reminder window is still sounding, so that
// reminders coming together ring once instead of adding up and clipping, and stops when
// the last one is silenced or done. A sound that cannot be played is reported once.
class ReminderChime : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // `window` begins sounding, with the sound the settings name (nothing when muted).
    void start(const QObject *window);
    // `window` is silenced or done.
    void stop(const QObject *window);
    // Rings the sound once, unless it is sounding already.
    void ringOnce();

signals:
    // The sound file cannot be played: the reminders are shown without it.
    void failed(const QString &message);

private slots:
    void checkStatus();

private:
    bool play(int loops);
    void reportUnplayable(QString path);

    QObject *m_sound = nullptr; // a QSoundEffect from the sound plugin, made at the first ring
    QSet<const QObject *> m_sounding;
};
