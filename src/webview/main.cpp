// The promotional window, in a process of its own:
//
//   tasquill-webview <url> <x> <y>
//
// shows <url> in a window whose top left corner is at <x>, <y>, and ends when it is closed.
#include "adwindow.h"

#include <QApplication>
#include <QPoint>

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    // Chromium refuses to run as root with its sandbox and ends the process; say why
    // instead, unless the sandbox was switched off on purpose.
    if ((getuid() == 0 || geteuid() == 0) && qgetenv("QTWEBENGINE_DISABLE_SANDBOX") != "1") {
        std::fputs("tasquill-webview: not shown as root without QTWEBENGINE_DISABLE_SANDBOX=1\n",
                   stderr);
        return 2;
    }
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 4) {
        std::fputs("usage: tasquill-webview <url> <x> <y>\n", stderr);
        return 2;
    }
    AdWindow window(QUrl(arguments.at(1)));
    window.move(arguments.at(2).toInt(), arguments.at(3).toInt());
    window.show();
    return app.exec();
}
