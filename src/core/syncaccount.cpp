#include "syncaccount.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <algorithm>

QString SyncAccount::fileName(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("sync.conf"));
}

const QString SyncAccount::FingerprintLead = QStringLiteral("证书指纹 SHA-256：");

QString SyncAccount::passwordFileName(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("sync-password"));
}

std::optional<SyncAccount> SyncAccount::load(const QString &folder)
{
    if (!QFile::exists(fileName(folder)))
        return std::nullopt;
    QSettings file(fileName(folder), QSettings::IniFormat);
    SyncAccount account;
    account.server = QUrl(file.value(QStringLiteral("server")).toString());
    account.user = file.value(QStringLiteral("user")).toString();
    account.calendar = QUrl(file.value(QStringLiteral("calendar")).toString());
    account.calendarName = file.value(QStringLiteral("calendarName")).toString();
    account.fingerprint = file.value(QStringLiteral("fingerprint")).toString();
    account.timeoutSeconds = std::clamp(file.value(QStringLiteral("timeout"), 30).toInt(), 1, 600);
    account.lastSync =
        QDateTime::fromString(file.value(QStringLiteral("lastSync")).toString(), Qt::ISODate);
    account.lastResult = file.value(QStringLiteral("lastResult")).toString();
    account.lastFailed = file.value(QStringLiteral("lastFailed")).toBool();
    if (file.status() != QSettings::NoError || !account.server.isValid() ||
        !account.calendar.isValid() || account.calendar.isEmpty())
        return std::nullopt;
    return account;
}

bool SyncAccount::save(const QString &folder) const
{
    QSettings file(fileName(folder), QSettings::IniFormat);
    file.setValue(QStringLiteral("server"), server.toString());
    file.setValue(QStringLiteral("user"), user);
    file.setValue(QStringLiteral("calendar"), calendar.toString());
    file.setValue(QStringLiteral("calendarName"), calendarName);
    file.setValue(QStringLiteral("fingerprint"), fingerprint);
    file.setValue(QStringLiteral("timeout"), timeoutSeconds);
    file.setValue(QStringLiteral("lastSync"), lastSync.toString(Qt::ISODate));
    file.setValue(QStringLiteral("lastResult"), lastResult);
    file.setValue(QStringLiteral("lastFailed"), lastFailed);
    file.sync();
    return file.status() == QSettings::NoError;
}

bool SyncAccount::remove(const QString &folder)
{
    return !QFile::exists(fileName(folder)) || QFile::remove(fileName(folder));
}
