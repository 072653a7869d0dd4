#pragma once

#include <QDate>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

// The official working days of mainland China, on which a 工作日 reminder comes: Monday to
// Friday except the public holidays, plus the weekend days that the State Council's yearly
// schedule makes working days (调休上班). The schedules are read from workdays.txt, once,
// at the first question: the data folder's own copy when there is one (so that next year's
// schedule reaches users without a new program), else the one installed with the program.
// A year the file does not cover, and a file that cannot be read, count Monday to Friday
// and are told once.
class WorkdayCalendar
{
public:
    static inline const QString FileName = QStringLiteral("workdays.txt");

    // The schedules of the data folder `folder` or, where it has no workdays.txt, of
    // `installed`.
    WorkdayCalendar(const QString &folder, const QString &installed);

    // The calendar the program asks, of its working folder (see useFolder()) and of
    // share/tasquill beside the program.
    static WorkdayCalendar &shared();
    // Asks `folder`'s file from now on (a command run on another folder).
    void useFolder(const QString &folder);

    bool isWorkingDay(const QDate &date);
    // What the user has not been told yet, in Chinese; each is given once.
    QStringList takeNotices();

private:
    void load();
    bool read(const QString &path);

    QString m_folder;
    QString m_installed;
    QString m_path; // the file read
    bool m_loaded = false;
    bool m_usable = false;
    int m_firstYear = 0;
    int m_lastYear = -1;
    QHash<QDate, bool> m_exceptions; // a weekend day worked (true) or a holiday (false)
    QSet<int> m_toldYears;
    QStringList m_notices;
};
