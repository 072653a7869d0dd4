#include "synccommand.h"

#include "caldavaccount.h"
#include "calendarsync.h"
#include "clock.h"
#include "localzone.h"
#include "passwordstore.h"
#include "syncaccount.h"

#include <QCommandLineParser>
#include <QDir>
#include <QTextStream>

#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The key of an account's password in the secret store.
QString keyOf(const QUrl &server, const QString &user)
{
    return user + u'@' + server.host() + u':' + QString::number(server.port(0));
}

// A failed exchange as the command ends with it.
SyncCommand::Exit exitOf(const DavReply &reply)
{
    return reply.status == 401 || reply.status == 403 || !reply.fingerprint.isEmpty()
               ? Commands::Refused
               : Commands::Unusable;
}

QString messageOf(const DavReply &reply)
{
    if (reply.status == 401 || reply.status == 403)
        return QStringLiteral("服务器拒绝了登录：用户名或密码不对。");
    QString message = !reply.failure.isEmpty()
                          ? reply.failure
                          : QStringLiteral("服务器的回答出错（HTTP %1）。").arg(reply.status);
    if (!reply.fingerprint.isEmpty())
        message += u'\n' + SyncAccount::FingerprintLead + reply.fingerprint;
    return message;
}

// The server's address as typed, without a user name or password written into it: those
// would be kept in sync.conf.
QUrl serverOf(const QString &typed)
{
    QUrl server = QUrl::fromUserInput(typed);
    server.setUserInfo(QString());
    return server;
}

} // namespace

SyncCommand::SyncCommand(const QString &folder, QTextStream &out, QTextStream &err)
    : m_folder(folder), m_out(out), m_err(err)
{
}

SyncCommand::Exit SyncCommand::fail(Exit exit, const QString &message)
{
    m_err << message << Qt::endl;
    return exit;
}

std::optional<QString> SyncCommand::passwordFromInput()
{
    // On a terminal the password is asked for and not shown.
    termios saved{};
    const bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        m_err << QStringLiteral("密码：") << Qt::flush;
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    QTextStream in(stdin);
    QString line;
    const bool read = in.readLineInto(&line, 4096);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        m_err << Qt::endl;
    }
    if (!read)
        return std::nullopt;
    return line;
}

SyncCommand::Exit SyncCommand::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption set(QStringLiteral("set"));
    const QCommandLineOption calendars(QStringLiteral("calendars"));
    const QCommandLineOption calendar(QStringLiteral("calendar"), QString(),
                                      QStringLiteral("NAME"));
    const QCommandLineOption trust(QStringLiteral("trust"), QString(),
                                   QStringLiteral("FINGERPRINT"));
    parser.addOptions({set, calendars, calendar, trust});
    const QString usage = QStringLiteral("tasquill sync：参数不对，请看 tasquill --help。");
    if (!parser.parse(QStringList{QStringLiteral("tasquill sync")} + arguments))
        return fail(Commands::Refused, parser.errorText() + u'\n' + usage);
    const QStringList positional = parser.positionalArguments();
    const bool account = parser.isSet(set) || parser.isSet(calendars);
    if (parser.isSet(set) && parser.isSet(calendars))
        return fail(Commands::Refused, usage);
    if (account != (positional.size() == 2) || (!account && !positional.isEmpty()) ||
        (!parser.isSet(set) && parser.isSet(calendar)))
        return fail(Commands::Refused, usage);
    if (!QDir(m_folder).exists())
        return fail(Commands::Unusable, QStringLiteral("找不到文件夹 %1。").arg(m_folder));
    if (parser.isSet(calendars))
        return listCalendars(positional.at(0), positional.at(1), parser.value(trust));
    if (parser.isSet(set)) {
        const QString name =
            parser.isSet(calendar) ? parser.value(calendar) : QStringLiteral("Tasquill");
        return setAccount(positional.at(0), positional.at(1), name, parser.value(trust));
    }
    return sync();
}

std::variant<SyncCommand::Exit, SyncCommand::Login>
SyncCommand::logIn(const QString &url, const QString &user, const QString &trust)
{
    Login login;
    login.server = serverOf(url);
    if (const QString refusal = DavClient::refusalOf(login.server); !refusal.isEmpty())
        return fail(Commands::Refused, refusal);
    const std::optional<QString> password = passwordFromInput();
    if (!password)
        return fail(Commands::Refused, QStringLiteral("请在标准输入中给出密码。"));
    login.password = *password;
    login.client =
        std::make_unique<DavClient>(login.server, DavClient::Options{user, *password, trust});
    login.found = CalDavAccount(*login.client, login.server).calendars();
    if (!login.found.failed.ok())
        return fail(exitOf(login.found.failed), messageOf(login.found.failed));
    return login;
}

