#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>

class QWidget;

// The pop-ups on screen (reminders, the lists of reminders): each new one goes just above
// the others at the lower right, and when one closes the rest move down to fill the gap, so
// that reminders coming together can all be seen.
class PopupStack : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Places `popup` above the pop-ups already shown and shows it.
    void show(QWidget *popup);
    // Whether a reminder window would still stand wholly inside the work area beside those
    // shown, with room left for `lists` lists of reminders to come.
    bool hasRoomForReminder(int lists) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place();
    QList<QSize> frames() const;

    QList<QPointer<QWidget>> m_popups;
};
