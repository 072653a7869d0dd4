#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include "httpconnection.h"

// One exchange with the server, as the sync needs it.
struct DavReply
{
    int status = 0; // the HTTP status; 0 when no answer came
    QByteArray body;
    QByteArray etag;
    // Why no usable answer came, for the user; empty when one came (whatever its status).
    QString failure;
    // The SHA-256 fingerprint of a certificate the system does not trust, when that stopped it.
    QString fingerprint;

    bool ok() const { return failure.isEmpty() && status >= 200 && status < 300; }
};

// Talks HTTP with one CalDAV server, one request at a time (the sync runs in a process of
// its own, so waiting here blocks no window). The password goes only to the server's own
// scheme, host and port, never along a redirect elsewhere; plain http only to this
// computer; TLS verified by the system's certificates or the one fingerprint the user
// accepted. An answer that stops coming or grows past a bound ends the exchange.
class DavClient
{
public:
    struct Options
    {
        QString user;
        QString password;
        QString fingerprint; // an accepted certificate's; empty: the system's trust only
        int idleTimeoutMs = 30000;
        qint64 maxBody = 64 * 1024 * 1024;
    };
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    DavClient(const QUrl &server, const Options &options);

    DavReply send(const QByteArray &method, const QUrl &url, const QByteArray &body = {},
                  const Headers &headers = {});

    // Why `url` may not be used for a sync; empty when it may.
    static QString refusalOf(const QUrl &url);

private:
    DavReply sendOnce(const QByteArray &method, const QUrl &url, const QByteArray &body,
                      const Headers &headers, QUrl *redirect);
    bool sameOrigin(const QUrl &url) const;

    QUrl m_server;
    Options m_options;
    HttpConnection m_connection;
};
