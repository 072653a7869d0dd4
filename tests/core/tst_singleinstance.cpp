#include "commandline.h"
#include "platformchoice.h"
#include "singleinstance.h"
#include "workspace.h"

#include <QProcess>
#include <QtTest>

#include <csignal>

Q_DECLARE_METATYPE(PlatformChoice)

// The real program, started as the user would start it, and what its command line asks for.
class TestSingleInstance : public QObject
{
    Q_OBJECT

    QTemporaryDir m_runtime, m_otherRuntime, m_folderA, m_folderB;
    std::vector<std::unique_ptr<QProcess>> m_starts;

    // The program working in `folder`, with `runtime` as its runtime folder (none: empty).
    QProcess *start(const QString &folder, const QString &runtime, const QStringList &args = {})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        runtime.isEmpty() ? environment.remove("XDG_RUNTIME_DIR")
                          : environment.insert("XDG_RUNTIME_DIR", runtime);
        QProcess *process = m_starts.emplace_back(std::make_unique<QProcess>()).get();
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(folder);
        process->start(qEnvironmentVariable("TASQUILL_BINARY"), args);
        return process;
    }
    // Ended of itself with code 0, not by a signal.
    static bool endedWell(QProcess *process)
    {
        return process->waitForFinished(20000) && process->exitCode() + process->exitStatus() == 0;
    }
    // True when an instance working in `folder` holds its lock and acknowledges a hand-over.
    static bool serving(const QString &folder)
    {
        return QTest::qWaitFor([&] { return QFile::exists(folder + "/tasquill.lock"); }, 30000) &&
               SingleInstance(folder).sendMessage("raise_window_noop", 30000);
    }

private slots:
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path())); }
    void cleanup()
    {
        for (auto &process : m_starts) {
            process->kill();
            process->waitForFinished();
        }
        m_starts.clear();
    }

    // One instance per folder, however it is started: a start in the same folder, with the
    // same, no or another runtime folder, hands over and exits 0; one in another folder runs
    // beside it. A lock left by a killed instance is taken over.
    void oneInstancePerFolder()
    {
        QProcess *first = start(m_folderA.path(), m_runtime.path());
        QVERIFY(serving(m_folderA.path()));
        for (const QString &runtime : {m_runtime.path(), QString(), m_otherRuntime.path()})
            QVERIFY2(endedWell(start(m_folderA.path(), runtime)), qPrintable(runtime));
        QVERIFY(start(m_folderB.path(), m_runtime.path()) && serving(m_folderB.path()));
        QVERIFY(serving(m_folderA.path())); // the first: the later starts there have ended
        QVERIFY(SingleInstance(m_folderA.path()).sendMessage(QString(), 5000)); // an empty one

        first->kill(); // SIGKILL: no chance to clean up
        QVERIFY(first->waitForFinished() && QFile::exists(m_folderA.filePath("tasquill.lock")));
        QVERIFY(start(m_folderA.path(), m_runtime.path()) && serving(m_folderA.path()));
    }

    // Qt's own options are Qt's to read; a closed terminal (SIGHUP) ends the program as a quit,
    // also while it tells of a failure at start (event.db a folder).
    void qtOptionsAndHangUp()
    {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir("event.db"));
        QProcess *program =
            start(folder.path(), m_runtime.path(), {"-platform", "offscreen", "-style", "fusion"});
        QVERIFY(serving(folder.path()));
        QTest::qWait(500); // the first check has failed and its box is up
        ::kill(pid_t(program->processId()), SIGHUP);
        QVERIFY(endedWell(program));
    }

    // What a start is asked: to run (in the data folder or not), or what to say and exit with.
    void commandLine_data()
    {
        columns<QString, QString>("arguments", "expected");
        row("Qt options, values apart", "-platform xcb --style fusion -reverse -display :0",
            "run platform");
        row("Qt options with =", "-style=fusion --user-data -qmljsdebugger=port:9", "data");
        row("help among Qt options", "-platform offscreen --help", "0 Usage: ");
        row("unknown option", "-platform xcb --bogus", "1 tasquill: Unknown option 'bogus'.\n");
        row("Qt's value missing", "-style", "1 tasquill: Missing value after '-style'.\n");
    }
    void commandLine()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, expected);
        const CommandLine line = CommandLine::read(("tasquill " + arguments).split(' '));
        const QString seen = line.exitCode ? QString::number(*line.exitCode) + ' ' + line.text
                                           : QString(line.userData ? "data" : "run") +
                                                 (line.platformGiven ? " platform" : "");
        QVERIFY2(seen.contains(expected), qPrintable(seen));
    }

    // The platform asked for before the application object: xcb on a Wayland session where
    // XWayland is there (the reminder window must stand in its corner); else Qt's choice, and
    // always the user's.
    void platformChoice_data()
    {
        columns<PlatformChoice, QByteArray>("environment", "platform");
        row("Wayland with XWayland", PlatformChoice{"", "wayland-0", "", ":0"}, QByteArray("xcb"));
        row("a Wayland session's type", PlatformChoice{"", "", "wayland", ":1"}, QByteArray("xcb"));
        row("Wayland without X11", PlatformChoice{"", "wayland-0", "wayland", ""}, QByteArray());
        row("X11", PlatformChoice{"", "", "x11", ":0"}, QByteArray());
        row("the user's QT_QPA_PLATFORM", PlatformChoice{"wayland", "wayland-0", "", ":0"},
            QByteArray());
        row("the user's -platform", PlatformChoice{"", "wayland-0", "", ":0", true}, QByteArray());
    }
    void platformChoice()
    {
        QFETCH(PlatformChoice, environment);
        QTEST(environment.platform(), "platform");
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
