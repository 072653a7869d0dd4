#include "popupstack.h"

#include "popuplayout.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

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
    if (event->type() == QEvent::Hide)
        m_popups.removeAll(QPointer<QWidget>(static_cast<QWidget *>(watched))), place();
    return QObject::eventFilter(watched, event);
}

void PopupStack::place()
{
    m_popups.removeAll(QPointer<QWidget>());
    QList<QSize> frames;
    for (const QPointer<QWidget> &popup : std::as_const(m_popups))
        frames.append(popup->frameGeometry().size());
    const QSize area = QGuiApplication::primaryScreen()->availableGeometry().size();
    const QList<QPoint> points = PopupLayout::place(area, frames);
    for (int i = 0; i < m_popups.size(); ++i)
        m_popups.at(i)->move(points.at(i));
}
