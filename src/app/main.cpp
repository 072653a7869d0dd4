#include "autostart.h"
#include "clock.h"
#include "commandline.h"
#include "commands.h"
#include "lazyicon.h"
#include "mainwindow.h"
#include "platformchoice.h"
#include "projectconfig.h"
#include "quitonsignal.h"
#include "singleinstance.h"
#include "soundsettings.h"

#ifdef TASQUILL_BENCHMARK_EXIT
#include "exitforbenchmark.h"
#endif

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QSplashScreen>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

Q_LOGGING_CATEGORY(lcStart, "tasquill.start")

// The user's data folder, made where missing; empty when it cannot be made.
QString userDataFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/tasquill");
    return QDir().mkpath(folder) ? folder : QString();
}

// A sub-command: a terminal's or a script's, with no window and no display.
int runCommand(int argc, char *argv[], const CommandLine &commandLine)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString folder = commandLine.dir.isEmpty() ? userDataFolder() : commandLine.dir;
    if (folder.isEmpty()) {
        err << QStringLiteral("无法建立用户数据文件夹，请检查它所在的文件夹是否可以写入。")
            << Qt::endl;
        return Commands::Unusable;
    }
    if (commandLine.command == QLatin1String("sync")) {
        // The sync is a program of its own (see src/sync): this start becomes it.
        const QByteArray helper =
            QDir(QCoreApplication::applicationDirPath())
                .filePath(QStringLiteral(TASQUILL_HELPER_DIR "/tasquill-sync"))
                .toLocal8Bit();
        QList<QByteArray> words{helper, "--dir", folder.toLocal8Bit()};
        for (const QString &argument : commandLine.commandArguments)
            words << argument.toLocal8Bit();
        std::vector<char *> argv2;
        for (QByteArray &word : words)
            argv2.push_back(word.data());
        argv2.push_back(nullptr);
        execv(helper.constData(), argv2.data());
        err << QStringLiteral("无法启动同步程序 %1，请重新安装 Tasquill。")
                   .arg(QString::fromLocal8Bit(helper))
            << Qt::endl;
        return Commands::Unusable;
    }
    return Commands(folder, out, err)
        .run(commandLine.command, commandLine.commandArguments, Clock::now());
}

} // namespace

int main(int argc, char *argv[])
{
    // What the program creates (its database and journal, settings, sound, data folder)
    // is the user's alone.
    umask(077);
    QCoreApplication::setApplicationName(QStringLiteral("tasquill"));
    // --help, --version and a wrong option are answered before anything else happens: no
    // application object, no window, no file, no instance check.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine = CommandLine::read(arguments);
    if (commandLine.exitCode) {
        std::fputs(commandLine.text.toLocal8Bit().constData(),
                   *commandLine.exitCode == 0 ? stdout : stderr);
        return *commandLine.exitCode;
    }
    if (!commandLine.command.isEmpty())
        return runCommand(argc, argv, commandLine);
    const bool userData = commandLine.userData;
    // The platform, before the application object picks one (see PlatformChoice).
    const QByteArray platform =
        PlatformChoice::fromEnvironment(commandLine.platformGiven).platform();
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
    QApplication app(argc, argv);

    bool firstRun = false;
    if (userData) {
        const QString folder = userDataFolder();
        if (folder.isEmpty() || !QDir::setCurrent(folder)) {
            QMessageBox::critical(
                nullptr, QStringLiteral("Tasquill"),
                QStringLiteral("无法使用数据文件夹 %1：请检查它所在的文件夹是否可以写入。")
                    .arg(folder));
            return 1;
        }
        firstRun = !QFile::exists(QStringLiteral("event.db"));
    }

    // One instance per folder: the data folder, or the current one without --user-data.
    SingleInstance instance(QDir::currentPath());
    if (instance.isRunning()) {
        // The running instance keeps its windows as they are; this start only hands over.
        instance.sendMessage(QStringLiteral("raise_window_noop"), 5000);
        return 0;
    }

    // The built-in chime, which the default settings name, where nothing is there yet.
    SoundSettings::installDefaultSound();
    MainWindow window;
    QObject::connect(&instance, &SingleInstance::messageReceived, &window, &MainWindow::bringUp);
    QuitOnSignal quitOnSignal;
    QApplication::setQuitOnLastWindowClosed(false);
    // Without a notification area the tray menu cannot be reached: show the window instead,
    // the splash screen before it. In the tray the program is ready before a splash would
    // have been drawn.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        QSplashScreen splash(readPng(QStringLiteral(":/images/images/splashscreen.png")));
        splash.show();
        window.show();
        splash.finish(&window);
    }

    // Once, on the first start in the data folder: start at every login, as tray programs do,
    // and say where the program went.
    if (firstRun) {
        QString error;
        if (!Autostart::write(QCoreApplication::applicationFilePath(), &error))
            qCWarning(lcStart).noquote() << error;
        window.greet();
    }

#ifdef TASQUILL_BENCHMARK_EXIT
    // Built for the start-up benchmark only: leave at once, without tidying up, when the
    // event loop runs (TASQUILL_EXIT_AT=loop) or the tray icon has been drawn (=tray).
    ExitForBenchmark exitForBenchmark(qgetenv("TASQUILL_EXIT_AT"));
#endif

    return app.exec();
}
