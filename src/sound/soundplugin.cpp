#include "soundplugin.h"

#include <QSoundEffect>
#include <QThread>
#include <QUrl>

namespace {

class EffectPlayer : public SoundPlayer
{
public:
    EffectPlayer(QObject *parent, std::function<void(const QString &)> unplayable)
        : m_effect(new QSoundEffect(parent))
    {
        QObject::connect(m_effect, &QSoundEffect::statusChanged, m_effect,
                         [this, unplayable = std::move(unplayable)] {
                             if (m_effect->status() == QSoundEffect::Error)
                                 unplayable(m_effect->source().toLocalFile());
                         });
    }
    ~EffectPlayer() override { delete m_effect; }

    void play(const QString &path, bool loop) override
    {
        m_effect->setSource(QUrl::fromLocalFile(path));
        m_effect->setLoopCount(loop ? QSoundEffect::Infinite : 1);
        m_effect->play();
    }
    void stop() override { m_effect->stop(); }

private:
    QSoundEffect *m_effect;
};

} // namespace

std::unique_ptr<SoundPlayer>
SoundPlugin::createPlayer(std::function<void(const QString &path)> unplayable)
{
    // The players are children of this object, which lives in the thread that loaded the
    // plugin, so that what the plugin plays can be looked at there (the tests do). A player
    // made in another thread cannot be a child of it.
    QObject *parent = thread() == QThread::currentThread() ? this : nullptr;
    return std::make_unique<EffectPlayer>(parent, std::move(unplayable));
}
