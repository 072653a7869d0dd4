#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

// Lets one instance of the program run per data folder and user, however it is started
// (with or without a runtime folder, from any copy of the executable): two instances on one
// event.db would show every reminder twice. The first instance holds a lock file in the
// folder, beside event.db, and listens on a local socket in the user's runtime folder (the
// temporary folder when there is none); a later start finds the lock held and hands its
// message to the first. The lock ends with the process that holds it, however it ends.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `folder` is the one the program works in. Its canonical path and the user name the
    // socket, so instances of different folders or users never meet.
    explicit SingleInstance(const QString &folder, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when another live instance holds the folder. Otherwise this instance takes it
    // and starts listening for messages.
    bool isRunning();

    // Delivers `message` to the running instance, waiting at most `timeoutMs` (the running
    // instance may still be starting, so connecting is retried until then; where no socket
    // appears at all, only briefly). True once the running instance has acknowledged it.
    bool sendMessage(const QString &message, int timeoutMs);

signals:
    void messageReceived(const QString &message);

private:
    void acceptConnections();
    // Reads what a connection sent into `received` and answers each whole message; false
    // when the connection is over.
    bool readMessages(int socket, QByteArray *received);

    QString m_lockPath;
    QString m_serverName;
    int m_lockFd = -1;   // tasquill.lock, locked
    int m_serverFd = -1; // listening on m_serverName
    QSocketNotifier *m_listening = nullptr;
};
