#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>

#include <optional>

// The CalDAV account the reminders are synced with, in sync.conf beside config.txt: the
// server, the user, the chosen calendar, a self-signed certificate the user accepted, and
// how the last sync ended. The password is never here (see the sync helper's PasswordStore).
struct SyncAccount
{
    QUrl server; // as the user typed it, "https://dav.example.org/"
    QString user;
    QUrl calendar;        // the calendar collection found or made on the server
    QString calendarName; // its display name
    // The SHA-256 fingerprint of a certificate the system does not trust but the user
    // accepted ("ab:cd:…"); empty when none.
    QString fingerprint;
    // How long a server may keep silent before the sync gives up on it, in seconds.
    int timeoutSeconds = 30;
    QDateTime lastSync; // when the last sync ended; invalid before the first
    QString lastResult; // what it said, for the settings window
    bool lastFailed = false;

    // The account set in `folder`; nothing when none is set or the file is unreadable.
    static std::optional<SyncAccount> load(const QString &folder);
    // Writes it (the file readable by the user only); false when it could not be written.
    bool save(const QString &folder) const;
    // Forgets the account of `folder` (the synced state in event.db stays until the next).
    static bool remove(const QString &folder);

    static QString fileName(const QString &folder);
    // Where the password is kept when the desktop has no secret store.
    static QString passwordFileName(const QString &folder);
    // How the sync tells its caller the fingerprint of a certificate the system does not
    // trust: a line of its error output that begins with this.
    static const QString FingerprintLead;
};
