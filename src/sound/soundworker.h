#pragma once

#include <QObject>

#include <memory>

class SoundPlayer;

// The reminder chime's player in the sound thread, where its calls come queued: it loads the
// sound plugin at its first play, checks each file before the player gets it, and sends what
// cannot be played back as failed(). A sound server that hangs holds up this thread alone.
class SoundWorker : public QObject
{
    Q_OBJECT
public:
    explicit SoundWorker(QObject *parent = nullptr);
    ~SoundWorker() override;

    // Plays the sound file at `path` (absolute) from its beginning: in a loop until stop()
    // when `loop`, else once.
    void play(const QString &path, bool loop);
    void stop();

signals:
    // Why the sound file cannot be played, to be told to the user.
    void failed(const QString &message);

private:
    QString m_pluginPath;
    std::unique_ptr<SoundPlayer> m_player; // made at the first play
};
