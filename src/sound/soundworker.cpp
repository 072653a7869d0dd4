#include "soundworker.h"

#include "logging.h"
#include "projectconfig.h"
#include "soundplayer.h"
#include "soundsettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QPluginLoader>

SoundWorker::SoundWorker(QObject *parent)
    : QObject(parent), m_pluginPath(QDir(QCoreApplication::applicationDirPath())
                                        .filePath(TASQUILL_HELPER_DIR "/tasquill_sound"))
{
}

SoundWorker::~SoundWorker() = default;

void SoundWorker::play(const QString &path, bool loop)
{
    const QString problem = SoundSettings::soundFileProblem(path);
    if (!problem.isEmpty()) {
        emit failed(problem);
        return;
    }
    if (!m_player) {
        QPluginLoader loader(m_pluginPath);
        auto *factory = qobject_cast<SoundPlayerFactory *>(loader.instance());
        if (!factory) {
            qCWarning(lcSound).noquote() << "no sound player:" << loader.errorString();
            emit failed(SoundSettings::unplayableMessage(path));
            return;
        }
        m_player = factory->createPlayer(
            [this](const QString &file) { emit failed(SoundSettings::unplayableMessage(file)); });
    }
    m_player->play(path, loop);
}

void SoundWorker::stop()
{
    if (m_player)
        m_player->stop();
}
