#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <memory>

class QSslSocket;

// One HTTP/1.1 connection to one server, in the calling thread, blocking. Qt's network
// access manager reads a server's answer in a thread of its own without bound (a server
// sending without end fills the memory before the reader can stop it); here nothing is read
// from the socket before it is wanted, so an answer is cut off at its bound with the memory
// that bound takes.
class HttpConnection
{
public:
    struct Answer
    {
        int status = 0;
        QList<QPair<QByteArray, QByteArray>> headers; // names in lower case
        QByteArray body;
        QString failure;     // why no whole answer came; empty when one did
        QString fingerprint; // of a certificate the system does not trust, that stopped it

        QByteArray header(const QByteArray &name) const;
    };
    struct Limits
    {
        int idleTimeoutMs = 30000;
        qint64 maxBody = 64 * 1024 * 1024;
        QString fingerprint; // of a certificate accepted by the user
    };

    explicit HttpConnection(const Limits &limits);

    // Where `url` is served from, "https://host:443": one connection serves one origin.
    static QString originOf(const QUrl &url);
    ~HttpConnection();

    // Sends `head` (the request line and headers, without the blank line) and `body` to the
    // server of `url`, over the open connection when there is one to it.
    Answer exchange(const QUrl &url, const QByteArray &head, const QByteArray &body);

private:
    bool connectTo(const QUrl &url, Answer *answer);
    // Reads a line (without its CR LF) of at most `limit` bytes.
    bool readLine(QByteArray *line, int limit, Answer *answer);
    // Reads exactly `size` bytes onto the answer's body.
    bool readBody(qint64 size, Answer *answer);
    bool waitForData(Answer *answer, bool endIsFine = false);
    bool fail(Answer *answer, const QString &why);

    Limits m_limits;
    std::unique_ptr<QSslSocket> m_socket;
    QString m_origin; // of the open connection
};
