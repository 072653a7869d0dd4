#include "davclient.h"

#include <QBuffer>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslError>
#include <QTimer>

namespace {

constexpr int MaxRedirects = 5;

int portOf(const QUrl &url)
{
    return url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
}

} // namespace

DavClient::DavClient(const QUrl &server, const Options &options)
    : m_server(server), m_options(options)
{
    m_manager.setAutoDeleteReplies(true);
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
    return url.scheme() == m_server.scheme() &&
           url.host().compare(m_server.host(), Qt::CaseInsensitive) == 0 &&
           portOf(url) == portOf(m_server);
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
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Tasquill"));
    if (!body.isEmpty())
        request.setRawHeader("Content-Type",
                             body.startsWith("BEGIN:VCALENDAR")
                                 ? QByteArrayLiteral("text/calendar; charset=utf-8")
                                 : QByteArrayLiteral("application/xml; charset=utf-8"));
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    // Sent to the server itself only: never to another host, never learnt from a challenge.
    if (sameOrigin(url) && !m_options.user.isEmpty())
        request.setRawHeader("Authorization",
                             "Basic " +
                                 (m_options.user + u':' + m_options.password).toUtf8().toBase64());

    QBuffer upload;
    upload.setData(body);
    upload.open(QIODevice::ReadOnly);
    QNetworkReply *reply = m_manager.sendCustomRequest(request, method, &upload);
    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(m_options.idleTimeoutMs);
    bool tooLarge = false, timedOut = false;
    QObject::connect(&idle, &QTimer::timeout, reply, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::uploadProgress, &idle, [&] { idle.start(); });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
        idle.start();
        result.body += reply->readAll();
        if (result.body.size() > m_options.maxBody) {
            tooLarge = true;
            result.body.clear();
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::sslErrors, reply, [&](const QList<QSslError> &) {
        const QString fingerprint = QString::fromLatin1(reply->sslConfiguration()
                                                            .peerCertificate()
                                                            .digest(QCryptographicHash::Sha256)
                                                            .toHex(':'))
                                        .toUpper();
        if (!m_options.fingerprint.isEmpty() &&
            fingerprint.compare(m_options.fingerprint, Qt::CaseInsensitive) == 0)
            reply->ignoreSslErrors();
        else
            result.fingerprint = fingerprint;
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    idle.start();
    loop.exec();
    idle.stop();

    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (!tooLarge)
        result.body += reply->readAll();
    result.etag = reply->rawHeader("ETag");
    const int status = result.status;
    if (status >= 300 && status < 400 && reply->hasRawHeader("Location"))
        *redirect = QUrl(QString::fromUtf8(reply->rawHeader("Location")));
    if (tooLarge) {
        result.failure = QStringLiteral("服务器的回答大得异常（超过 %1 MB），同步停止了。")
                             .arg(m_options.maxBody / (1024 * 1024));
    } else if (timedOut) {
        result.failure = QStringLiteral("服务器 %1 秒没有回答，同步停止了。")
                             .arg(m_options.idleTimeoutMs / 1000);
    } else if (!result.fingerprint.isEmpty()) {
        result.failure = m_options.fingerprint.isEmpty()
                             ? QStringLiteral("服务器的证书不受本机信任。若确认是您的服务器，"
                                              "可以信任这个证书。")
                             : QStringLiteral("服务器的证书变了，与您信任的不同：同步停止了。"
                                              "若服务器换了证书，请在同步设置中重新连接。");
    } else if (status == 0) {
        result.failure =
            QStringLiteral("无法连接服务器 %1（%2）。").arg(url.host(), reply->errorString());
    } else if (reply->error() != QNetworkReply::NoError && status < 400 &&
               reply->error() < QNetworkReply::ContentAccessDenied) {
        // A connection that broke half-way through the answer.
        result.failure = QStringLiteral("与服务器 %1 的连接中断了（%2）。")
                             .arg(url.host(), reply->errorString());
    }
    if (!result.failure.isEmpty())
        result.body.clear();
    return result;
}
