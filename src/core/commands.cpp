#include "commands.h"

#include "calendartransfer.h"
#include "eventstore.h"
#include "schedule.h"
#include "storeerrortext.h"
#include "workdaycalendar.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>

namespace {

// Each sub-command and how many arguments it takes after its name.
struct Usage
{
    const char *name;
    int least, most;
};
// "sync" is run by its helper program, which reads its arguments.
constexpr Usage Usages[] = {
    {"list", 0, 1}, {"add", 2, 2}, {"export", 1, 1}, {"import", 1, 1}, {"sync", 0, 8}};

} // namespace

QStringList Commands::names()
{
    QStringList names;
    for (const Usage &usage : Usages)
        names << QLatin1String(usage.name);
    return names;
}

Commands::Commands(const QString &folder, QTextStream &out, QTextStream &err)
    : m_fileName(QDir(folder).filePath(QStringLiteral("event.db"))), m_out(out), m_err(err)
{
    WorkdayCalendar::shared().useFolder(folder);
}

Commands::Exit Commands::run(const QString &command, const QStringList &arguments,
                             const QDateTime &now)
{
    const auto usage = std::find_if(std::begin(Usages), std::end(Usages), [&](const Usage &u) {
        return command == QLatin1String(u.name);
    });
    if (usage == std::end(Usages) || arguments.size() < usage->least ||
        arguments.size() > usage->most)
        return fail(
            Refused,
            QStringLiteral("tasquill %1：参数个数不对，请看 tasquill --help。").arg(command));
    if (!QFileInfo(m_fileName).dir().exists())
        return fail(Unusable,
                    QStringLiteral("找不到文件夹 %1。").arg(QFileInfo(m_fileName).absolutePath()));
    if (command == QLatin1String("list")) {
        const Exit exit = list(arguments, now);
        for (const QString &notice : WorkdayCalendar::shared().takeNotices())
            m_err << notice << Qt::endl;
        return exit;
    }
    if (command == QLatin1String("add"))
        return add(arguments, now);

    EventStore store(m_fileName);
    if (!store.open())
        return fail(Unusable, storeErrorText(store.lastError()));
    const CalendarTransfer::Report report =
        command == QLatin1String("export")
            ? CalendarTransfer::exportFile(store, arguments.at(0), now)
            : CalendarTransfer::importFile(store, arguments.at(0), now);
    if (report.outcome != CalendarTransfer::Report::Outcome::Done)
        return fail(report.outcome == CalendarTransfer::Report::Outcome::Refused ? Refused
                                                                                 : Unusable,
                    report.text);
    m_out << report.text << Qt::endl;
    return Done;
}

Commands::Exit Commands::list(const QStringList &arguments, const QDateTime &now)
{
    const QDate date =
        arguments.isEmpty() ? now.date() : QDate::fromString(arguments.at(0), Qt::ISODate);
    if (!date.isValid())
        return fail(Refused, QStringLiteral("日期 %1 不对：请写作 yyyy-MM-dd，如 2027-03-05。")
                                 .arg(arguments.value(0)));
    EventStore store(m_fileName);
    std::optional<QList<TodayItem>> items;
    if (!store.open() || !(items = store.dayList(date)))
        return fail(Unusable, storeErrorText(store.lastError()));
    // In the order of the day's minutes; reminders of one minute as they are stored.
    QList<std::pair<int, TodayItem>> byMinute;
    for (const TodayItem &item : std::as_const(*items)) {
        const std::optional<Schedule> schedule = Schedule::read(item.time);
        byMinute.append({schedule ? schedule->time.msecsSinceStartOfDay() : 0, item});
    }
    std::stable_sort(byMinute.begin(), byMinute.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &[minute, item] : std::as_const(byMinute)) {
        m_out << item.time << u'\t' << QString(item.content).replace(u'\n', QLatin1String("\\n"))
              << u'\n';
    }
    m_out.flush();
    return Done;
}

Commands::Exit Commands::add(const QStringList &arguments, const QDateTime &now)
{
    const std::optional<Schedule> schedule = Schedule::read(arguments.at(0));
    if (!schedule)
        return fail(Refused,
                    QStringLiteral("时间 “%1” 的写法不对。请照这些例子写：9:07、星期三 9:07、"
                                   "5日 9:07、3月5日 9:07、2027年3月5日 9:07、农历八月十五 9:00、"
                                   "农历每月初一 8:00、工作日 9:00。")
                        .arg(arguments.at(0)));
    // A once-only reminder must lie ahead, or it could never fire.
    if (schedule->kind == Kind::Once && !(now < QDateTime(schedule->date, schedule->time)))
        return fail(Refused, QStringLiteral("您输入的是过期时间，请重新输入！"));
    EventStore store(m_fileName);
    if (!store.open() || !store.addEvent({arguments.at(0), arguments.at(1), schedule->kind}))
        return fail(Unusable, QStringLiteral("事项设置失败：") + storeErrorText(store.lastError()));
    m_out << QStringLiteral("事项设置成功！") << Qt::endl;
    return Done;
}

Commands::Exit Commands::fail(Exit exit, const QString &message)
{
    m_err << message << Qt::endl;
    return exit;
}
