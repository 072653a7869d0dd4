#include "popupstack.h"

#include "popuplayout.h"
#include "ui_missedwindow.h"
#include "ui_msgwindow.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

template <typename Form> QSize formSize()
{
    QWidget widget;
    Form form;
    form.setupUi(&widget);
    return widget.size();
}

QSize workArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry().size();
}
} // namespace

void PopupStack::show(QWidget *popup)
{
    m_popups.append(popup);
    popup->installEventFilter(this);
    connect(popup, &QObject::destroyed, this, &PopupStack::place, Qt::QueuedConnection);
    place();
    popup->show();
    // A frame the platform adds only once the window is shown would push it off its place.
    place();
}

bool PopupStack::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Hide) {
        m_popups.removeAll(QPointer<QWidget>(static_cast<QWidget *>(watched)));
        place();
    }
    return QObject::eventFilter(watched, event);
}

bool PopupStack::hasRoomForReminder(int lists) const
{
    // The windows' sizes are their forms', measured once on widgets never shown: whether a
    // reminder gets a window is known before that window rings.
    static const QSize reminder = formSize<Ui::MsgWindow>(), list = formSize<Ui::MissedWindow>();
    return PopupLayout::fits(workArea(),
                             frames() + QList<QSize>{reminder} + QList<QSize>(lists, list));
}

void PopupStack::place()
{
    m_popups.removeAll(QPointer<QWidget>());
    const QList<QPoint> points = PopupLayout::place(workArea(), frames());
    for (int i = 0; i < m_popups.size(); ++i)
        m_popups.at(i)->move(points.at(i));
}

QList<QSize> PopupStack::frames() const
{
    QList<QSize> frames;
    for (const QPointer<QWidget> &popup : m_popups) {
        if (popup)
            frames.append(popup->frameGeometry().size());
    }
    return frames;
}
