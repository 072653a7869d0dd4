#pragma once

#include <QByteArray>
#include <QString>

class QUrl;
class QWidget;

// Makes promotional windows through their plugin (tasquill_adwindow, next to the
// executable), loading it on first use. Never fatal: when the plugin is missing or broken,
// or the web engine could not start without ending the whole program, there is simply no
// window.
class AdWindowLoader
{
public:
    // A new promotional window loading `page`, without parent and not yet shown; nullptr
    // when none can or may be made (the reason is logged).
    static QWidget *create(const QUrl &page);

    // Why the web engine must not start, or an empty text when it may. Chromium ends the
    // whole process when its sandbox cannot run: as root, or where new user namespaces are
    // forbidden. An advertisement is not worth an unsandboxed renderer, so then the window
    // is only made when the sandbox has been switched off on purpose
    // (QTWEBENGINE_DISABLE_SANDBOX=1).
    static QString refusal(bool runningAsRoot, bool userNamespaces,
                           const QByteArray &disableSandbox);

    // The folder holding the plugin; an empty text means the executable's folder.
    static void setPluginDirectory(const QString &directory);
};
