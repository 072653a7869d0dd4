#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// Lets one instance of the program run per executable and user. The first instance holds a
// lock file and listens on a local socket; a later start finds the lock held and hands its
// message to the first. A lock left behind by a killed instance is taken over. Both live in
// the user's runtime folder (the temporary folder when there is none), never in the
// working directory.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `key` names the application; by default it is the executable's canonical path, so two
    // copies in different folders are different applications. The user is always part of
    // the name, so different users never meet.
    explicit SingleInstance(const QString &key = defaultKey(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when another live instance holds the key. Otherwise this instance takes it and
    // starts listening for messages. Creates nothing in the working directory.
    bool isRunning();

    // Delivers `message` to the running instance, waiting at most `timeoutMs` (the running
    // instance may still be starting, so connecting is retried until then). True once the
    // running instance has acknowledged it.
    bool sendMessage(const QString &message, int timeoutMs);

    // The executable's canonical path. Needs the application object.
    static QString defaultKey();

    // Where the lock file and the local socket of this key are.
    QString lockFilePath() const { return m_lockPath; }
    QString serverName() const { return m_serverName; }

signals:
    void messageReceived(const QString &message);

private:
    void acceptConnections();
    void readMessages(QLocalSocket *socket);

    QString m_lockPath;
    QString m_serverName;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
