#pragma once

#include <QObject>
#include <QStringList>

// The desktop's notification service (org.freedesktop.Notifications on the session bus),
// which every desktop has: where the program cannot place a window of its own (Wayland
// without X11), reminders are sent there. Calls go out without waiting, so that a service
// that hangs holds up nothing.
class DesktopNotifier : public QObject
{
    Q_OBJECT
public:
    explicit DesktopNotifier(QObject *parent = nullptr);

    // Whether a notification service is there to send to.
    static bool isAvailable();
    // Sends a notification that stays until answered, with `actions` as pairs of a key and
    // its label (the key "default" is the notification's own click). The id it gets comes
    // with sent(`tag`, id), or failed(`tag`) when the service does not take it.
    void notify(const QString &tag, const QString &summary, const QString &body,
                const QStringList &actions);

signals:
    void sent(const QString &tag, uint id);
    void failed(const QString &tag);
    void actionInvoked(uint id, const QString &action);
    void closed(uint id);

private slots:
    void onActionInvoked(uint id, const QString &action);
    void onClosed(uint id, uint reason);
};
