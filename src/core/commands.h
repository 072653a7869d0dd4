#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class QTextStream;

// The sub-commands beside the program's start (list, add, export, import): each works on
// the event.db of one folder and needs no display, for a terminal, a script or a cron job.
// A running program sees their changes, as it sees any other program's.
class Commands
{
public:
    // What a sub-command ends with, as its exit code (sync's too): Unusable when a file, or
    // the calendar server, could not be used.
    enum Exit { Done = 0, Refused = 1, Unusable = 2 };

    // `folder` holds (or will hold) event.db. Results go to `out`, messages to `err`.
    Commands(const QString &folder, QTextStream &out, QTextStream &err);

    // The sub-commands' names.
    static QStringList names();

    // Runs `command` with its `arguments` at the moment `now`.
    Exit run(const QString &command, const QStringList &arguments, const QDateTime &now);

private:
    Exit list(const QStringList &arguments, const QDateTime &now);
    Exit add(const QStringList &arguments, const QDateTime &now);
    // Says `message` on the error stream and ends with `exit`.
    Exit fail(Exit exit, const QString &message);

    QString m_fileName;
    QTextStream &m_out;
    QTextStream &m_err;
};
