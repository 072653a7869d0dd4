#include "hostlookup.h"

#include <QThread>

#include <memory>

#include <netdb.h>
#include <sys/socket.h>

namespace HostLookup {

void lookUp(const QString &host, QObject *context, std::function<void(const QString &error)> done)
{
    auto error = std::make_shared<QString>();
    QThread *thread = QThread::create([host = host.toUtf8(), error] {
        addrinfo hints{};
        hints.ai_socktype = SOCK_STREAM;
        addrinfo *found = nullptr;
        const int code = ::getaddrinfo(host.constData(), nullptr, &hints, &found);
        if (code == 0)
            ::freeaddrinfo(found);
        else
            *error = QString::fromLocal8Bit(::gai_strerror(code));
    });
    QObject::connect(thread, &QThread::finished, context, [error, done] { done(*error); });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

} // namespace HostLookup
