#include "soundplugin.h"

#include <QSoundEffect>

QObject *SoundPlugin::createPlayer(QObject *parent)
{
    return new QSoundEffect(parent);
}
