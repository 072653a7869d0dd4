#include "syncprocess.h"

#include "syncaccount.h"

#include <QLoggingCategory>
#include <QProcess>
#include <QTimer>

Q_LOGGING_CATEGORY(lcSyncProcess, "tasquill.syncprocess")

namespace {
QString fingerprintIn(const QString &errors)
{
    for (const QString &line : errors.split(u'\n')) {
        if (line.trimmed().startsWith(SyncAccount::FingerprintLead))
            return line.trimmed().mid(SyncAccount::FingerprintLead.size()).trimmed();
    }
    return QString();
}
} // namespace

QString SyncProcess::Result::text() const
{
    const QString said = (output.trimmed() + u'\n' + errors.trimmed()).trimmed();
    switch (end) {
    case End::TimedOut:
        return QStringLiteral("同步超过 5 分钟没有结束，已停止。服务器可能没有响应。");
    case End::Failed:
        return QStringLiteral("同步程序没有正常结束。") +
               (said.isEmpty() ? QString() : u'\n' + said);
    case End::Done:
    case End::Refused:
    case End::Unreachable:
        break;
    }
    return !said.isEmpty()       ? said
           : end == End::Done    ? QStringLiteral("同步完成。")
           : end == End::Refused ? QStringLiteral("服务器拒绝了同步。")
                                 : QStringLiteral("无法连接服务器。");
}

SyncProcess::SyncProcess(const QString &program, const QString &folder, QObject *parent)
    : QObject(parent), m_program(program), m_folder(folder), m_limit(new QTimer(this))
{
    m_limit->setSingleShot(true);
    m_limit->setInterval(TimeLimitMs);
    connect(m_limit, &QTimer::timeout, this, [this] {
        qCWarning(lcSyncProcess) << "no end after" << TimeLimitMs / 1000 << "s, stopping it";
        m_timedOut = true;
        m_process->kill();
    });
}

void SyncProcess::run(const QStringList &arguments, const QString &password)
{
    if (m_process)
        return;
    // A process of its own for each run: one that ended is let go once its signals are out.
    auto *process = new QProcess(this);
    m_process = process;
    m_timedOut = false;
    connect(process, &QProcess::finished, this,
            [this, process](int code, QProcess::ExitStatus status) {
                static constexpr Result::End Answers[] = {Result::End::Done, Result::End::Refused,
                                                          Result::End::Unreachable};
                if (process != m_process)
                    return;
                Result result;
                result.output = QString::fromUtf8(process->readAllStandardOutput());
                result.errors = QString::fromUtf8(process->readAllStandardError());
                result.fingerprint = fingerprintIn(result.errors);
                const bool answered = status == QProcess::NormalExit && code >= 0 && code <= 2;
                result.end = m_timedOut ? Result::End::TimedOut
                             : answered ? Answers[code]
                                        : Result::End::Failed;
                end(result);
            });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        // A program that never started sends no finished().
        if (error != QProcess::FailedToStart || process != m_process)
            return;
        Result result;
        result.errors = QStringLiteral("无法运行 %1：%2").arg(m_program, process->errorString());
        end(result);
    });
    process->start(m_program, QStringList{QStringLiteral("sync")} + arguments +
                                  QStringList{QStringLiteral("--dir"), m_folder});
    if (m_process != process) // it could not start, and that was told already
        return;
    // Closed at once either way: a sub-command that reads must not wait for more.
    if (!password.isEmpty())
        process->write(password.toUtf8() + '\n');
    process->closeWriteChannel();
    m_limit->start();
}

void SyncProcess::end(Result result)
{
    m_limit->stop();
    m_process->deleteLater();
    m_process = nullptr;
    if (!result.ok())
        qCInfo(lcSyncProcess).noquote() << "sync ended badly:" << result.text();
    emit finished(result);
}
