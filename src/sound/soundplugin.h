#pragma once

#include "soundfactory.h"

#include <QObject>

// The sound plugin's entry point: it makes the players the reminder chime sounds with.
class SoundPlugin : public QObject, public SoundFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID SoundFactory_iid)
    Q_INTERFACES(SoundFactory)
public:
    QObject *createPlayer(QObject *parent) override;
};
