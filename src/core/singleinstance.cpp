#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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
    return QByteArray::number(qulonglong(::getuid()));
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

// The address of the socket at `path` (which instanceFolder() keeps short enough).
sockaddr_un addressOf(const QString &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    std::memcpy(address.sun_path, bytes.constData(),
                qMin<size_t>(size_t(bytes.size()), sizeof address.sun_path - 1));
    return address;
}

} // namespace

SingleInstance::SingleInstance(const QString &folder, QObject *parent) : QObject(parent)
{
    // The same folder reached by another path (a link, "..") is the same event.db.
    const QFileInfo info(folder);
    const QString name = instanceName(
        info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath());
    m_lockPath = QDir(info.absoluteFilePath()).filePath(LockFileName);
    m_serverName = QDir(instanceFolder(name)).filePath(name + QStringLiteral(".socket"));
}

SingleInstance::~SingleInstance()
{
    // Stop listening before the lock goes, so a new instance never finds our socket after
    // it has taken the lock.
    if (m_serverFd >= 0) {
        delete m_listening;
        ::close(m_serverFd);
        ::unlink(QFile::encodeName(m_serverName).constData());
    }
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
    const int fd =
        ::open(QFile::encodeName(m_lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        m_lockFd = fd;
    } else if (fd >= 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        return true;
    } else {
        // A folder that cannot hold the lock (read-only) cannot tell; running twice beats
        // never starting.
        qCWarning(lcInstance).noquote()
            << "cannot lock" << m_lockPath << ":" << qt_error_string(errno)
            << "- not checking for another instance";
        if (fd >= 0)
            ::close(fd);
    }

    // A socket left by a killed instance would make bind() fail. Plain POSIX sockets: Qt's
    // local sockets live in Qt Network, whose libraries would cost every start to load.
    const sockaddr_un address = addressOf(m_serverName);
    ::unlink(address.sun_path);
    m_serverFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const mode_t mask = ::umask(077); // the socket is the user's alone from the start
    const bool bound =
        m_serverFd >= 0 &&
        ::bind(m_serverFd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 &&
        ::listen(m_serverFd, 16) == 0;
    ::umask(mask);
    if (!bound) {
        qCWarning(lcInstance).noquote()
            << "cannot listen on" << m_serverName << ":" << qt_error_string(errno);
        if (m_serverFd >= 0)
            ::close(m_serverFd);
        m_serverFd = -1;
        return false;
    }
    m_listening = new QSocketNotifier(m_serverFd, QSocketNotifier::Read, this);
    connect(m_listening, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
    return false;
}

void SingleInstance::acceptConnections()
{
    int client;
    while ((client = ::accept4(m_serverFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0) {
        auto *notifier = new QSocketNotifier(client, QSocketNotifier::Read, this);
        auto received = std::make_shared<QByteArray>();
        connect(notifier, &QSocketNotifier::activated, this, [this, notifier, received] {
            if (readMessages(int(notifier->socket()), received.get()))
                return;
            notifier->setEnabled(false);
            ::close(int(notifier->socket()));
            notifier->deleteLater();
        });
    }
}

bool SingleInstance::readMessages(int socket, QByteArray *received)
{
    bool open = true;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(socket, chunk, sizeof chunk);
        if (n > 0)
            received->append(chunk, n);
        else if (n < 0 && errno == EINTR)
            continue;
        else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            open = false; // the other end is done, or the connection failed
        if (n <= 0)
            break;
    }
    while (received->size() >= LengthBytes) {
        const quint32 length = qFromBigEndian<quint32>(received->constData());
        if (length > MaxMessageBytes) {
            qCWarning(lcInstance) << "dropping a connection that announced" << length << "bytes";
            return false;
        }
        if (received->size() < LengthBytes + qsizetype(length))
            break; // the rest is still on its way
        const QString message = QString::fromUtf8(received->mid(LengthBytes, length));
        received->remove(0, LengthBytes + length);
        ::send(socket, &Ack, 1, MSG_NOSIGNAL);
        emit messageReceived(message);
    }
    return open;
}

bool SingleInstance::sendMessage(const QString &message, int timeoutMs)
{
    const QByteArray body = message.toUtf8();
    if (quint32(body.size()) > MaxMessageBytes)
        return false;
    QByteArray frame(LengthBytes, Qt::Uninitialized);
    qToBigEndian(quint32(body.size()), frame.data());
    frame += body;

    const QDeadlineTimer deadline(timeoutMs), appears(SocketAppearsMs);
    const sockaddr_un address = addressOf(m_serverName);
    int socket = -1;
    // The running instance may not be listening yet when it has only just started.
    for (;;) {
        socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (socket >= 0 &&
            ::connect(socket, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
            break;
        const int error = errno;
        if (socket >= 0)
            ::close(socket);
        if (deadline.hasExpired() || (error == ENOENT && appears.hasExpired())) {
            qCWarning(lcInstance).noquote() << "no running instance answered on" << m_serverName
                                            << ":" << qt_error_string(error);
            return false;
        }
        const qint64 remaining = deadline.remainingTime(); // -1: no deadline
        QThread::msleep(
            quint64(remaining < 0 ? RetryPauseMs : qMin<qint64>(RetryPauseMs, remaining)));
    }

    bool sent = true;
    for (qsizetype done = 0; sent && done < frame.size();) {
        const ssize_t n =
            ::send(socket, frame.constData() + done, size_t(frame.size() - done), MSG_NOSIGNAL);
        sent = n >= 0 || errno == EINTR;
        done += qMax<ssize_t>(n, 0);
    }
    pollfd answer{socket, POLLIN, 0};
    while (sent && ::poll(&answer, 1, int(deadline.remainingTime())) < 0 && errno == EINTR) {
    }
    char reply = 0;
    const bool acknowledged = sent && ::recv(socket, &reply, 1, MSG_DONTWAIT) == 1 && reply == Ack;
    ::close(socket);
    return acknowledged;
}
