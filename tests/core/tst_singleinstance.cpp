#include "singleinstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {

const QString Message = QStringLiteral("raise_window_noop");

QString uniqueKey()
{
    return QStringLiteral("test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// Sends from a thread of its own, as a second process would: the receiving instance needs
// this thread's event loop running to read and acknowledge the message.
class Sender
{
public:
    Sender(const QString &key, const QString &message, int timeoutMs)
        : m_thread(QThread::create([this, key, message, timeoutMs] {
              SingleInstance sender(key);
              m_delivered = sender.sendMessage(message, timeoutMs);
          }))
    {
        m_thread->start();
    }
    ~Sender() { m_thread->wait(); }

    bool finished() const { return m_thread->isFinished(); }
    bool delivered() const { return m_delivered; }

private:
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_delivered{false};
};

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                  QDir::System);
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    // Two guards in this process.
    void secondGuardFindsKeyTaken();
    void releasedKeyIsFree();
    void staysOutOfWorkingDirectory();
    void messageArrives_data();
    void messageArrives();
    void sendWithoutRunningInstanceFails();
    void garbageConnectionIsDropped();

    // The real program.
    void secondStartHandsOverAndExits_data();
    void secondStartHandsOverAndExits();
    void killedInstanceDoesNotBlockNextStart();
    void copiesInDifferentFoldersBothRun();

private:
    QProcess *startProgram(const QString &program, const QString &workDir);
    // True once an instance of `program` acknowledges a message.
    bool serving(const QString &program);
    QString binary();

    QTemporaryDir m_runtimeDir;
    QList<QProcess *> m_children;
};

void TestSingleInstance::initTestCase()
{
    // A private runtime folder, inherited by the programs started here, keeps these tests
    // apart from any other instance on the machine.
    QVERIFY(m_runtimeDir.isValid());
    QVERIFY(QFile::setPermissions(m_runtimeDir.path(), QFileDevice::ReadOwner |
                                                           QFileDevice::WriteOwner |
                                                           QFileDevice::ExeOwner));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtimeDir.path()));
}

void TestSingleInstance::cleanup()
{
    for (QProcess *child : qAsConst(m_children)) {
        if (child->state() != QProcess::NotRunning) {
            child->kill();
            child->waitForFinished(10000);
        }
        delete child;
    }
    m_children.clear();
}

void TestSingleInstance::secondGuardFindsKeyTaken()
{
    const QString key = uniqueKey();
    SingleInstance first(key);
    QVERIFY(!first.isRunning());
    QVERIFY(!first.isRunning()); // asking again does not make it its own rival

    SingleInstance second(key);
    QVERIFY(second.isRunning());

    SingleInstance other(uniqueKey());
    QVERIFY(!other.isRunning());
}

void TestSingleInstance::releasedKeyIsFree()
{
    const QString key = uniqueKey();
    {
        SingleInstance first(key);
        QVERIFY(!first.isRunning());
    }
    SingleInstance next(key);
    QVERIFY(!next.isRunning());
    SingleInstance after(key);
    QVERIFY(after.isRunning());
}

void TestSingleInstance::staysOutOfWorkingDirectory()
{
    QTemporaryDir workDir;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(workDir.path()));

    const QString key = uniqueKey();
    SingleInstance first(key);
    QVERIFY(!first.isRunning());
    SingleInstance second(key);
    QVERIFY(second.isRunning());
    QVERIFY(!second.sendMessage(Message, 100)); // this thread cannot answer itself

    QDir::setCurrent(previous);
    QCOMPARE(entries(workDir.path()), QStringList());
    QVERIFY(QFile::exists(first.lockFilePath()));
    QCOMPARE(QFileInfo(first.lockFilePath()).absolutePath(), m_runtimeDir.path());
    QCOMPARE(QFileInfo(first.serverName()).absolutePath(), m_runtimeDir.path());
}

void TestSingleInstance::messageArrives_data()
{
    QTest::addColumn<QString>("message");
    QTest::newRow("raise_window_noop") << Message;
    QTest::newRow("empty") << QString();
    QTest::newRow("Chinese") << QStringLiteral("打开主窗口");
    QTest::newRow("several lines") << QStringLiteral("one\ntwo\r\nthree\n");
    QTest::newRow("larger than a socket buffer") << QString(300000, QLatin1Char('x'));
}

void TestSingleInstance::messageArrives()
{
    QFETCH(QString, message);

    const QString key = uniqueKey();
    SingleInstance running(key);
    QVERIFY(!running.isRunning());
    QSignalSpy received(&running, &SingleInstance::messageReceived);

    Sender sender(key, message, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(sender.finished(), 15000);
    QVERIFY(sender.delivered());
    QCOMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toString(), message);
}

void TestSingleInstance::sendWithoutRunningInstanceFails()
{
    SingleInstance alone(uniqueKey());
    QVERIFY(!alone.sendMessage(Message, 300));
}

