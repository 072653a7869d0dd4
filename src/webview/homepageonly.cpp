#include "homepageonly.h"

#include <QDesktopServices>

HomePageOnly::HomePageOnly(const QUrl &home, QObject *parent)
    : QWebEnginePage(parent), m_host(home.host())
{
}

bool HomePageOnly::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (!isMainFrame || url.host() == m_host)
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    QDesktopServices::openUrl(url);
    return false;
}

QWebEnginePage *HomePageOnly::createWindow(WebWindowType)
{
    // A link meant for a new window: its first navigation goes to the user's browser.
    auto *page = new QWebEnginePage(this);
    connect(page, &QWebEnginePage::urlChanged, page, [page](const QUrl &url) {
        QDesktopServices::openUrl(url);
        page->deleteLater();
    });
    return page;
}
