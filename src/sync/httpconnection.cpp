#include "httpconnection.h"

#include <QSslCertificate>
#include <QSslSocket>

namespace {

// Headers beyond these are no answer a calendar server gives.
constexpr int MaxLine = 16 * 1024;
constexpr int MaxHeaders = 200;

} // namespace

QString HttpConnection::originOf(const QUrl &url)
{
    return url.scheme() + QStringLiteral("://") + url.host().toLower() + u':' +
           QString::number(url.port(url.scheme() == QLatin1String("https") ? 443 : 80));
}

QByteArray HttpConnection::Answer::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key == name)
            return value;
    }
    return QByteArray();
}

HttpConnection::HttpConnection(const Limits &limits) : m_limits(limits) {}

HttpConnection::~HttpConnection() = default;

bool HttpConnection::fail(Answer *answer, const QString &why)
{
    answer->failure = why;
    answer->body.clear();
    m_socket.reset(); // half an answer leaves the connection unusable
    return false;
}

bool HttpConnection::connectTo(const QUrl &url, Answer *answer)
{
    m_socket = std::make_unique<QSslSocket>();
    m_socket->setReadBufferSize(256 * 1024);
    m_origin = originOf(url);
    const bool tls = url.scheme() == QLatin1String("https");
    if (tls) {
        QObject::connect(m_socket.get(), &QSslSocket::sslErrors, m_socket.get(), [&] {
            const QString fingerprint =
                QString::fromLatin1(
                    m_socket->peerCertificate().digest(QCryptographicHash::Sha256).toHex(':'))
                    .toUpper();
            if (!m_limits.fingerprint.isEmpty() &&
                fingerprint.compare(m_limits.fingerprint, Qt::CaseInsensitive) == 0)
                m_socket->ignoreSslErrors();
            else
                answer->fingerprint = fingerprint;
        });
        m_socket->connectToHostEncrypted(url.host(), quint16(url.port(443)));
        if (m_socket->waitForEncrypted(m_limits.idleTimeoutMs))
            return true;
    } else {
        m_socket->connectToHost(url.host(), quint16(url.port(80)));
        if (m_socket->waitForConnected(m_limits.idleTimeoutMs))
            return true;
    }
    if (!answer->fingerprint.isEmpty())
        return fail(answer, m_limits.fingerprint.isEmpty()
                                ? QStringLiteral("服务器的证书不受本机信任。若确认是您的服务器，"
                                                 "可以信任这个证书。")
                                : QStringLiteral("服务器的证书变了，与您信任的不同：同步停止了。"
                                                 "若服务器换了证书，请在同步设置中重新连接。"));
    return fail(
        answer,
        QStringLiteral("无法连接服务器 %1（%2）。").arg(url.host(), m_socket->errorString()));
}

bool HttpConnection::waitForData(Answer *answer, bool endIsFine)
{
    if (m_socket->bytesAvailable() > 0 || m_socket->waitForReadyRead(m_limits.idleTimeoutMs))
        return true;
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return endIsFine || fail(answer, QStringLiteral("与服务器的连接中断了，回答不完整。"));
    return fail(
        answer,
        QStringLiteral("服务器 %1 秒没有回答，同步停止了。").arg(m_limits.idleTimeoutMs / 1000));
}

bool HttpConnection::readLine(QByteArray *line, int limit, Answer *answer)
{
    line->clear();
    while (!line->endsWith('\n')) {
        if (!waitForData(answer))
            return false;
        char c;
        while (!line->endsWith('\n') && m_socket->getChar(&c))
            line->append(c);
        if (line->size() > limit)
            return fail(answer, QStringLiteral("服务器的回答无法读懂（一行过长）。"));
    }
    line->chop(line->endsWith("\r\n") ? 2 : 1);
    return true;
}

