#pragma once

#include <QString>
#include <QUrl>

// The product's web site: the page the tray link opens and the root the promotional window
// shows, both on one host named when the program is built (TASQUILL_HOME_HOST). Always
// https: the promotional window has no frame and stays on top, so what it shows must not
// be replaceable by anyone on the network path.
class HomePage
{
public:
    static QString host();
    // Whether `name` lies under a name reserved never to resolve (.example, .invalid,
    // .test), as the host of a build that names no real site does.
    static bool isPlaceholder(const QString &name = host());
    // The page opened in the user's browser.
    static QUrl pageUrl();
    // The site root shown in the promotional window.
    static QUrl rootUrl();
};
