#include "remindernotifications.h"
#include "soundsettings.h"
#include "windows.h"

#include <unistd.h>

class TestWindows : public QObject
{
    Q_OBJECT
    const QDateTime Start{QDate(2014, 3, 5), QTime(9, 6, 30)}; // a Wednesday, 农历二月初五

    static bool setReadOnly(const QString &path, bool on)
    {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner |
                                        (on ? QFile::Permissions() : QFile::WriteOwner));
        return geteuid() != 0 || QProcess::execute("chattr", {on ? "+i" : "-i", path}) == 0;
    }

private slots:
    void initTestCase() { qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus"); }
    void cleanup()
    {
        for (QWidget *widget : QApplication::topLevelWidgets())
            widget->deleteLater();
        deleteClosedWindows();
    }

    // 导出日历… on one computer, 导入日历… on another: what came in is in today's list, and
    // the user is told what was done.
    void calendarFilesFromTheMenu()
    {
        Workspace work(Start);
        work.addEvents({{"星期三 9:30", "周会", Kind::Weekly}});
        const QString ics = work.filePath("all.ics");
        DialogRecorder dialogs({ics, "", ics});
        {
            MainWindow first;
            first.show();
            child<QAction>(first, "exportCalendarAction")->trigger();
        }
        QVERIFY(QFile::remove("event.db"));
        MainWindow other;
        other.show();
        child<QAction>(other, "importCalendarAction")->trigger();
        QCOMPARE(listed(other, "todayTableView"), QStringList{"周会"});
        QCOMPARE(dialogs.shown.mid(1, 1), QStringList("导出了 1 个提醒到 " + ics + "。"));
        QVERIFY2(dialogs.shown.last().startsWith("导入了 1 个提醒。"),
                 qPrintable(dialogs.shown.last()));
    }

    // Another program adds a reminder for the next minute while the user completes one: the
    // completion's look at the file aims the wake too, and the new one comes at its minute.
    void anOutsideWriteDuringACompletion()
    {
        const QDateTime start(QDate(2014, 3, 5), QTime(9, 5, 58, 500)); // then in real time
        QElapsedTimer elapsed;
        elapsed.start();
        Workspace work;
        DialogRecorder dialogs; // no chime here: that is told
        Clock::setSource([&] { return start.addMSecs(elapsed.elapsed()); });
        work.addEvents("9:05|一|t");
        MainWindow main;
        main.checkReminders(Clock::now());
        work.addEvents("9:06|外来|t");
        press(*window<MsgWindow>(), "doButton");
        QTRY_COMPARE(shownTexts(), QStringList{"外来"});
    }

    // Sixty at once, each on screen: in a window, or in the one list that rings for those with
    // no room for one; its "完成" records a reminder as the reminder's window would.
    void sixtyAtOnce()
    {
        Workspace work(Start.addSecs(35));
        SoundSettings::installDefaultSound();
        QStringList contents;
        for (int i = 10; i < 70; ++i)
            work.addEvents({{"9:07", contents.emplaceBack(QString::number(i)), Kind::Daily}});
        MainWindow main;
        main.checkReminders(work.now());
        QCOMPARE(shownTexts(), contents);
        auto *list = child<QTableView>(*window<MissedWindow>(), "missedTableView");
        const QString first = list->model()->index(0, 2).data().toString();
        QCOMPARE(list->window()->windowTitle(), "更多提醒");
        qDeleteAll(visibleWindows<MsgWindow>());
        QTRY_COMPARE(chime(main), "looping"); // the list rings on
        list->selectRow(0);
        press(*list->window(), "doButton");
        QCOMPARE(DbFile::rows(T::History),
                 Rows({{"9:07", first, "完成", "2014年3月5日 9:07", "201435"}}));
        QTRY_VERIFY(chime(main).isEmpty());
    }

    // Without a notification service (no session bus here), a reminder meant for one shows in
    // its window.
    void aReminderWithoutANotificationService()
    {
        Workspace work;
        const auto store = work.openStore();
        ReminderNotifications notifications(*store, nullptr);
        QStringList undelivered;
        connect(&notifications, &ReminderNotifications::undelivered,
                [&](const Reminder &reminder) { undelivered << reminder.event.content; });
        notifications.show({{"9:07", "一", Kind::Daily}, Start});
        QCOMPARE(undelivered, QStringList{"一"});
    }

    // A file held at start: told once the event loop runs (a box shown while the window is
    // built would hold the clock back); a reminder's 完成 refused under a lock keeps its window.
    void aFileHeldAtStart()
    {
        Workspace work(Start);
        work.addEvents("9:07|第一|t");
        auto holder = DbFile::lock();
        DialogRecorder dialogs;
        MainWindow main;
        QVERIFY(dialogs.shown.isEmpty());
        QTRY_VERIFY(dialogs.text(0).contains(work.filePath("event.db")));
        holder.reset();
        main.checkReminders(Start.addSecs(40));
        holder = DbFile::lock();
        press(*window<MsgWindow>(), "doButton");
        QVERIFY2(dialogs.text(1).startsWith("事项完成失败：") &&
                     dialogs.text(1).contains("已锁定") &&
                     window<MsgWindow>(), // still there, to be done later
                 qPrintable(dialogs.text(1)));
    }

    // Whatever lies in the folder: told where to act, nothing unread changed, readable rows remind.
    void badFilesAreToldAndLeftAlone_data()
    {
        // An earlier version's event.db with two reminders of 9:07 is given more rows (sql);
        // then `bytes` are written to `file` ("…/": a folder in its place), event.db is cut to
        // its first `cut` bytes, and `readOnly` made so. What the user is told (empty:
        // nothing), and the reminders of 9:07 that come.
        columns<QString, QString, QByteArray, int, QString, QString, QString>(
            "sql", "file", "bytes", "cut", "readOnly", "told", "reminded");
        const QByteArray none;
        const QString both = "早会|喝水";
        row("event.db empty", "", "event.db", QByteArray(""), 0, "", "", "");
        row("event.db cut short", "", "", none, 1500, "", "这不是数据库文件", "");
        row("event.db a folder", "", "event.db/", none, 0, "", "无法打开该文件", "");
        row("event.db of another layout", // a history table a column short cannot be copied
            "create table historyeventtable(时间 QString, 内容 QString, 完成情况 QString)", "",
            none, 0, "", "无法升级数据库文件", "");
        row("event.db read-only", "", "", none, 0, "event.db", "只能读取", both);
        row("folder read-only", "", "", none, 0, ".", "只能读取", both);
        row("config.txt CR LF, Chinese path with blanks", "", "config.txt",
            QByteArray("./铃声 叮咚.wav\r\nopensound\r\n"), 0, "", "", both);
        row("sound missing", "", "config.txt", QByteArray("nope.wav\nopensound\n"), 0, "",
            "无法播放提醒铃声", both);
        row("content 1 MB (its beginning shown), emoji, quotes, blanks, broken times",
            "insert into eventtable values ('9:07', '" + QString(1 << 20, 'x') +
                "', 't'), ('9:07', '😀 ''a\"b''; drop table x;', 't'), ('9:07', '   ', 'm'), "
                "(null, null, null), ('9:7', '坏', 't'), ('09:07', '坏', 't'), "
                "('9:07 ', '坏', 't'), (' 9:07', '坏', 't')",
            "", none, 0, "", "", both + "|😀 'a\"b'; drop table x;|   |" + QString(4000, 'x'));
    }
    void badFilesAreToldAndLeftAlone()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(int, cut);
        QFETCH(QString, readOnly);
        QFETCH(QString, told);
        QFETCH(QString, reminded);
        Workspace work(Start.addSecs(60));
        SoundSettings::installDefaultSound();
        QVERIFY(QFile::copy(":/sounds/dingdong.wav", "铃声 叮咚.wav"));
        QVERIFY(DbFile::exec("create table eventtable(时间 QString, 内容 QString, 类型 QString); "
                             "create table tceventtable(时间, 内容, 完成时间); insert into "
                             "eventtable values('9:07', '早会', 't'), ('9:07', '喝水', 't')"));
        QFETCH(QString, sql);
        QVERIFY(sql.isEmpty() || DbFile::exec(sql));
        if (file.endsWith('/'))
            QVERIFY(QFile::remove(file.chopped(1)) && QDir().mkdir(file));
        else if (!file.isEmpty())
            writeFile(file, bytes);
        if (cut > 0)
            writeFile("event.db", readFile("event.db").left(cut));
        if (!readOnly.isEmpty() && !setReadOnly(readOnly, true))
            QSKIP("nothing stops a write here");
        const QByteArray before = readFile("event.db");

        DialogRecorder dialogs;
        auto main = std::make_unique<MainWindow>();
        main->checkReminders(work.now());
        QStringList expected = reminded.split('|', Qt::SkipEmptyParts);
        expected.sort();
        QCOMPARE(shownTexts(), expected);
        main->show();
        QVERIFY(listed(*main, "todayTableView").size() >= expected.size());
        QTest::qWait(500); // a sound that cannot be played shows as it is loaded
        QVERIFY2(told.isEmpty() ? dialogs.shown.isEmpty() : dialogs.shown.join('\n').contains(told),
                 qPrintable(dialogs.shown.join('\n')));
        main.reset();
        if (!readOnly.isEmpty())
            setReadOnly(readOnly, false);
        // Nothing it could not read is changed.
        QVERIFY(!reminded.isEmpty() || readFile("event.db") == before || before.isEmpty());
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
