#pragma once

#include <QUrl>
#include <QWebEnginePage>

// A page that stays on the host it was opened on. The window it is shown in has no frame
// and stays on top, so a link to another site opens in the user's browser instead.
class HomePageOnly : public QWebEnginePage
{
    Q_OBJECT
public:
    HomePageOnly(const QUrl &home, QObject *parent = nullptr);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;

private:
    QString m_host;
};
