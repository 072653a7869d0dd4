#include "msgwindow.h"

#include "clock.h"
#include "dialogs.h"
#include "eventstore.h"
#include "soundsettings.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QSoundEffect>
#include <QUrl>

Q_LOGGING_CATEGORY(lcReminderWindow, "tasquill.reminder")

MsgWindow::MsgWindow(const Event &event, EventStore &store, QWidget *parent)
    : QWidget(parent), m_event(event), m_store(store)
{
    ui.setupUi(this);
    setWindowFlags(Qt::ToolTip | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
    ui.msgTextEdit->setPlainText(m_event.content);

    connect(ui.quietButton, &QPushButton::clicked, this, &MsgWindow::quiet);
    connect(ui.doButton, &QPushButton::clicked, this, &MsgWindow::doIt);

    // Read afresh for every reminder, so a changed setting applies to the next one.
    const SoundSettings settings = SoundSettings::read();
    if (settings.playsSound())
        startSound(settings.soundFile);
}

void MsgWindow::startSound(const QString &soundFile)
{
    sound = new QSoundEffect(this);
    const QString path = soundFile.isEmpty() ? QString() : QFileInfo(soundFile).absoluteFilePath();
    // A file that is missing or cannot be decoded leaves the effect in its error state: the
    // reminder is silent but still shown, and the log says why.
    connect(sound, &QSoundEffect::statusChanged, sound, [effect = sound, path] {
        if (effect->status() == QSoundEffect::Error)
            qCWarning(lcReminderWindow) << "cannot play the reminder sound" << path;
    });
    if (path.isEmpty()) {
        qCWarning(lcReminderWindow) << "no reminder sound file is configured";
        return;
    }
    sound->setSource(QUrl::fromLocalFile(path));
    sound->setLoopCount(QSoundEffect::Infinite);
    sound->play();
}

void MsgWindow::quiet()
{
    if (sound)
        sound->stop();
}

void MsgWindow::doIt()
{
    quiet();
    if (!m_store.completeReminder(m_event, Clock::now())) {
        // Nothing was written; the window stays so the user can try again.
        Dialogs::error(this, QStringLiteral("提醒"),
                       QStringLiteral("事项完成失败：") + m_store.lastError());
        return;
    }
    emit completedSignal();
    close();
}
