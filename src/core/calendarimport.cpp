#include "calendarimport.h"

#include "calendarreader.h"
#include "projectconfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QPluginLoader>

namespace CalendarImport {

Result read(const QByteArray &ics, const QDateTime &now)
{
    static QString problem;
    static CalendarReader *const reader = [] {
        QPluginLoader loader(QDir(QCoreApplication::applicationDirPath())
                                 .filePath(TASQUILL_HELPER_DIR "/tasquill_ical"));
        auto *loaded = qobject_cast<CalendarReader *>(loader.instance());
        if (!loaded)
            problem = loader.errorString();
        return loaded;
    }();
    if (reader)
        return reader->read(ics, now);
    Result result;
    result.error =
        QStringLiteral("无法载入读取日历的组件（%1），请重新安装 Tasquill。").arg(problem);
    return result;
}

} // namespace CalendarImport
