#include "desktopnotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>
#include <QVariantMap>

Q_LOGGING_CATEGORY(lcNotify, "tasquill.notify")

namespace {
const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = Service;
} // namespace

DesktopNotifier::DesktopNotifier(QObject *parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                SLOT(onActionInvoked(uint, QString)));
    bus.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                SLOT(onClosed(uint, uint)));
}

bool DesktopNotifier::isAvailable()
{
    const QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(Service);
}

void DesktopNotifier::notify(const QString &tag, const QString &summary, const QString &body,
                             const QStringList &actions)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    // Critical: it stays until answered, as a reminder window does.
    const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(uchar(2))}};
    call << QStringLiteral("Tasquill") << uint(0) << QStringLiteral("tasquill") << summary << body
         << actions << hints << int(0);
    auto *watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, tag, watcher] {
        const QDBusPendingReply<uint> reply = *watcher;
        watcher->deleteLater();
        if (reply.isError()) {
            qCWarning(lcNotify).noquote()
                << "the notification service refused:" << reply.error().message();
            emit failed(tag);
            return;
        }
        emit sent(tag, reply.value());
    });
}

void DesktopNotifier::onActionInvoked(uint id, const QString &action)
{
    emit actionInvoked(id, action);
}

void DesktopNotifier::onClosed(uint id, uint)
{
    emit closed(id);
}
