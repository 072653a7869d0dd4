#include "davclient.h"

#include <QHostAddress>

namespace {

constexpr int MaxRedirects = 5;

} // namespace

DavClient::DavClient(const QUrl &server, const Options &options)
    : m_server(server), m_options(options),
      m_connection({options.idleTimeoutMs, options.maxBody, options.fingerprint})
{
}

QString DavClient::refusalOf(const QUrl &url)
{
    if (!url.isValid() || url.host().isEmpty())
        return QStringLiteral("服务器地址 “%1” 不对，请写作 https://服务器/…。")
            .arg(url.toString(QUrl::RemoveUserInfo));
    if (url.scheme() == QLatin1String("https"))
        return QString();
    const QHostAddress address(url.host());
    const bool loopback =
        url.host() == QLatin1String("localhost") || (!address.isNull() && address.isLoopback());
    if (url.scheme() == QLatin1String("http") && loopback)
        return QString();
    return QStringLiteral("为保护密码，只能用 https:// 连接服务器（http:// 只用于本机的服务器）。");
}

bool DavClient::sameOrigin(const QUrl &url) const
{
    return HttpConnection::originOf(url) == HttpConnection::originOf(m_server);
}

DavReply DavClient::send(const QByteArray &method, const QUrl &url, const QByteArray &body,
                         const Headers &headers)
{
    QUrl target = url;
    for (int i = 0; i <= MaxRedirects; ++i) {
        QUrl redirect;
        DavReply reply = sendOnce(method, target, body, headers, &redirect);
        if (redirect.isEmpty())
            return reply;
        redirect = target.resolved(redirect);
        if (!sameOrigin(redirect)) {
            reply.status = 0;
            reply.failure = QStringLiteral("服务器要把请求转到另一个主机 %1：为保护密码，"
                                           "同步停止了。请在同步设置中直接填写那个地址。")
                                .arg(redirect.host());
            return reply;
        }
        target = redirect;
    }
    DavReply reply;
    reply.failure = QStringLiteral("服务器转来转去，没有回答。");
    return reply;
}

DavReply DavClient::sendOnce(const QByteArray &method, const QUrl &url, const QByteArray &body,
                             const Headers &headers, QUrl *redirect)
{
    DavReply result;
    const QString refusal = refusalOf(url);
    if (!refusal.isEmpty()) {
        result.failure = refusal;
        return result;
    }
    const bool standardPort = url.port() == -1;
    const QByteArray path = url.path(QUrl::FullyEncoded).toUtf8();
    QByteArray head =
        method + ' ' + (path.isEmpty() ? QByteArray("/") : path) +
        " HTTP/1.1\r\nHost: " + url.host(QUrl::FullyEncoded).toUtf8() +
        (standardPort ? QByteArray() : ':' + QByteArray::number(url.port())) +
        "\r\nUser-Agent: Tasquill\r\nContent-Length: " + QByteArray::number(body.size());
    if (!body.isEmpty())
        head += body.startsWith("BEGIN:VCALENDAR")
                    ? QByteArrayLiteral("\r\nContent-Type: text/calendar; charset=utf-8")
                    : QByteArrayLiteral("\r\nContent-Type: application/xml; charset=utf-8");
    for (const auto &[name, value] : headers)
        head += "\r\n" + name + ": " + value;
    // Sent to the server itself only: never to another host, never learnt from a challenge.
    if (sameOrigin(url) && !m_options.user.isEmpty())
        head += "\r\nAuthorization: Basic " +
                (m_options.user + u':' + m_options.password).toUtf8().toBase64();

    const HttpConnection::Answer answer = m_connection.exchange(url, head, body);
    result.status = answer.failure.isEmpty() ? answer.status : 0;
    result.body = answer.body;
    result.etag = answer.header("etag");
    result.failure = answer.failure;
    result.fingerprint = answer.fingerprint;
    if (result.status >= 300 && result.status < 400 && !answer.header("location").isEmpty())
        *redirect = QUrl::fromEncoded(answer.header("location"));
    return result;
}
