#include "autostart.h"
#include "singleinstance.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The real program, started as the user would start it, each start in a folder of its own.
class TestSingleInstance : public QObject
{
    Q_OBJECT

    QTemporaryDir m_runtime;
    std::vector<std::pair<std::unique_ptr<QTemporaryDir>, std::unique_ptr<QProcess>>> m_starts;

    QProcess *start(const QString &program)
    {
        auto &[folder, process] =
            m_starts.emplace_back(std::make_unique<QTemporaryDir>(), std::make_unique<QProcess>());
        process->setWorkingDirectory(folder->path());
        process->start(program, {});
        process->waitForStarted();
        return process.get();
    }
    // True once an instance of `program` acknowledges the hand-over message.
    static bool serving(const QString &program)
    {
        return SingleInstance(QFileInfo(program).canonicalFilePath())
            .sendMessage("raise_window_noop", 30000);
    }

private slots:
    void cleanup()
    {
        for (auto &[folder, process] : m_starts)
            process->kill(), process->waitForFinished();
        m_starts.clear();
    }

    // Started together, either may win; the other hands over, exits 0 and leaves nothing.
    // A lock left by a killed instance is taken over.
    void oneInstance()
    {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        const QString program =
            QFileInfo(qEnvironmentVariable("TASQUILL_BINARY")).canonicalFilePath();
        QProcess *first = start(program), *second = start(program);
        QTRY_VERIFY_WITH_TIMEOUT(first->state() == QProcess::NotRunning ||
                                     second->state() == QProcess::NotRunning,
                                 6000);
        const int loser = second->state() == QProcess::NotRunning ? 1 : 0;
        QCOMPARE(m_starts[loser].second->exitCode() + int(m_starts[loser].second->exitStatus()), 0);
        QVERIFY(QDir(m_starts[loser].first->path())
                    .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        QVERIFY(serving(program));

        m_starts[1 - loser].second->kill(); // SIGKILL: no chance to clean up
        QVERIFY(m_starts[1 - loser].second->waitForFinished() &&
                QFile::exists(SingleInstance(program).lockFilePath()));
        start(program);
        QVERIFY(serving(program));
    }

    // The autostart entry runs this program (quoted) in its data folder; written once or told.
    void autostartEntry()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_runtime.filePath("config")));
        QVERIFY(Autostart::write("/opt/my \"apps\"/$tq") && Autostart::write("/elsewhere"));
        QFile file(Autostart::entryPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray entry = file.readAll();
        QVERIFY(entry.contains("\nExec=\"/opt/my \\\"apps\\\"/\\$tq\" --user-data\n") &&
                entry.endsWith("\nX-GNOME-Autostart-enabled=true\n"));
        QString error;
        qputenv("XDG_CONFIG_HOME", "/proc/self/none");
        QVERIFY(!Autostart::write("/x", &error) && error.startsWith("无法写入自动启动文件"));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