SyncCommand::Exit SyncCommand::listCalendars(const QString &url, const QString &user,
                                             const QString &trust)
{
    auto login = logIn(url, user, trust);
    if (const Exit *exit = std::get_if<Exit>(&login))
        return *exit;
    for (const CalDavAccount::Calendar &calendar : std::get<Login>(login).found.calendars)
        m_out << calendar.name << u'\n';
    m_out.flush();
    return Commands::Done;
}

SyncCommand::Exit SyncCommand::setAccount(const QString &url, const QString &user,
                                          const QString &name, const QString &trust)
{
    auto loggedIn = logIn(url, user, trust);
    if (const Exit *exit = std::get_if<Exit>(&loggedIn))
        return *exit;
    const Login &login = std::get<Login>(loggedIn);
    const QUrl &server = login.server;
    const CalDavAccount::Found &found = login.found;
    std::optional<CalDavAccount::Calendar> chosen;
    for (const CalDavAccount::Calendar &calendar : found.calendars) {
        if (calendar.name == name && !chosen)
            chosen = calendar;
    }
    if (!chosen) {
        CalDavAccount::Calendar made;
        const DavReply reply = CalDavAccount(*login.client, server).make(found.home, name, &made);
        if (!reply.ok())
            return fail(exitOf(reply), QStringLiteral("无法在服务器上新建日历 “%1”：").arg(name) +
                                           messageOf(reply));
        chosen = made;
        m_out << QStringLiteral("已在服务器上新建日历 “%1”。").arg(name) << Qt::endl;
    }
    const std::optional<PasswordStore::Place> place =
        PasswordStore(m_folder, keyOf(server, user)).save(login.password);
    SyncAccount saved;
    saved.server = server;
    saved.user = user;
    saved.calendar = chosen->url;
    saved.calendarName = chosen->name;
    saved.fingerprint = trust;
    if (!place || !saved.save(m_folder))
        return fail(Commands::Unusable,
                    QStringLiteral("无法在 %1 中保存同步账户，请检查它是否可以写入。")
                        .arg(QDir::toNativeSeparators(m_folder)));
    m_out << QStringLiteral("同步账户已保存：%1 的日历 “%2”。").arg(server.host(), chosen->name)
          << Qt::endl;
    m_out << (*place == PasswordStore::Place::SecretStore
                  ? QStringLiteral("密码保存在桌面的密码库中。")
                  : QStringLiteral("没有找到桌面的密码库：密码保存在文件 %1 中，只有您可以读取。")
                        .arg(PasswordStore(m_folder, QString()).fileName()))
          << Qt::endl;
    return Commands::Done;
}

SyncCommand::Exit SyncCommand::sync()
{
    std::optional<SyncAccount> account = SyncAccount::load(m_folder);
    if (!account)
        return fail(Commands::Refused,
                    QStringLiteral("尚未设置同步账户：请在“同步设置…”中设置，或运行 "
                                   "tasquill sync --set 地址 用户名。"));
    const std::optional<QString> password =
        PasswordStore(m_folder, keyOf(account->server, account->user)).read();
    if (!password)
        return fail(Commands::Refused,
                    QStringLiteral("找不到同步账户的密码，请在“同步设置…”中重新设置。"));
    // One sync at a time in a folder: the program's and a terminal's wait for each other.
    const QByteArray lockName = QDir(m_folder).filePath(QStringLiteral("sync.lock")).toLocal8Bit();
    const int lock = ::open(lockName.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock >= 0)
        flock(lock, LOCK_EX);

    DavClient client(account->server, {account->user, *password, account->fingerprint,
                                       account->timeoutSeconds * 1000});
    CalendarSync sync(client, QDir(m_folder).filePath(QStringLiteral("event.db")),
                      account->calendar, account->calendarName, localZone());
    const CalendarSync::Report report = sync.run(Clock::now());
    account->lastSync = Clock::now();
    account->lastResult = report.text;
    account->lastFailed = report.outcome != CalendarSync::Report::Outcome::Done;
    account->save(m_folder);
    if (lock >= 0)
        ::close(lock);
    if (report.outcome == CalendarSync::Report::Outcome::Done) {
        m_out << report.text << Qt::endl;
        for (const QString &item : report.leftOut)
            m_out << QStringLiteral("未同步：") << item << u'\n';
        m_out.flush();
        return Commands::Done;
    }
    return fail(report.outcome == CalendarSync::Report::Outcome::Refused ? Commands::Refused
                                                                         : Commands::Unusable,
                QStringLiteral("同步失败：") + report.text);
}
