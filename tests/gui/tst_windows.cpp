#include "homepage.h"
#include "mainwindow.h"
#include "missedwindow.h"
#include "msgwindow.h"
#include "projectconfig.h"
#include "promotion.h"
#include "setwindow.h"
#include "soundsettings.h"
#include "soundsetwindow.h"
#include "viewwindow.h"
#include "windows.h"

#include <QSoundEffect>
#include <QTest>
#include <QtWidgets>

#include <csignal>
#include <unistd.h>

class TestWindows : public QObject
{
    Q_OBJECT
    const QDateTime Start{QDate(2014, 3, 5), QTime(9, 6, 30)}; // a Wednesday, 农历二月初五

    // The texts of the reminders on screen (in windows or the list inside the work area), sorted.
    static QStringList shownTexts()
    {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QStringList texts;
        for (MsgWindow *reminder : visibleWindows<MsgWindow>())
            if (area.contains(reminder->frameGeometry()))
                texts << child<QTextEdit>(*reminder, "msgTextEdit")->toPlainText();
        if (auto *list = window<MissedWindow>(); list && area.contains(list->frameGeometry()))
            for (int r = 0; r < list->findChild<QTableView *>()->model()->rowCount(); ++r)
                texts << list->findChild<QTableView *>()->model()->index(r, 2).data().toString();
        texts.sort();
        return texts;
    }
    // What the chime plays ("looping", "once", ""), asked of the sound plugin in its thread.
    static QString chime(const MainWindow &main)
    {
        QString playing, dir = QCoreApplication::applicationDirPath() + "/" TASQUILL_HELPER_DIR;
        const auto ask = [&] {
            for (auto *sound :
                 QPluginLoader(dir + "/tasquill_sound").instance()->findChildren<QSoundEffect *>())
                playing += !sound->isPlaying() ? "" : sound->loopCount() < 0 ? "looping" : "once";
        };
        QObject there; // in the sound thread; with none, asked here rather than never
        there.moveToThread(main.findChild<QThread *>());
        QMetaObject::invokeMethod(
            &there, ask, there.thread() ? Qt::BlockingQueuedConnection : Qt::DirectConnection);
        return playing;
    }
    static void deleteClosedWindows()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    static bool setReadOnly(const QString &path, bool on)
    {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner |
                                        (on ? QFile::Permissions() : QFile::WriteOwner));
        return geteuid() != 0 || QProcess::execute("chattr", {on ? "+i" : "-i", path}) == 0;
    }

