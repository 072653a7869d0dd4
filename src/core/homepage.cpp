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

bool HomePage::isPlaceholder(const QString &name)
{
    const QString lower = name.toLower();
    for (const char *reserved : {".example", ".invalid", ".test"}) {
        if (lower.endsWith(QLatin1String(reserved)) || lower == QLatin1String(reserved + 1))
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
