#include "calendartransfer.h"

#include "calendarexport.h"
#include "eventstore.h"
#include "storeerrortext.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace CalendarTransfer {

namespace {

// A calendar of 10,000 events is a few megabytes; a file many times that is not one.
constexpr qint64 MaxCalendarBytes = 64 * 1024 * 1024;

Report unusable(const QString &text)
{
    return {Report::Outcome::Unusable, text};
}

} // namespace

Report importFile(EventStore &store, const QString &path, const QDateTime &now)
{
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return unusable(
            QStringLiteral("无法读取日历文件 %1：它不存在，或不是一个可以读取的文件。").arg(path));
    if (info.size() > MaxCalendarBytes)
        return unusable(
            QStringLiteral("日历文件 %1 太大（超过 64 MB），不是一个日历文件。").arg(path));
    const CalendarImport::Result calendar = CalendarImport::read(file.readAll(), now);
    if (!calendar.error.isEmpty())
        return {
            Report::Outcome::Refused,
            QStringLiteral("日历文件 %1 无法导入，什么也没有改动：%2").arg(path, calendar.error)};
    const std::optional<int> added = store.addEvents(calendar.events, EventStore::Twins::Skip);
    if (!added)
        return unusable(QStringLiteral("导入失败，什么也没有改动：") +
                        storeErrorText(store.lastError()));

    QString text = QStringLiteral("导入了 %1 个提醒。").arg(*added);
    if (const qsizetype twins = calendar.events.size() - *added)
        text += QStringLiteral("%1 个已经有了，没有重复导入。").arg(twins);
    if (calendar.past)
        text += QStringLiteral("%1 个一次性事项的时间已过，没有导入。").arg(calendar.past);
    if (!calendar.leftOut.isEmpty())
        text += QStringLiteral("\n以下 %1 个无法准确保持，没有导入：").arg(calendar.leftOut.size());
    for (const CalendarImport::LeftOut &item : calendar.leftOut)
        text += QStringLiteral("\n%1：%2")
                    .arg(item.summary.isEmpty() ? QStringLiteral("（无标题）") : item.summary,
                         item.reason);
    return {Report::Outcome::Done, text};
}

Report exportFile(EventStore &store, const QString &path, const QDateTime &now)
{
    const std::optional<QList<Event>> events = store.events();
    if (!events)
        return unusable(QStringLiteral("导出失败：") + storeErrorText(store.lastError()));
    const CalendarExport::Result calendar = CalendarExport::write(*events, now);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(calendar.ics) != calendar.ics.size() ||
        !file.commit()) {
        return unusable(QStringLiteral("无法写入日历文件 %1：%2").arg(path, file.errorString()));
    }
    QString text = QStringLiteral("导出了 %1 个提醒到 %2。").arg(calendar.exported).arg(path);
    if (!calendar.leftOut.isEmpty())
        text += QStringLiteral("\n以下 %1 个无法导出：\n").arg(calendar.leftOut.size()) +
                calendar.leftOut.join(u'\n');
    return {Report::Outcome::Done, text};
}

} // namespace CalendarTransfer
