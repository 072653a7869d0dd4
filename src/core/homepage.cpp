#include "homepage.h"

#include "buildconfig.h"

namespace {
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
    return QStringLiteral(TASQUILL_HOME_HOST);
}

QUrl HomePage::pageUrl()
{
    return onHost(QStringLiteral("/index.html"));
}

QUrl HomePage::rootUrl()
{
    return onHost(QStringLiteral("/"));
}