private slots:
    void cleanup()
    {
        for (QWidget *widget : QApplication::topLevelWidgets())
            widget->deleteLater();
        deleteClosedWindows();
    }

    void aDayWithTasquill()
    {
        Workspace work(Start);
        SoundSettings::installDefaultSound(); // as the program does at start
        MainWindow main;
        main.show(); // as from the tray menu: the window is built when it is first shown
        const auto tick = [&](int seconds) {
            work.setNow(Start.addSecs(seconds));
            main.checkReminders(work.now());
        };
        // A daily reminder entered is on today's list at once; a passed moment is refused.
        // Lunar ones come from their tabs; the title names today's lunar date.
        DialogRecorder dialogs({"", "", "", "", "yes", "yes"});
        main.callSetwindow();
        SetWindow *entry = window<SetWindow>();
        child<QTimeEdit>(*entry, "tTimeEdit")->setTime(QTime(9, 7));
        child<QTextEdit>(*entry, "tTextEdit")->setPlainText("给花浇水\n带上剪刀");
        press(*entry, "tOkButton");
        press(*entry, "ymdOkButton");
        child<QComboBox>(*entry, "lmComboBox")->setCurrentText("八月");
        child<QComboBox>(*entry, "ldComboBox")->setCurrentText("十五");
        child<QTextEdit>(*entry, "lTextEdit")->setPlainText("中秋");
        press(*entry, "lOkButton");
        child<QComboBox>(*entry, "kdComboBox")->setCurrentText("初六");
        child<QTimeEdit>(*entry, "kTimeEdit")->setTime(QTime(9, 7));
        child<QTextEdit>(*entry, "kTextEdit")->setPlainText("初六");
        press(*entry, "kOkButton");
        QCOMPARE(dialogs.shown, QStringList({"事项设置成功！", "您输入的是过期时间，请重新输入！",
                                             "事项设置成功！", "事项设置成功！"}));
        QCOMPARE(DbFile::rows(T::Events).mid(1),
                 table("农历八月十五 0:00|中秋|l; 农历每月初六 9:07|初六|k"));
        QCOMPARE(child<QLabel>(main, "tasklabel")->text(), "今日待办事项一览表（农历二月初五）");
        QCOMPARE(listed(main, "todayTableView"), QStringList{"给花浇水 …"});

        // At 9:07 it pops up at the lower right and rings; "稍等" silences it, "完成" records it.
        tick(35);
        MsgWindow *reminder = window<MsgWindow>();
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(reminder->frameGeometry().bottomRight(), area.bottomRight());
        QCOMPARE(shownTexts(), QStringList{"给花浇水\n带上剪刀"});
        QCOMPARE(chime(main), "looping");
        press(*reminder, "quietButton");
        QVERIFY(chime(main).isEmpty() && reminder->isVisible());
        work.setNow(Start.addSecs(60));
        press(*reminder, "doButton");
        deleteClosedWindows();
        QVERIFY(!window<MsgWindow>() && listed(main, "todayTableView").isEmpty());
        const QStringList done{"9:07", "给花浇水\n带上剪刀", "完成", "2014年3月5日 9:07", "201435"};
        QCOMPARE(DbFile::rows(T::History), Rows{done});

        // Three at once stand one above another and ring as one chime; the one put off comes back.
        work.addEvents("9:08|一|t; 9:08|二|t; 9:08|三|t");
        tick(95);
        QList<MsgWindow *> three = visibleWindows<MsgWindow>(); // from the bottom: 一, 二, 三
        std::sort(three.begin(), three.end(), [](auto *a, auto *b) { return a->y() > b->y(); });
        QCOMPARE(three.size(), 3);
        QCOMPARE(three[0]->frameGeometry().top(), three[1]->frameGeometry().bottom() + 1);
        QCOMPARE(three[1]->frameGeometry().top(), three[2]->frameGeometry().bottom() + 1);
        press(*three[0], "quietButton");
        press(*three[1], "doButton");
        QCOMPARE(chime(main), "looping");
        child<QPushButton>(*three[2], "laterButton")->menu()->actions().at(0)->trigger(); // 5分钟
        deleteClosedWindows();
        QVERIFY(visibleWindows<MsgWindow>() == QList{three[0]} && chime(main).isEmpty());
        QCOMPARE(three[0]->frameGeometry().bottomRight(), area.bottomRight()); // moved down
        tick(95 + 300 + 60);
        QCOMPARE(shownTexts(), QStringList({"一", "三"}));
        qDeleteAll(visibleWindows<MsgWindow>());

        // The browser lists the reminders and the history; a deletion takes a reminder off.
        main.callViewwindow();
        ViewWindow *browser = window<ViewWindow>();
        QCOMPARE(listed(*browser, "hTableView"), QStringList({"给花浇水 …", "二"}));
        QCOMPARE(
            child<QTableView>(*browser, "hTableView")->model()->index(0, 1).data(Qt::ToolTipRole),
            done[1]);
        child<QTableView>(*browser, "allTableView")->selectRow(0);
        press(*browser, "allDelButton");
        QCOMPARE(listed(*browser, "allTableView"), QStringList({"中秋", "初六", "一", "二", "三"}));

        // With the sound switched off, the next reminder is silent.
        main.callSoundSetWindow();
        SoundSetWindow *sounds = window<SoundSetWindow>();
        child<QCheckBox>(*sounds, "noSoundCheckBox")->setChecked(true);
        press(*sounds, "okButton");
        work.addEvents("9:00|早会|t; 9:16|喝水|t; 9:00|早会|t");
        tick(575);
        QVERIFY(window<MsgWindow>() && chime(main).isEmpty());

        // An overdue item, marked done from today's list with its twin, is off the list.
        main.refresh();
        auto *today = child<QTableView>(main, "todayTableView");
        today->setCurrentIndex(today->model()->index(2, 0));
        press(main, "mButton");
        QCOMPARE(listed(main, "todayTableView"), QStringList({"一", "三", "喝水"}));
        QCOMPARE(DbFile::rows(T::History).last(),
                 QStringList({"9:00", "早会", "完成", "2014年3月5日 9:16", "201435"}));

        // After three hours asleep what came meanwhile is listed in one window, ringing once:
        // "忽略" drops a row and writes nothing, "完成" records one as its reminder would.
        work.addEvents("11:00|午饭|t; 11:30|散步|t");
        writeFile("config.txt", "./dingdong.wav\nopensound\n");
        tick(3 * 3600);
        auto *missed = window<MissedWindow>();
        QCOMPARE(chime(main), "once");
        auto *list = child<QTableView>(*missed, "missedTableView");
        QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), "应提醒时间");
        const Rows history = DbFile::rows(T::History);
        list->selectRow(0);
        press(*missed, "ignoreButton");
        QCOMPARE(DbFile::rows(T::History), history);
        list->selectRow(0);
        press(*missed, "doButton");
        QCOMPARE(DbFile::rows(T::History).mid(history.size()),
                 Rows({{"11:30", "散步", "完成", "2014年3月5日 12:06", "201435"}}));
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

    // A file held at start: told once the event loop runs, then its reminders come when free.
    void aLockedFile()
    {
        Workspace work(Start);
        work.addEvents("9:07|第一|t; 星期三 9:07|第二|w; 3月5日 9:08|三|m");
        auto holder = DbFile::lock();
        DialogRecorder dialogs;
        MainWindow main;
        QVERIFY(dialogs.shown.isEmpty());
        QTRY_VERIFY(dialogs.text(0).contains(work.filePath("event.db")));
        main.checkReminders(Start.addSecs(10));
        holder.reset();
        main.checkReminders(Start.addSecs(40));
        QCoreApplication::processEvents();
        main.show();
        QCOMPARE(visibleWindows<MsgWindow>().size(), 2);
        QCOMPARE(listed(main, "todayTableView").size(), 3);
        holder = DbFile::lock();
        press(*window<MsgWindow>(), "doButton");
        QVERIFY2(dialogs.text(1).startsWith("事项完成失败：") &&
                     dialogs.text(1).contains("已锁定") &&
                     window<MsgWindow>(), // still there, to be done later
                 qPrintable(dialogs.text(1)));
    }

    // Whatever lies in the folder: told where to act, nothing unread changed, readable rows remind.
    void badInput_data()
    {
        // What the user is told (empty: nothing); the reminders of 9:07; what is written to
        // event.db or config.txt, as the name says (null: nothing).
        columns<QString, QString, QByteArray>("told", "reminded", "bytes");
        const QByteArray none;
        const char *both = "早会|喝水", *cannotPlay = "无法播放提醒铃声";
        row("event.db empty", "", "", QByteArray(""));
        row("event.db random bytes", "这不是数据库文件", "", QByteArray(5000, 'Z'));
        row("event.db cut short", "这不是数据库文件", "", none); // its first 1500 bytes
        row("event.db a folder", "无法打开该文件", "", none);
        row("event.db of another layout", "无法升级数据库文件", "", none);
        row("event.db read-only", "只能读取", both, none);
        row("folder read-only", "只能读取", both, none);
        row("config.txt 10 MB", "config.txt（它大于 64 KB）", both, QByteArray(10 << 20, 'a'));
        row("config.txt CR LF, Chinese path with blanks", "", both,
            QByteArray("./铃声 叮咚.wav\r\nopensound\r\n"));
        row("sound missing", cannotPlay, both, QByteArray("nope.wav\nopensound\n"));
        row("content 1 MB, emoji, quotes, blanks, broken times", "",
            "早会|喝水|😀 'a\"b'; drop table x;|   ", none);
    }
    void badInput()
    {
        const QString what = QTest::currentDataTag();
        QFETCH(QString, told);
        QFETCH(QString, reminded);
        QFETCH(QByteArray, bytes);
        Workspace work(Start.addSecs(60));
        SoundSettings::installDefaultSound();
        QVERIFY(DbFile::exec("create table eventtable(时间 QString, 内容 QString, 类型 QString); "
                             "create table tceventtable(时间, 内容, 完成时间); insert into "
                             "eventtable values('9:07', '早会', 't'), ('9:07', '喝水', 't')"));
        if (what == "event.db a folder")
            QVERIFY(QFile::remove("event.db") && QDir().mkdir("event.db"));
        if (what.endsWith("another layout")) // a history table a column short cannot be copied
            QVERIFY(DbFile::exec(
                "create table historyeventtable(时间 QString, 内容 QString, 完成情况 QString)"));
        if (what.startsWith("content"))
            QVERIFY(
                DbFile::exec("insert into eventtable values ('9:07', '" + QString(1 << 20, 'x') +
                             "', 't'), ('9:07', '😀 ''a\"b''; drop table x;', 't'), "
                             "('9:07', '   ', 'm'), (null, null, null), ('9:7', '坏', 't'), "
                             "('09:07', '坏', 't'), ('9:07 ', '坏', 't'), (' 9:07', '坏', 't')"));
        QVERIFY(QFile::copy(":/sounds/dingdong.wav", "铃声 叮咚.wav"));
        if (what.endsWith("cut short"))
            bytes = readFile("event.db").left(1500);
        if (!bytes.isNull())
            writeFile(what.startsWith("event.db") ? "event.db" : "config.txt", bytes);
        if (what.contains("read-only") &&
            !setReadOnly(what.startsWith("folder") ? work.path() : "event.db", true))
            QSKIP("nothing stops a write here");
        const QByteArray before = readFile("event.db");

        DialogRecorder dialogs;
        auto main = std::make_unique<MainWindow>();
        main->checkReminders(work.now());
        QStringList expected = reminded.split('|', Qt::SkipEmptyParts);
        if (what.startsWith("content"))
            expected << QString(4000, 'x'); // only the beginning, at first
        expected.sort();
        QCOMPARE(shownTexts(), expected);
        main->show();
        QVERIFY(listed(*main, "todayTableView").size() >= expected.size());
        QTest::qWait(500); // a sound that cannot be played shows as it is loaded
        QVERIFY2(told.isEmpty() ? dialogs.shown.isEmpty() : dialogs.shown.join('\n').contains(told),
                 qPrintable(dialogs.shown.join('\n')));
        main.reset();
        setReadOnly(work.path(), false), setReadOnly("event.db", false);
        // Nothing it could not read is changed.
        QVERIFY(!reminded.isEmpty() || readFile("event.db") == before || before.isEmpty());
    }

    // The web view shows the site's root in a process of its own: its crash leaves the program
    // going, and it ends with the program. A host that can never be found is not looked up.
    void promotion()
    {
        for (const char *never : {"www.tasquill.example", "Example", "a.test", "x.INVALID"})
            QVERIFY(HomePage::isPlaceholder(never));
        QVERIFY(!HomePage::isPlaceholder("tasquill.example.org"));
        QCOMPARE(HomePage::rootUrl(), QUrl("https://www.tasquill.example/"));
        Workspace work;
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1"); // as root the tests must run without it
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-dev-shm-usage");
        auto main = std::make_unique<MainWindow>();
        const auto *promotion = main->findChild<Promotion *>();
        const auto helpers = [&] { return promotion->findChildren<QProcess *>(); };
        main->showAdWindow(QHostInfo());
        main->showAdWindow(QHostInfo());
        // Built without the web engine there is no helper: nothing shows, the program goes on.
        const bool helperBuilt =
            QFileInfo::exists(QDir(QCoreApplication::applicationDirPath())
                                  .filePath(TASQUILL_HELPER_DIR "/tasquill-webview"));
        QCOMPARE(helpers().size(), helperBuilt ? 2 : 0);
        if (!helperBuilt)
            return;
        ::kill(pid_t(helpers()[0]->processId()), SIGABRT);
        QTRY_COMPARE(helpers().size(), 1);
        const qint64 survivor = helpers()[0]->processId();
        main.reset();
        QCOMPARE(::kill(pid_t(survivor), 0), -1);
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
