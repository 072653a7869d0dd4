#include "workdaycalendar.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

// A file many times the size of every schedule since 2004 is not one.
constexpr qint64 MaxFileBytes = 1024 * 1024;

} // namespace

WorkdayCalendar::WorkdayCalendar(const QString &folder, const QString &installed)
    : m_folder(folder), m_installed(installed)
{
}

WorkdayCalendar &WorkdayCalendar::shared()
{
    static WorkdayCalendar calendar(
        QString(), QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                   QStringLiteral("/../share/tasquill/") + FileName));
    return calendar;
}

void WorkdayCalendar::useFolder(const QString &folder)
{
    m_folder = folder;
    m_loaded = false;
}

bool WorkdayCalendar::isWorkingDay(const QDate &date)
{
    load();
    const auto exception = m_exceptions.constFind(date);
    if (exception != m_exceptions.cend())
        return *exception;
    if (m_usable && (date.year() < m_firstYear || date.year() > m_lastYear) &&
        !m_toldYears.contains(date.year())) {
        m_toldYears.insert(date.year());
        m_notices << QStringLiteral("工作日提醒：数据文件 %1 中没有 %2 年的法定节假日和调休安排，"
                                    "这一年暂按星期一至星期五提醒。新的安排公布后，请更新 "
                                    "Tasquill，或把新的 %3 放进数据文件夹。")
                         .arg(QDir::toNativeSeparators(m_path))
                         .arg(date.year())
                         .arg(FileName);
    }
    return date.dayOfWeek() <= 5;
}

QStringList WorkdayCalendar::takeNotices()
{
    return std::exchange(m_notices, {});
}

void WorkdayCalendar::load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    m_exceptions.clear();
    m_toldYears.clear();
    const QString own =
        QDir(m_folder.isEmpty() ? QDir::currentPath() : m_folder).filePath(FileName);
    m_path = QFile::exists(own) ? own : m_installed;
    m_usable = read(m_path);
    if (!m_usable) {
        m_exceptions.clear();
        m_notices << QStringLiteral("工作日提醒：无法读取数据文件 %1，暂按星期一至星期五提醒，"
                                    "不考虑法定节假日和调休。请重新安装 Tasquill，或在数据文件夹中"
                                    "放一个完好的 %2。")
                         .arg(QDir::toNativeSeparators(m_path), FileName);
    }
}

// The file: comment lines (#), one line "年份 2004-2026" naming the years covered, then
// a line a day: "2024-02-04 班" (a weekend day worked) or "2024-02-12 休" (a holiday).
bool WorkdayCalendar::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxFileBytes)
        return false;
    static const QRegularExpression years(QStringLiteral("^年份 (\\d{4})-(\\d{4})$"));
    static const QRegularExpression day(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2}) ([班休])$"));
    bool yearsRead = false;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QString text = line.trimmed();
        if (text.isEmpty() || text.startsWith(u'#'))
            continue;
        if (const QRegularExpressionMatch match = years.match(text); match.hasMatch()) {
            m_firstYear = match.captured(1).toInt();
            m_lastYear = match.captured(2).toInt();
            yearsRead = m_firstYear <= m_lastYear;
            continue;
        }
        const QRegularExpressionMatch match = day.match(text);
        const QDate date = QDate::fromString(match.captured(1), Qt::ISODate);
        if (!match.hasMatch() || !date.isValid())
            return false;
        m_exceptions.insert(date, match.captured(2) == QStringLiteral("班"));
    }
    return yearsRead;
}