void TestSingleInstance::garbageConnectionIsDropped()
{
    const QString key = uniqueKey();
    SingleInstance running(key);
    QVERIFY(!running.isRunning());
    QSignalSpy received(&running, &SingleInstance::messageReceived);

    // A client announcing a message of 4 GB is cut off rather than buffered.
    QLocalSocket garbage;
    garbage.connectToServer(running.serverName());
    QVERIFY(garbage.waitForConnected(5000));
    garbage.write(QByteArray(4, '\xff'));
    QTRY_COMPARE_WITH_TIMEOUT(garbage.state(), QLocalSocket::UnconnectedState, 10000);

    Sender sender(key, Message, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(sender.finished(), 15000);
    QVERIFY(sender.delivered());
    QCOMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toString(), Message);
}

QString TestSingleInstance::binary()
{
    const QString path = qEnvironmentVariable("TASQUILL_BINARY");
    return QFileInfo(path).isExecutable() ? QFileInfo(path).canonicalFilePath() : QString();
}

QProcess *TestSingleInstance::startProgram(const QString &program, const QString &workDir)
{
    auto *child = new QProcess;
    m_children.append(child);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child->setProcessEnvironment(env);
    child->setWorkingDirectory(workDir);
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child->start(program, {});
    return child;
}

bool TestSingleInstance::serving(const QString &program)
{
    SingleInstance probe(QFileInfo(program).canonicalFilePath());
    return probe.sendMessage(Message, 30000);
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
    const QString program = binary();
    if (program.isEmpty())
        QSKIP("TASQUILL_BINARY does not name the built program");

    QTemporaryDir firstDir;
    QTemporaryDir secondDir;
    QProcess *first = startProgram(program, firstDir.path());
    QVERIFY(first->waitForStarted());
    if (firstReady)
        QVERIFY(serving(program));
    QProcess *second = startProgram(program, secondDir.path());
    QVERIFY(second->waitForStarted());

    // Started together, either may win; the other hands over.
    QTRY_VERIFY_WITH_TIMEOUT(
        first->state() == QProcess::NotRunning || second->state() == QProcess::NotRunning, 6000);
    const bool firstWon = second->state() == QProcess::NotRunning;
    if (firstReady)
        QVERIFY(firstWon);
    QProcess *exited = firstWon ? second : first;
    QProcess *running = firstWon ? first : second;

    QCOMPARE(exited->exitStatus(), QProcess::NormalExit);
    QCOMPARE(exited->exitCode(), 0);
    QCOMPARE(entries(firstWon ? secondDir.path() : firstDir.path()), QStringList());
    QCOMPARE(running->state(), QProcess::Running);
    QVERIFY(serving(program));
    QCOMPARE(running->state(), QProcess::Running);
}

void TestSingleInstance::killedInstanceDoesNotBlockNextStart()
{
    const QString program = binary();
    if (program.isEmpty())
        QSKIP("TASQUILL_BINARY does not name the built program");

    QTemporaryDir killedDir;
    QProcess *killed = startProgram(program, killedDir.path());
    QVERIFY(killed->waitForStarted());
    QVERIFY(serving(program));
    killed->kill(); // SIGKILL: no chance to clean up
    QVERIFY(killed->waitForFinished(10000));
    QVERIFY2(QFile::exists(SingleInstance(program).lockFilePath()),
             "the killed instance should have left its lock behind");

    QTemporaryDir nextDir;
    QProcess *next = startProgram(program, nextDir.path());
    QVERIFY(next->waitForStarted());
    QVERIFY(serving(program));
    QCOMPARE(next->state(), QProcess::Running);

    // It really holds the lock now: a further start hands over to it.
    QTemporaryDir laterDir;
    QProcess *later = startProgram(program, laterDir.path());
    QVERIFY(later->waitForFinished(6000));
    QCOMPARE(later->exitCode(), 0);
    QCOMPARE(next->state(), QProcess::Running);
}

void TestSingleInstance::copiesInDifferentFoldersBothRun()
{
    const QString program = binary();
    if (program.isEmpty())
        QSKIP("TASQUILL_BINARY does not name the built program");

    QTemporaryDir one;
    QTemporaryDir two;
    QList<QProcess *> copies;
    for (const QTemporaryDir *folder : {&one, &two}) {
        const QString copy = folder->filePath(QStringLiteral("tasquill"));
        QVERIFY(QFile::copy(program, copy));
        QVERIFY(QFile::setPermissions(copy, QFile::permissions(program)));
        QProcess *child = startProgram(copy, folder->path());
        QVERIFY(child->waitForStarted());
        QVERIFY2(serving(copy), qPrintable(copy));
        copies.append(child);
    }
    for (QProcess *child : qAsConst(copies))
        QCOMPARE(child->state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
