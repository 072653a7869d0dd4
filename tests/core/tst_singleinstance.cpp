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

    QString m_program;
    QTemporaryDir m_runtime;
    std::vector<std::pair<std::unique_ptr<QTemporaryDir>, std::unique_ptr<QProcess>>> m_starts;

    QProcess *start(const QString &program)
    {
        auto &[folder, process] =
            m_starts.emplace_back(std::make_unique<QTemporaryDir>(), std::make_unique<QProcess>());
        process->setWorkingDirectory(folder->path());
        process->start(program, {});
        process->waitForStarted(); // a start that failed shows as a program not running
        return process.get();
    }
    // True once an instance of `program` acknowledges the hand-over message.
    static bool serving(const QString &program)
    {
        return SingleInstance(QFileInfo(program).canonicalFilePath())
            .sendMessage("raise_window_noop", 30000);
    }

private slots:
    void initTestCase()
    {
        m_program = QFileInfo(qEnvironmentVariable("TASQUILL_BINARY")).canonicalFilePath();
        // A private runtime folder, inherited by the programs started here, keeps these
        // tests apart from any other instance on the machine.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    }
    void cleanup()
    {
        for (auto &[folder, process] : m_starts)
            process->kill(), process->waitForFinished();
        m_starts.clear();
    }

    // Started together, either may win; the other hands over and exits 0, leaving nothing
    // in its folder.
    void secondStartHandsOverAndExits()
    {
        QProcess *first = start(m_program), *second = start(m_program);
        QTRY_VERIFY_WITH_TIMEOUT(first->state() == QProcess::NotRunning ||
                                     second->state() == QProcess::NotRunning,
                                 6000);
        const int loser = second->state() == QProcess::NotRunning ? 1 : 0;
        QProcess *exited = m_starts[loser].second.get();
        QCOMPARE(exited->exitStatus(), QProcess::NormalExit);
        QCOMPARE(exited->exitCode(), 0);
        QVERIFY(QDir(m_starts[loser].first->path())
                    .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        QVERIFY(serving(m_program));
    }

    // A lock left by a killed instance is taken over; a copy elsewhere is another program.
    void killedInstanceAndCopies()
    {
        QProcess *killed = start(m_program);
        QVERIFY(serving(m_program));
        killed->kill(); // SIGKILL: no chance to clean up
        QVERIFY(killed->waitForFinished() &&
                QFile::exists(SingleInstance(m_program).lockFilePath()));
        QProcess *next = start(m_program);
        QVERIFY(serving(m_program));
        QProcess *later = start(m_program);
        QVERIFY(later->waitForFinished(6000) && later->exitCode() == 0);

        const QString copy = m_runtime.filePath("tasquill");
        QVERIFY(QFile::copy(m_program, copy) &&
                QFile::setPermissions(copy, QFile::permissions(m_program)));
        QProcess *other = start(copy);
        QVERIFY(serving(copy) && next->state() == QProcess::Running &&
                other->state() == QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
