#pragma once

#include <QtPlugin>

#include <functional>
#include <memory>

class QString;

// A player of one sound file at a time, made by the sound plugin. Used only in the thread
// that made it, which runs an event loop.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    // Plays the sound file at `path` from its beginning: in a loop until stop() when `loop`,
    // else once.
    virtual void play(const QString &path, bool loop) = 0;
    virtual void stop() = 0;
};

// What the sound plugin offers. Qt Multimedia and the sound libraries behind it cost memory
// and start-up time in every session, and most of it passes without a reminder: the plugin
// is loaded at the first one. A plain C++ interface, with a callback rather than a signal:
// a QObject interface would have its meta-object compiled into the plugin and the program
// both, and connections across the two fail.
class SoundPlayerFactory
{
public:
    virtual ~SoundPlayerFactory() = default;
    // A new player; `unplayable` is called, in the player's thread, with the path of a file
    // it found it cannot play.
    virtual std::unique_ptr<SoundPlayer>
    createPlayer(std::function<void(const QString &path)> unplayable) = 0;
};

#define SoundPlayerFactory_iid "org.tasquill.SoundPlayerFactory/1.0"
Q_DECLARE_INTERFACE(SoundPlayerFactory, SoundPlayerFactory_iid)
