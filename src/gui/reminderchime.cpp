#include "reminderchime.h"

#include "soundsettings.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

void ReminderChime::start(const QObject *window)
{
    if (m_sounding.contains(window) || (m_sounding.isEmpty() && !play(QSoundEffect::Infinite)))
        return;
    m_sounding.insert(window);
    connect(window, &QObject::destroyed, this, [this, window] { stop(window); });
}

void ReminderChime::stop(const QObject *window)
{
    if (m_sounding.remove(window) && m_sounding.isEmpty())
        m_sound->stop();
}

void ReminderChime::ringOnce()
{
    if (m_sounding.isEmpty())
        play(1);
}

bool ReminderChime::play(int loops)
{
    // Read afresh each time, so that a changed setting applies to the next reminder.
    const SoundSettings settings = SoundSettings::read();
    if (!settings.playsSound())
        return false;
    if (settings.soundFile.isEmpty()) {
        emit failed(QStringLiteral(
            "没有设置提醒铃声文件：提醒照常显示，但没有声音；请在“铃音设置”中选择一个铃声文件。"));
        return false;
    }
    if (!m_sound) {
        m_sound = new QSoundEffect(this);
        connect(m_sound, &QSoundEffect::statusChanged, this, [this] {
            if (m_sound->status() == QSoundEffect::Error)
                reportUnplayable(m_sound->source().toLocalFile());
        });
    }
    // The player says nothing of a file that is not there or holds nothing.
    const QFileInfo file(settings.soundFile);
    if (!file.isFile() || file.size() == 0) {
        reportUnplayable(file.absoluteFilePath());
        return false;
    }
    m_sound->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
    m_sound->setLoopCount(loops);
    m_sound->play();
    return true;
}

void ReminderChime::reportUnplayable(QString path)
{
    if (path.size() > 200) // a path is no help when it does not fit the box
        path = path.left(100) + QStringLiteral("…") + path.right(60);
    emit failed(
        QStringLiteral("无法播放提醒铃声 %1：该文件不存在、是空的，或不是能播放的 WAV 文件。"
                       "提醒照常显示，但没有声音；请在“铃音设置”中另选一个铃声文件。")
            .arg(path));
}
