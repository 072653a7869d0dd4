#include "homepage.h"

#include "homepagehost.h"

namespace {
QString &replacedHost()
{
    static QString host;
    return host;
}

QUrl onHost(const QString &path)
{
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(HomePage::host());
    url.setPath(path);
    return url;
}
} // namespace

QString HomePage::host()
{
    return replacedHost().isEmpty() ? QStringLiteral(TASQUILL_HOME_HOST) : replacedHost();
}

QUrl HomePage::pageUrl()
{
    return onHost(QStringLiteral("/index.html"));
}

QUrl HomePage::rootUrl()
{
    return onHost(QStringLiteral("/"));
}

void HomePage::setHost(const QString &host)
{
    replacedHost() = host;
}
