#pragma once

#include "soundplayer.h"

#include <QObject>

// The sound plugin's entry point: it makes the players the reminder chime sounds with, each
// a QSoundEffect (8- and 16-bit PCM WAV files).
class SoundPlugin : public QObject, public SoundPlayerFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID SoundPlayerFactory_iid)
    Q_INTERFACES(SoundPlayerFactory)
public:
    std::unique_ptr<SoundPlayer>
    createPlayer(std::function<void(const QString &path)> unplayable) override;
};
