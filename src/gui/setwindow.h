#pragma once

#include "event.h"
#include "ui_setwindow.h"

#include <QWidget>

class EventStore;

// Where the user enters reminders: one tab per schedule kind (the two lunar ones last), each
// composing its kind's time text and storing one row. The window stays open and keeps what
// was typed, so several reminders can be entered in a row.
class SetWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SetWindow(EventStore &store, QWidget *parent = nullptr);

    // Stores one event and tells the user whether it was stored; only a stored row
    // announces itself with sRMainWindow().
    bool writeIntoDB(const Event &event);

signals:
    void sRMainWindow();

private slots:
    void yWriteIntoDB();
    void mWriteIntoDB();
    void dWriteIntoDB();
    void tWriteIntoDB();
    void wWriteIntoDB();
    void lWriteIntoDB();
    void kWriteIntoDB();
    void gWriteIntoDB(); // 工作日

private:
    Ui::SetWindow ui;
    EventStore &m_store;
};
