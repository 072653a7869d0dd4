#include "passwordstore.h"

#include "syncaccount.h"

#include <QEventLoop>
#include <QFile>
#include <QSaveFile>

#include <qt6keychain/keychain.h>

namespace {

const QString Service = QStringLiteral("Tasquill");

// Runs a keychain job to its end; true when it succeeded.
bool finish(QKeychain::Job &job)
{
    job.setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    return job.error() == QKeychain::NoError;
}

} // namespace

PasswordStore::PasswordStore(const QString &folder, const QString &account)
    : m_folder(folder), m_account(account)
{
}

QString PasswordStore::fileName() const
{
    return SyncAccount::passwordFileName(m_folder);
}

std::optional<PasswordStore::Place> PasswordStore::save(const QString &password)
{
    QKeychain::WritePasswordJob job(Service);
    job.setKey(m_account);
    job.setTextData(password);
    if (finish(job)) {
        QFile::remove(fileName()); // an older copy must not outlive the new password
        return Place::SecretStore;
    }
    QSaveFile file(fileName());
    if (!file.open(QIODevice::WriteOnly))
        return std::nullopt;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(password.toUtf8());
    if (!file.commit())
        return std::nullopt;
    return Place::File;
}

std::optional<QString> PasswordStore::read()
{
    QFile file(fileName());
    if (file.open(QIODevice::ReadOnly))
        return QString::fromUtf8(file.readAll());
    QKeychain::ReadPasswordJob job(Service);
    job.setKey(m_account);
    if (finish(job))
        return job.textData();
    return std::nullopt;
}
