// The desktop's notification service as the end-to-end tests stand in for it: it prints each
// notification as "notify ID SUMMARY|BODY|ACTIONS|urgency=N" and answers the first, second …
// with the action its arguments name, half a second later ("close": dismissed, after 3 s).
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QTimer>
#include <QVariantMap>

#include <cstdio>

class NotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public slots:
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &hints, int)
    {
        std::printf("notify %u %s|%s|%s|urgency=%d\n", ++m_last, qPrintable(summary),
                    qPrintable(body), qPrintable(actions.join(',')),
                    hints.value("urgency").toInt());
        std::fflush(stdout);
        const QString answer = qApp->arguments().value(int(m_last));
        QTimer::singleShot(answer == "close" ? 3000 : 500, this, [id = m_last, answer] {
            if (answer != "close")
                send("ActionInvoked", {id, answer});
            send("NotificationClosed", {id, answer == "close" ? 2u : 3u});
        });
        return m_last;
    }

private:
    static void send(const char *name, const QVariantList &arguments)
    {
        QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/Notifications",
                                                         "org.freedesktop.Notifications", name);
        signal.setArguments(arguments);
        QDBusConnection::sessionBus().send(signal);
    }
    uint m_last = 0;
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    NotificationService service;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject("/org/freedesktop/Notifications", &service,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService("org.freedesktop.Notifications"))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "notifystandin.moc"
