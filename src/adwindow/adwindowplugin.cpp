#include "adwindowplugin.h"

#include "adwindow.h"

#include <QCoreApplication>

QWidget *AdWindowPlugin::createAdWindow(const QUrl &page)
{
    auto *window = new AdWindow(page);
    // Closed windows are only hidden and have no owner, yet a web page must be gone before
    // the web engine shuts down with the application, or it shuts down in disorder.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, window, &QObject::deleteLater);
    return window;
}
