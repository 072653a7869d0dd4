#include "reminderchime.h"

#include "soundsettings.h"

#include "projectconfig.h"
#include "soundfactory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPluginLoader>
#include <QUrl>

Q_LOGGING_CATEGORY(lcChime, "tasquill.sound")

namespace {
// QSoundEffect's values, for a player known by its meta-object only.
constexpr int Infinite = -2;
constexpr int ErrorStatus = 3;

QObject *createPlayer(QObject *parent)
{
    QPluginLoader loader(QDir(QCoreApplication::applicationDirPath())
                             .filePath(TASQUILL_HELPER_DIR "/tasquill_sound"));
    auto *factory = qobject_cast<SoundFactory *>(loader.instance());
    if (!factory)
        qCWarning(lcChime).noquote() << "no sound player:" << loader.errorString();
    return factory ? factory->createPlayer(parent) : nullptr;
}
} // namespace

void ReminderChime::start(const QObject *window)
{
    if (m_sounding.contains(window) || (m_sounding.isEmpty() && !play(Infinite)))
        return;
    m_sounding.insert(window);
    connect(window, &QObject::destroyed, this, [this, window] { stop(window); });
}

void ReminderChime::stop(const QObject *window)
{
    if (m_sounding.remove(window) && m_sounding.isEmpty())
        QMetaObject::invokeMethod(m_sound, "stop");
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
        if (!(m_sound = createPlayer(this))) {
            reportUnplayable(QFileInfo(settings.soundFile).absoluteFilePath());
            return false;
        }
        connect(m_sound, SIGNAL(statusChanged()), this, SLOT(checkStatus()));
    }
    // The player says nothing of a file that is not there or holds nothing.
    const QFileInfo file(settings.soundFile);
    if (!file.isFile() || file.size() == 0) {
        reportUnplayable(file.absoluteFilePath());
        return false;
    }
    m_sound->setProperty("source", QUrl::fromLocalFile(file.absoluteFilePath()));
    m_sound->setProperty("loops", loops);
    QMetaObject::invokeMethod(m_sound, "play");
    return true;
}

void ReminderChime::checkStatus()
{
    if (m_sound->property("status").toInt() == ErrorStatus)
        reportUnplayable(m_sound->property("source").toUrl().toLocalFile());
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
