#include "autostart.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace Autostart {

QString entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/tasquill.desktop");
}

bool write(const QString &executable, QString *error)
{
    const QString path = entryPath();
    if (QFileInfo::exists(path))
        return true;
    QSaveFile file(path);
    // A path with blanks or quotes is quoted as the desktop entry format wants it.
    QString quoted = executable;
    quoted.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'"', QStringLiteral("\\\""))
        .replace(u'`', QStringLiteral("\\`"))
        .replace(u'$', QStringLiteral("\\$"));
    const QByteArray entry = QStringLiteral("[Desktop Entry]\n"
                                            "Type=Application\n"
                                            "Name=Tasquill\n"
                                            "Name[zh_CN]=Tasquill 定时提醒\n"
                                            "Comment=Reminders and today's to-do list\n"
                                            "Comment[zh_CN]=定时提醒和今日待办事项\n"
                                            "Exec=\"%1\" --user-data\n"
                                            "Icon=tasquill\n"
                                            "Terminal=false\n"
                                            "X-GNOME-Autostart-enabled=true\n")
                                 .arg(quoted)
                                 .toUtf8();
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly) ||
        file.write(entry) != entry.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("无法写入自动启动文件 %1：%2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace Autostart
