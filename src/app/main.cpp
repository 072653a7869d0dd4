#include "autostart.h"
#include "exitforbenchmark.h"
#include "lazyicon.h"
#include "mainwindow.h"
#include "projectconfig.h"
#include "quitonsignal.h"
#include "singleinstance.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QSplashScreen>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(lcStart, "tasquill.start")

// Answers --help and --version on the terminal (and exits), before anything else happens:
// no window, no file, no instance check. True when --user-data was given.
bool readCommandLine(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("tasquill"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TASQUILL_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tasquill：定时提醒和今日待办事项。它在通知区域运行，"
                       "把提醒、今日待办和历史记录保存在当前文件夹的 event.db 中。"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption userData(
        QStringLiteral("user-data"),
        QStringLiteral("在用户数据文件夹（$XDG_DATA_HOME/tasquill）中运行，"
                       "并在那里第一次启动时设置登录后自动启动。"));
    parser.addOption(userData);
    // An application object only to answer (help, version, a wrong option) and leave: a
    // plain start does without the cost of making one more.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!parser.parse(arguments) || parser.isSet(QStringLiteral("help")) ||
        parser.isSet(QStringLiteral("version"))) {
        QCoreApplication app(argc, argv);
        parser.process(app);
    }
    return parser.isSet(userData);
}

} // namespace

int main(int argc, char *argv[])
{
    // What the program creates (its database and journal, settings, sound, data folder)
    // is the user's alone.
    umask(077);
    const bool userData = readCommandLine(argc, argv);
    QApplication app(argc, argv);

    bool firstRun = false;
    if (userData) {
        const QString folder =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
            QStringLiteral("/tasquill");
        if (!QDir().mkpath(folder) || !QDir::setCurrent(folder)) {
            QMessageBox::critical(
                nullptr, QStringLiteral("Tasquill"),
                QStringLiteral("无法使用数据文件夹 %1：请检查它所在的文件夹是否可以写入。")
                    .arg(folder));
            return 1;
        }
        firstRun = !QFile::exists(QStringLiteral("event.db"));
    }

    SingleInstance instance;
    if (instance.isRunning()) {
        // The running instance keeps its windows as they are; this start only hands over.
        instance.sendMessage(QStringLiteral("raise_window_noop"), 5000);
        return 0;
    }

    MainWindow window;
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

    // For the start-up benchmark: leave at once, without tidying up, when the event loop
    // runs (TASQUILL_EXIT_AT=loop) or the tray icon has been drawn (=tray).
    ExitForBenchmark exitForBenchmark(qgetenv("TASQUILL_EXIT_AT"));

    return app.exec();
}
