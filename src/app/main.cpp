#include "mainwindow.h"
#include "quitonsignal.h"
#include "singleinstance.h"

#include <QApplication>
#include <QPixmap>
#include <QSplashScreen>
#include <QSystemTrayIcon>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    SingleInstance instance;
    if (instance.isRunning()) {
        // The running instance keeps its windows as they are; this start only hands over.
        instance.sendMessage(QStringLiteral("raise_window_noop"), 5000);
        return 0;
    }

    auto *splash = new QSplashScreen(QPixmap());
    splash->setPixmap(QPixmap(QStringLiteral(":/images/images/splashscreen.png")));
    splash->show();

    MainWindow window;
    QuitOnSignal quitOnSignal;

    QApplication::setQuitOnLastWindowClosed(false);
    // Without a notification area the tray menu cannot be reached: show the window instead.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        window.show();
        splash->finish(&window);
    }
    // Waiting for the main window to appear would cost up to a second of start-up for a
    // window that stays hidden in the tray: close the splash straight away instead.
    delete splash;

    // For the start-up benchmark: measure up to the running event loop, then leave.
    if (qEnvironmentVariableIsSet("TASQUILL_EXIT_AT_EVENT_LOOP"))
        QTimer::singleShot(0, &app, &QCoreApplication::quit);

    return app.exec();
}
