#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(lcInstance, "tasquill.instance")

// A message is its UTF-8 length as a 32-bit big-endian number, then the UTF-8 bytes; the
// running instance answers each one with a single Ack byte.
constexpr char Ack = '\x06';
constexpr int LengthBytes = 4;
constexpr quint32 MaxMessageBytes = 1 << 20;
constexpr int RetryPauseMs = 50;
// How long a start waits for a socket that is not there at all. The running instance
// listens a moment after it has taken the lock; one started with another runtime folder
// listens where this start never looks, and its socket would never come.
constexpr int SocketAppearsMs = 500;
const QString LockFileName = QStringLiteral("tasquill.lock");

QByteArray userId()
{
#ifdef Q_OS_UNIX
    return QByteArray::number(qulonglong(::getuid()));
#else
    return qgetenv("USERNAME");
#endif
}

// A short name that is safe for a socket and differs per folder and user.
QString instanceName(const QString &key)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(key.toUtf8());
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(userId());
    return QStringLiteral("tasquill-") + QString::fromLatin1(hash.result().toHex().left(16));
}

// The user's private runtime folder; the temporary folder when there is none or when its
// path is too long for a local socket address.
QString instanceFolder(const QString &name)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    constexpr int MaxSocketPath = 100; // sun_path holds 108 bytes on Linux
    if (folder.isEmpty() ||
        QDir(folder).filePath(name + QStringLiteral(".socket")).toLocal8Bit().size() >
            MaxSocketPath) {
        folder = QDir::tempPath();
    }
    return folder;
}

} // namespace

SingleInstance::SingleInstance(const QString &folder, QObject *parent) : QObject(parent)
{
    // The same folder reached by another path (a link, "..") is the same event.db.
    const QFileInfo info(folder);
    const QString name = instanceName(
        info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath());
    m_lockPath = QDir(info.absoluteFilePath()).filePath(LockFileName);
#ifdef Q_OS_WIN
    m_serverName = name; // a named pipe, not a file
#else
    m_serverName = QDir(instanceFolder(name)).filePath(name + QStringLiteral(".socket"));
#endif
}

SingleInstance::~SingleInstance()
{
    // Stop listening before the lock goes, so a new instance never finds our socket after
    // it has taken the lock.
    if (m_server)
        m_server->close();
    if (m_lockFd >= 0)
        ::close(m_lockFd); // the lock goes with the descriptor
}

bool SingleInstance::isRunning()
{
    if (m_lockFd >= 0)
        return false; // we are the running instance

    // A lock the kernel holds for the open file: it goes when the process ends, however it
    // ends, so a killed instance leaves nothing to clear away, and taking it writes nothing
    // to the disk (a lock file's contents would have to be synced, at every start).
    const int fd = ::open(QFile::encodeName(m_lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC,
                          0600);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        m_lockFd = fd;
    } else if (fd >= 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        return true;
    } else {
        // A folder that cannot hold the lock (read-only) cannot tell; running twice beats
        // never starting.
        qCWarning(lcInstance).noquote() << "cannot lock" << m_lockPath << ":"
                                        << qt_error_string(errno)
                                        << "- not checking for another instance";
        if (fd >= 0)
            ::close(fd);
    }

    // A socket left by a killed instance would make listen() fail.
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    if (!m_server->listen(m_serverName)) {
        qCWarning(lcInstance).noquote()
            << "cannot listen on" << m_serverName << ":" << m_server->errorString();
    }
    return false;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessages(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        readMessages(socket);
    }
}

void SingleInstance::readMessages(QLocalSocket *socket)
{
    while (socket->bytesAvailable() >= LengthBytes) {
        const QByteArray header = socket->peek(LengthBytes);
        quint32 length = 0;
        QDataStream(header) >> length;
        if (length > MaxMessageBytes) {
            qCWarning(lcInstance) << "dropping a connection that announced" << length << "bytes";
            socket->abort();
            return;
        }
        if (socket->bytesAvailable() < LengthBytes + qint64(length))
            return; // the rest is still on its way
        socket->skip(LengthBytes);
        const QString message = QString::fromUtf8(socket->read(length));
        socket->write(&Ack, 1);
        emit messageReceived(message);
    }
}

bool SingleInstance::sendMessage(const QString &message, int timeoutMs)
{
    const QByteArray body = message.toUtf8();
    if (quint32(body.size()) > MaxMessageBytes)
        return false;
    QByteArray frame;
    QDataStream(&frame, QIODevice::WriteOnly) << quint32(body.size());
    frame += body;

    const QDeadlineTimer deadline(timeoutMs), appears(SocketAppearsMs);
    QLocalSocket socket;
    // The running instance may not be listening yet when it has only just started.
    for (;;) {
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(int(deadline.remainingTime())))
            break;
        if (deadline.hasExpired() ||
            (socket.error() == QLocalSocket::ServerNotFoundError && appears.hasExpired())) {
            qCWarning(lcInstance).noquote()
                << "no running instance answered on" << m_serverName << ":" << socket.errorString();
            return false;
        }
        socket.abort();
        const qint64 remaining = deadline.remainingTime(); // -1: no deadline
        QThread::msleep(
            quint64(remaining < 0 ? RetryPauseMs : qMin<qint64>(RetryPauseMs, remaining)));
    }

    socket.write(frame);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
            return false;
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    char reply = 0;
    const bool acknowledged = socket.getChar(&reply) && reply == Ack;
    socket.disconnectFromServer();
    return acknowledged;
}
