#include "singleinstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The real program, started as the user would start it.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void secondStartHandsOverAndExits_data();
    void secondStartHandsOverAndExits();
    void killedInstanceDoesNotBlockNextStart();
    void copiesInDifferentFoldersBothRun();

private:
    QProcess *start(const QString &program, const QString &workDir);
    // True once an instance of `program` acknowledges the hand-over message.
    static bool serving(const QString &program)
    {
        return SingleInstance(QFileInfo(program).canonicalFilePath())
            .sendMessage(QStringLiteral("raise_window_noop"), 30000);
    }

    QString m_program;
    QTemporaryDir m_runtimeDir;
    QList<QProcess *> m_children;
};

void TestSingleInstance::initTestCase()
{
    const QFileInfo binary(qEnvironmentVariable("TASQUILL_BINARY"));
    if (!binary.isExecutable())
        QSKIP("TASQUILL_BINARY does not name the built program");
    m_program = binary.canonicalFilePath();
    // A private (mode 700) runtime folder, inherited by the programs started here, keeps
    // these tests apart from any other instance on the machine.
    QVERIFY(m_runtimeDir.isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtimeDir.path()));
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

void TestSingleInstance::cleanup()
{
    for (QProcess *child : qAsConst(m_children)) {
        child->kill();
        child->waitForFinished(10000);
        delete child;
    }
    m_children.clear();
}

QProcess *TestSingleInstance::start(const QString &program, const QString &workDir)
{
    auto *child = new QProcess;
    m_children.append(child);
    child->setWorkingDirectory(workDir);
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child->start(program, {});
    child->waitForStarted(); // a start that failed shows as a program not running
    return child;
}

void TestSingleInstance::secondStartHandsOverAndExits_data()
{
    QTest::addColumn<bool>("firstReady");
    QTest::newRow("first instance up") << true;
    QTest::newRow("both started at once") << false;
}

void TestSingleInstance::secondStartHandsOverAndExits()
{
    QFETCH(bool, firstReady);
    QTemporaryDir firstDir;
    QTemporaryDir secondDir;
    QProcess *first = start(m_program, firstDir.path());
    if (firstReady)
        QVERIFY(serving(m_program));
    QProcess *second = start(m_program, secondDir.path());

    // Started together, either may win; the other hands over within its 5 s time-out.
    QTRY_VERIFY_WITH_TIMEOUT(
        first->state() == QProcess::NotRunning || second->state() == QProcess::NotRunning, 6000);
    const bool firstWon = second->state() == QProcess::NotRunning;
    QVERIFY(firstWon || !firstReady);
    QProcess *exited = firstWon ? second : first;
    QCOMPARE(exited->exitStatus(), QProcess::NormalExit);
    QCOMPARE(exited->exitCode(), 0);
    // The start that handed over left nothing in its working directory.
    QCOMPARE(QDir(firstWon ? secondDir.path() : firstDir.path())
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System),
             QStringList());
    QVERIFY(serving(m_program));
    QCOMPARE((firstWon ? first : second)->state(), QProcess::Running);
}

void TestSingleInstance::killedInstanceDoesNotBlockNextStart()
{
    QTemporaryDir killedDir;
    QProcess *killed = start(m_program, killedDir.path());
    QVERIFY(serving(m_program));
    killed->kill(); // SIGKILL: no chance to clean up
    QVERIFY(killed->waitForFinished(10000));
    QVERIFY2(QFile::exists(SingleInstance(m_program).lockFilePath()),
             "the killed instance should have left its lock behind");

    QTemporaryDir nextDir;
    QProcess *next = start(m_program, nextDir.path());
    QVERIFY(serving(m_program));
    // It really holds the lock now: a further start hands over to it.
    QTemporaryDir laterDir;
    QProcess *later = start(m_program, laterDir.path());
    QVERIFY(later->waitForFinished(6000));
    QCOMPARE(later->exitCode(), 0);
    QCOMPARE(next->state(), QProcess::Running);
}

void TestSingleInstance::copiesInDifferentFoldersBothRun()
{
    QTemporaryDir one;
    QTemporaryDir two;
    QList<QProcess *> copies;
    for (const QTemporaryDir *folder : {&one, &two}) {
        const QString copy = folder->filePath(QStringLiteral("tasquill"));
        QVERIFY(QFile::copy(m_program, copy));
        QVERIFY(QFile::setPermissions(copy, QFile::permissions(m_program)));
        copies << start(copy, folder->path());
        QVERIFY2(serving(copy), qPrintable(copy));
    }
    QCOMPARE(copies.at(0)->state(), QProcess::Running);
    QCOMPARE(copies.at(1)->state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
