#include "soundplugin.h"

#include <QSoundEffect>
#include <QThread>
#include <QUrl>

namespace {

// A QSoundEffect: it decodes the whole file into memory and plays it from there.
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
    // The players belong to the plugin's instance while they share its thread (the program's
    // sound thread loads the plugin): what the plugin plays can be found from it. A QObject
    // cannot have a child in another thread. The instance outlives a sound thread that ended
    // (a plugin is loaded once in a process): the next one takes it over.
    if (!thread())
        moveToThread(QThread::currentThread());
    QObject *parent = thread() == QThread::currentThread() ? this : nullptr;
    return std::make_unique<EffectPlayer>(parent, std::move(unplayable));
}