bool HttpConnection::readBody(qint64 size, Answer *answer)
{
    if (answer->body.size() + size > m_limits.maxBody)
        return fail(answer, QStringLiteral("服务器的回答大得异常（超过 %1 MB），同步停止了。")
                                .arg(m_limits.maxBody / (1024 * 1024)));
    while (size > 0) {
        if (!waitForData(answer))
            return false;
        const QByteArray part = m_socket->read(size);
        answer->body += part;
        size -= part.size();
    }
    return true;
}

HttpConnection::Answer HttpConnection::exchange(const QUrl &url, const QByteArray &head,
                                                const QByteArray &body)
{
    Answer answer;
    // A kept connection the server has closed meanwhile is opened anew, once.
    const bool reused = m_socket && m_origin == originOf(url) &&
                        m_socket->state() == QAbstractSocket::ConnectedState;
    if (!reused && !connectTo(url, &answer))
        return answer;
    m_socket->write(head + "\r\n\r\n" + body);
    QByteArray line;
    if (!m_socket->waitForBytesWritten(m_limits.idleTimeoutMs) && m_socket->bytesToWrite() > 0) {
        if (reused) {
            m_socket.reset();
            return exchange(url, head, body);
        }
        fail(&answer, QStringLiteral("无法把请求发给服务器（%1）。").arg(m_socket->errorString()));
        return answer;
    }
    // The status line, after any interim 1xx answers.
    do {
        if (!readLine(&line, MaxLine, &answer)) {
            if (reused && line.isEmpty() && answer.failure.contains(QStringLiteral("中断"))) {
                m_socket.reset();
                return exchange(url, head, body);
            }
            return answer;
        }
        if (!line.startsWith("HTTP/1.")) {
            fail(&answer, QStringLiteral("服务器的回答不是 HTTP。"));
            return answer;
        }
        answer.status = line.mid(9, 3).toInt();
        answer.headers.clear();
        for (int n = 0;; ++n) {
            QByteArray header;
            if (!readLine(&header, MaxLine, &answer))
                return answer;
            if (header.isEmpty())
                break;
            if (n == MaxHeaders) {
                fail(&answer, QStringLiteral("服务器的回答无法读懂（标头过多）。"));
                return answer;
            }
            const qsizetype colon = header.indexOf(':');
            answer.headers.append(
                {header.left(colon).trimmed().toLower(), header.mid(colon + 1).trimmed()});
        }
    } while (answer.status >= 100 && answer.status < 200);
    const bool http11 = line.startsWith("HTTP/1.1");
    const bool keep = http11 && answer.header("connection").toLower() != "close";

    const bool noBody = head.startsWith("HEAD ") || answer.status == 204 || answer.status == 304;
    if (noBody) {
    } else if (answer.header("transfer-encoding").toLower().contains("chunked")) {
        for (;;) {
            if (!readLine(&line, MaxLine, &answer))
                return answer;
            bool ok = false;
            const qint64 size = line.split(';').first().trimmed().toLongLong(&ok, 16);
            if (!ok || size < 0) {
                fail(&answer, QStringLiteral("服务器的回答无法读懂（分块有误）。"));
                return answer;
            }
            if (size == 0)
                break;
            if (!readBody(size, &answer) || !readLine(&line, MaxLine, &answer))
                return answer;
        }
        do { // trailers up to the blank line
            if (!readLine(&line, MaxLine, &answer))
                return answer;
        } while (!line.isEmpty());
    } else if (const QByteArray length = answer.header("content-length"); !length.isEmpty()) {
        bool ok = false;
        const qint64 size = length.toLongLong(&ok);
        if (!ok || size < 0) {
            fail(&answer, QStringLiteral("服务器的回答无法读懂（长度有误）。"));
            return answer;
        }
        if (!readBody(size, &answer))
            return answer;
    } else {
        // No length told: the answer ends with the connection.
        while (waitForData(&answer, true) && m_socket->bytesAvailable() > 0) {
            if (!readBody(m_socket->bytesAvailable(), &answer))
                return answer;
        }
        if (!answer.failure.isEmpty())
            return answer;
        m_socket.reset();
    }
    if (!keep)
        m_socket.reset();
    return answer;
}
