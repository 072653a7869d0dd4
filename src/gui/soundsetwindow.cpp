#include "soundsetwindow.h"

#include "dialogs.h"
#include "soundsettings.h"

SoundSetWindow::SoundSetWindow(QWidget *parent) : QWidget(parent)
{
    ui.setupUi(this);
    loadSoundSet();

    connect(ui.selectSoundButton, &QPushButton::clicked, this, &SoundSetWindow::getFileName);
    connect(ui.cancelButton, &QPushButton::clicked, this, &QWidget::close);
    connect(ui.okButton, &QPushButton::clicked, this, &SoundSetWindow::saveSoundSet);
}

void SoundSetWindow::loadSoundSet()
{
    const SoundSettings settings = SoundSettings::read();
    if (!settings.fileExists) {
        QString error;
        // The window still shows the defaults, which reminders use while the file is missing.
        if (!SoundSettings::writeDefaults(SoundSettings::FileName, &error))
            Dialogs::error(this, QStringLiteral("铃声设置"), error);
        ui.soundFileLineEdit->setText(SoundSettings::DefaultSoundFile);
        return;
    }
    soundFile = settings.soundFile;
    soundSwitch = settings.soundSwitch;
    ui.noSoundCheckBox->setChecked(settings.muted());
    ui.soundFileLineEdit->setText(soundFile);
}

void SoundSetWindow::getFileName()
{
    const QString fileName =
        Dialogs::openFileName(this, QStringLiteral("打开文件"), QStringLiteral("音频文件(*.wav)"));
    if (!fileName.isEmpty())
        ui.soundFileLineEdit->setText(fileName);
}

void SoundSetWindow::saveSoundSet()
{
    QString error;
    if (!SoundSettings::save(ui.soundFileLineEdit->text(), ui.noSoundCheckBox->isChecked(),
                             SoundSettings::FileName, &error)) {
        // The window stays open with the choice, so nothing the user picked is lost.
        Dialogs::error(this, QStringLiteral("铃声设置"), error);
        return;
    }
    close();
}
