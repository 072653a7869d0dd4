#pragma once

#include <QtPlugin>

class QObject;

// What the sound plugin offers: a player (Qt Multimedia's QSoundEffect) driven through its
// properties "source", "loops" and "status", its slots play() and stop() and its
// signal statusChanged(). Qt Multimedia and the sound libraries behind it cost memory and
// start-up time in every session, and most of it passes without a reminder: the plugin is
// loaded at the first one.
class SoundFactory
{
public:
    virtual ~SoundFactory() = default;
    virtual QObject *createPlayer(QObject *parent) = 0;
};

#define SoundFactory_iid "org.tasquill.SoundFactory/1.0"
Q_DECLARE_INTERFACE(SoundFactory, SoundFactory_iid)
