#pragma once

#include <QString>

#include <optional>

// The sync account's password: in the desktop's secret store (the freedesktop Secret
// Service, through QtKeychain) where one answers, otherwise in the file sync-password beside
// config.txt, readable by the user alone. Never in sync.conf, event.db or a message.
class PasswordStore
{
public:
    PasswordStore(const QString &folder, const QString &account);

    enum class Place { SecretStore, File };
    // Keeps `password`; where it went, or nothing when neither place took it.
    std::optional<Place> save(const QString &password);
    // The saved password; nothing when none is saved.
    std::optional<QString> read();

    QString fileName() const;

private:
    QString m_folder;
    QString m_account;
};
