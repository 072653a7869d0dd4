#pragma once

#include <QObject>
#include <QStringList>

class QProcess;
class QTimer;

// One run of the program's own `sync` sub-command in a process of its own, so that a slow
// or silent server holds up neither the reminders nor the windows. The password goes to
// its standard input, never among its arguments, where any user of the computer could
// read it in the process list.
class SyncProcess : public QObject
{
    Q_OBJECT
public:
    // A run that has not ended after this long is stopped: the server has hung.
    static constexpr int TimeLimitMs = 5 * 60 * 1000;

    struct Result
    {
        // The sub-command's own answers (0, 1, 2), or what became of a run that gave none.
        enum class End { Done, Refused, Unreachable, Failed, TimedOut };
        End end = End::Failed;
        QString output; // standard output, as it printed it
        QString errors; // standard error
        // A certificate the system does not trust, as the sub-command named it; else empty.
        QString fingerprint;

        bool ok() const { return end == End::Done; }
        // What to tell the user: what the sub-command said, or why it said nothing.
        QString text() const;
    };

    // `program` is the tasquill executable; `folder` the data folder it works on.
    SyncProcess(const QString &program, const QString &folder, QObject *parent = nullptr);

    // Runs `tasquill sync ARGUMENTS --dir FOLDER`; a non-empty `password` is written to
    // its standard input, followed by a line break. One run at a time.
    void run(const QStringList &arguments, const QString &password = QString());
    bool isRunning() const { return m_process != nullptr; }

signals:
    void finished(const SyncProcess::Result &result);

private:
    void end(Result result);

    QString m_program;
    QString m_folder;
    QProcess *m_process = nullptr;
    QTimer *m_limit = nullptr;
    bool m_timedOut = false;
};
