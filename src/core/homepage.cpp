#include "homepage.h"

#include "projectconfig.h"

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

bool HomePage::isPlaceholder()
{
    const QString name = host().toLower();
    for (const char *reserved : {".example", ".invalid", ".test"}) {
        if (name.endsWith(QLatin1String(reserved)) || name == QLatin1String(reserved + 1))
            return true;
    }
    return false;
}

QUrl HomePage::pageUrl()
{
    return onHost(QStringLiteral("/index.html"));
}

QUrl HomePage::rootUrl()
{
    return onHost(QStringLiteral("/"));
}
