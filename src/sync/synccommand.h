#pragma once

#include "caldavaccount.h"
#include "commands.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <variant>

class QTextStream;

// `tasquill sync`: one two-way sync with the saved account, the saving of an account
// (--set), and the list of an account's calendars (--calendars, for the settings window).
// The password comes on standard input, never on the command line, where every user of the
// computer could read it. It ends as the other sub-commands do: refused for a wrong password
// or no account, unusable for a server unreachable or answering nonsense, or event.db.
class SyncCommand
{
public:
    using Exit = Commands::Exit;

    SyncCommand(const QString &folder, QTextStream &out, QTextStream &err);

    // `arguments` as they followed "sync", with --dir taken out.
    Exit run(const QStringList &arguments);

private:
    // A connection to the server of `url` that found the user's calendars, with the password
    // read from standard input.
    struct Login
    {
        QUrl server;
        QString password;
        std::unique_ptr<DavClient> client;
        CalDavAccount::Found found;
    };
    std::variant<Exit, Login> logIn(const QString &url, const QString &user, const QString &trust);

    Exit sync();
    Exit listCalendars(const QString &url, const QString &user, const QString &trust);
    Exit setAccount(const QString &url, const QString &user, const QString &calendar,
                    const QString &trust);
    Exit fail(Exit exit, const QString &message);
    // The password typed or piped in; nothing when none came.
    std::optional<QString> passwordFromInput();

    QString m_folder;
    QTextStream &m_out;
    QTextStream &m_err;
};
