#pragma once

#include "event.h"
#include "ui_msgwindow.h"

#include <QWidget>

class EventStore;
class QSoundEffect;

// The pop-up of one due reminder: shows its content, loops the reminder sound when sound
// is on, "稍等" silences it and "完成" records the item as completed and closes.
class MsgWindow : public QWidget
{
    Q_OBJECT
public:
    MsgWindow(const Event &event, EventStore &store, QWidget *parent = nullptr);

signals:
    void completedSignal();

public slots:
    void quiet();
    void doIt();

private:
    void startSound(const QString &soundFile);

    Ui::MsgWindow ui;
    QSoundEffect *sound = nullptr; // only while sound is on; a child, so it dies with us
    Event m_event;
    EventStore &m_store;
};
