#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

// Lets one instance of the program run per executable and user. The first instance holds a
// lock file and listens on a local socket; a later start finds the lock held and hands its
// message to the first. A lock left behind by a killed instance is taken over.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `key` names the application; by default it comes from the executable's absolute path
    // and the user, so two copies in different folders are different applications.
    explicit SingleInstance(const QString &key = defaultKey(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when another live instance holds the key. Otherwise this instance takes it and
    // starts listening for messages. Creates nothing in the working directory.
    bool isRunning();

    // Delivers `message` to the running instance, waiting at most `timeoutMs`.
    bool sendMessage(const QString &message, int timeoutMs);

    static QString defaultKey();

signals:
    void messageReceived(const QString &message);

private:
    QString m_key;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
