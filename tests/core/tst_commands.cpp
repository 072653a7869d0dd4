#include "commands.h"
#include "workspace.h"

#include <QProcess>
#include <QTextStream>

static const QDateTime Now(QDate(2014, 3, 5), QTime(10, 0)); // a Wednesday, 农历二月初五

// A sub-command run in the workspace's folder: its exit code, its output and its messages.
struct Ran
{
    int exit;
    QString out, err;
};
static Ran run(const QString &command, const QStringList &arguments, const QString &folder = ".")
{
    Ran ran;
    QTextStream out(&ran.out), err(&ran.err);
    ran.exit = Commands(folder, out, err).run(command, arguments, Now);
    return ran;
}

class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    // `list` prints what today's list holds on that date, in the order of the day's minutes.
    void listIsTheDaysList()
    {
        Workspace workspace;
        const auto store = workspace.openStore();
        workspace.addEvents({{"5日 0:00", "月", Kind::Monthly},
                             {"9:07", "每天\n两行", Kind::Daily},
                             {"8:00", "早", Kind::Daily},
                             {"星期三 9:07", "周三", Kind::Weekly},
                             {"3月5日 12:00", "年", Kind::Yearly},
                             {"2014年3月6日 9:00", "明天", Kind::Once},
                             {"星期四 9:00", "周四", Kind::Weekly},
                             {"农历每月初五 23:00", "每月", Kind::LunarMonthly},
                             {"2014年3月5日 9:00", "一次", Kind::Once},
                             {"农历二月初五 6:30", "农历", Kind::LunarYearly}});
        QVERIFY(store->completeTodayItem({"8:00", "早"}, Now.addSecs(-3600)));
        QVERIFY(store->rebuildToday(Now.date()));
        const QStringList expected = {"5日 0:00\t月",
                                      "农历二月初五 6:30\t农历",
                                      "2014年3月5日 9:00\t一次",
                                      "9:07\t每天\\n两行",
                                      "星期三 9:07\t周三",
                                      "3月5日 12:00\t年",
                                      "农历每月初五 23:00\t每月"};
        QStringList window;
        const QList<TodayItem> today = store->todayList(Now.date()).value();
        for (const TodayItem &item : today)
            window << item.time + '\t' + QString(item.content).replace('\n', "\\n");
        for (const QStringList &arguments : {QStringList{"2014-03-05"}, QStringList()}) {
            const Ran ran = run("list", arguments);
            QCOMPARE(ran.exit, Commands::Done);
            QCOMPARE(ran.out.split('\n', Qt::SkipEmptyParts), expected);
        }
        std::sort(window.begin(), window.end());
        QStringList sorted = expected;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(window, sorted);
    }

    // `add` stores a time text of any kind as the entry window writes it, with its kind, and
    // refuses anything else (and a moment that has passed) without writing.
    void add_data()
    {
        columns<QString, QString>("time", "code");
        for (auto [time, code] : {std::pair{"2014年3月5日 10:01", "y"},
                                  {"1月31日 9:07", "m"},
                                  {"5日 9:07", "d"},
                                  {"9:07", "t"},
                                  {"星期三 9:07", "w"},
                                  {"农历八月十五 9:00", "l"},
                                  {"农历每月初一 8:00", "k"},
                                  {"工作日 9:00", "g"},
                                  {"2014年3月5日 10:00", ""},
                                  {"09:07", ""},
                                  {"3月5日9:07", ""},
                                  {"13月5日 9:07", ""},
                                  {"星期八 9:07", ""},
                                  {"农历闰八月十五 9:00", ""},
                                  {"农历八月十五日 9:00", ""},
                                  {"9:7", ""},
                                  {"", ""}})
            row(time, QString(time), QString(code));
    }
    void add()
    {
        QFETCH(QString, time);
        QFETCH(QString, code);
        Workspace workspace;
        const Ran ran = run("add", {time, "内容"});
        QCOMPARE(ran.exit, code.isEmpty() ? Commands::Refused : Commands::Done);
        QCOMPARE(ran.err.isEmpty(), !code.isEmpty());
        Rows stored;
        if (!code.isEmpty())
            stored.append({time, "内容", code});
        QCOMPARE(QFile::exists("event.db") ? DbFile::rows(T::Events) : Rows(), stored);
    }

    // A folder that is not there, or an event.db that is no database: exit code 2, a message,
    // and the file as it was.
    void filesThatCannotBeUsed()
    {
        Workspace workspace;
        writeFile("event.db", "不是数据库");
        for (const auto &[command, arguments] :
             {std::pair{"list", QStringList()}, {"add", {"9:07", "x"}}, {"export", {"out.ics"}}}) {
            const Ran ran = run(command, arguments);
            QCOMPARE(ran.exit, Commands::Unusable);
            QVERIFY2(ran.err.contains("event.db"), qPrintable(ran.err));
        }
        QCOMPARE(run("list", {}, "missing").exit, Commands::Unusable);
        QCOMPARE(run("add", {"9:07"}).exit, Commands::Refused); // no content
        QCOMPARE(readFile("event.db"), QByteArray("不是数据库"));
        QVERIFY(!QFile::exists("out.ics"));
    }

    // The program itself, with no display at all: a script adds, exports to another
    // computer's folder, imports there and lists.
    void withoutADisplay()
    {
        Workspace workspace;
        QVERIFY(QDir().mkdir("other"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        const auto tasquill = [&](const QStringList &arguments) {
            QProcess process;
            process.setProcessEnvironment(environment);
            process.start(qEnvironmentVariable("TASQUILL_BINARY"), arguments);
            return process.waitForFinished(20000) && process.exitCode() == 0
                       ? QString::fromUtf8(process.readAllStandardOutput())
                       : "failed: " + process.readAllStandardError();
        };
        tasquill({"add", "--dir", ".", "星期三 9:07", "周会"});
        tasquill({"export", "--dir", ".", "all.ics"});
        QVERIFY(tasquill({"import", "--dir", "other", "all.ics"}).startsWith("导入了 1 个提醒"));
        QCOMPARE(tasquill({"list", "--dir", "other", "2014-03-05"}), "星期三 9:07\t周会\n");
    }
};

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_commands.moc"
