#pragma once

#include <QList>
#include <QObject>

class QProcess;
class QUrl;

// The promotional window, shown by a helper program of its own (tasquill-webview, in
// lib/tasquill beside the program's bin folder), so that the web engine never runs in the
// reminder program: should it crash or refuse to start, the program goes on, without a
// window. The helpers still showing a window end with the program.
class Promotion : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Promotion() override;

    // Starts a helper showing `page` at the lower right of the work area; false, with the
    // reason logged, when it cannot be started.
    bool show(const QUrl &page);

private:
    QList<QProcess *> m_helpers;
};
