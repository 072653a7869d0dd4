// The smallest Qt Widgets program with a tray icon: the yardstick for tasquill's start-up.
// With TASQUILL_EXIT_AT=loop it leaves as soon as its event loop runs, with =tray when its
// tray icon has been drawn, exactly like tasquill does, so both are timed over the same stretch.
#include "exitforbenchmark.h"

#include <QApplication>
#include <QColor>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

#include <unistd.h>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QPixmap pixmap(32, 32);
    pixmap.fill(QColor(0x2e, 0x7d, 0x32));

    QMenu menu;
    menu.addAction(QStringLiteral("Quit"), &app, &QCoreApplication::quit);

    const QIcon icon(pixmap);
    QSystemTrayIcon tray(icon);
    tray.setToolTip(QStringLiteral("minimal_tray"));
    tray.setContextMenu(&menu);
    tray.show();

    ExitForBenchmark exitForBenchmark(qgetenv("TASQUILL_EXIT_AT"));

    return app.exec();
}
