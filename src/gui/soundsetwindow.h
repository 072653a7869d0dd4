#pragma once

#include "ui_soundsetwindow.h"

#include <QWidget>

// Where the user picks the reminder sound or mutes it; the choice is kept in "config.txt".
class SoundSetWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SoundSetWindow(QWidget *parent = nullptr);

public slots:
    void saveSoundSet();
    void getFileName();

private:
    // Reads "config.txt" into the window, creating it with the defaults when missing.
    void loadSoundSet();

    Ui::SoundSetWindow ui;
    QString soundFile;   // line 1 as read; empty when the file was just created
    QString soundSwitch; // line 2 as read; empty when the file was just created
};
