#include "setwindow.h"
#include "soundsettings.h"
#include "soundsetwindow.h"
#include "viewwindow.h"
#include "windows.h"

// A day with one Tasquill from 9:06:30 on Wednesday 5 March 2014 (农历二月初五), slot by slot.
class TestDay : public QObject
{
    Q_OBJECT
    const QDateTime Start{QDate(2014, 3, 5), QTime(9, 6, 30)};
    std::unique_ptr<Workspace> m_work;
    std::unique_ptr<MainWindow> m_main;
    const QStringList m_done{"9:07", "给花浇水\n带上剪刀", "完成", "2014年3月5日 9:07", "201435"};

    // The program's clock `seconds` after the start, and the check it makes then.
    void tick(int seconds)
    {
        m_work->setNow(Start.addSecs(seconds));
        m_main->checkReminders(m_work->now());
    }

private slots:
    void initTestCase()
    {
        m_work = std::make_unique<Workspace>(Start);
        SoundSettings::installDefaultSound(); // as the program does at start
        m_main = std::make_unique<MainWindow>();
        m_main->show(); // as from the tray menu: the window is built when it is first shown
    }

    // A daily reminder entered is on today's list at once; a passed moment is refused; lunar
    // ones come from their tabs; the title names today's lunar date.
    void enteringReminders()
    {
        DialogRecorder dialogs;
        m_main->callSetwindow();
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
        QCOMPARE(child<QLabel>(*m_main, "tasklabel")->text(), "今日待办事项一览表（农历二月初五）");
        QCOMPARE(listed(*m_main, "todayTableView"), QStringList{"给花浇水 …"});
    }

    // At 9:07 it pops up at the lower right and rings; "稍等" silences it, "完成" records it.
    void aReminderRingsUntilDone()
    {
        tick(35);
        MsgWindow *reminder = window<MsgWindow>();
        QCOMPARE(reminder->frameGeometry().bottomRight(),
                 QGuiApplication::primaryScreen()->availableGeometry().bottomRight());
        QCOMPARE(shownTexts(), QStringList{"给花浇水\n带上剪刀"});
        QCOMPARE(chime(*m_main), "looping");
        press(*reminder, "quietButton");
        QVERIFY(reminder->isVisible());
        QCOMPARE(chime(*m_main), "");
        m_work->setNow(Start.addSecs(60));
        press(*reminder, "doButton");
        deleteClosedWindows();
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(listed(*m_main, "todayTableView"), QStringList());
        QCOMPARE(DbFile::rows(T::History), Rows{m_done});
    }

    // Three at once ring as one chime until the last is silenced; the one put off comes back.
    void severalAtOnceAndOnePutOff()
    {
        m_work->addEvents("9:08|一|t; 9:08|二|t; 9:08|三|t");
        tick(95);
        QList<MsgWindow *> three = visibleWindows<MsgWindow>(); // from the bottom: 一, 二, 三
        std::sort(three.begin(), three.end(), [](auto *a, auto *b) { return a->y() > b->y(); });
        QCOMPARE(shownTexts(), QStringList({"一", "三", "二"}));
        press(*three[0], "quietButton");
        press(*three[1], "doButton");
        QCOMPARE(chime(*m_main), "looping");
        child<QPushButton>(*three[2], "laterButton")->menu()->actions().at(0)->trigger(); // 5分钟
        deleteClosedWindows();
        QCOMPARE(visibleWindows<MsgWindow>(), QList{three[0]});
        QCOMPARE(chime(*m_main), "");
        tick(95 + 300 + 60);
        QCOMPARE(shownTexts().size(), 2); // the one silenced, the one put off
        qDeleteAll(visibleWindows<MsgWindow>());
    }

    // The browser lists the reminders and the history; a deletion takes a reminder off.
    void browsingAndDeleting()
    {
        m_main->callViewwindow();
        ViewWindow *browser = window<ViewWindow>();
        QCOMPARE(listed(*browser, "hTableView").size(), 2);
        QCOMPARE(
            child<QTableView>(*browser, "hTableView")->model()->index(0, 1).data(Qt::ToolTipRole),
            m_done[1]);
        child<QTableView>(*browser, "allTableView")->selectRow(0);
        DialogRecorder dialogs({"yes"});
        press(*browser, "allDelButton");
        QCOMPARE(listed(*browser, "allTableView"), QStringList({"中秋", "初六", "一", "二", "三"}));
        browser->close();
    }

    // With the sound switched off the next reminder is silent; an overdue item, marked done
    // from today's list with its twin, is off the list.
    void silentThenDoneFromTheList()
    {
        m_main->callSoundSetWindow();
        SoundSetWindow *sounds = window<SoundSetWindow>();
        child<QCheckBox>(*sounds, "noSoundCheckBox")->setChecked(true);
        press(*sounds, "okButton");
        m_work->addEvents("9:00|早会|t; 9:16|喝水|t; 9:00|早会|t");
        tick(575);
        QVERIFY(window<MsgWindow>());
        QCOMPARE(chime(*m_main), "");
        m_main->refresh();
        auto *today = child<QTableView>(*m_main, "todayTableView");
        today->setCurrentIndex(today->model()->index(2, 0));
        DialogRecorder dialogs({"yes"});
        press(*m_main, "mButton");
        QCOMPARE(listed(*m_main, "todayTableView"), QStringList({"一", "三", "喝水"}));
        QCOMPARE(DbFile::rows(T::History).last(),
                 QStringList({"9:00", "早会", "完成", "2014年3月5日 9:16", "201435"}));
        qDeleteAll(visibleWindows<MsgWindow>());
    }

    // After three hours asleep what came meanwhile is listed in one window, ringing once:
    // "忽略" drops a row and writes nothing, "完成" records one as its reminder would.
    void missedWhileAsleep()
    {
        m_work->addEvents("11:00|午饭|t; 11:30|散步|t");
        writeFile("config.txt", "./dingdong.wav\nopensound\n");
        tick(3 * 3600);
        auto *missed = window<MissedWindow>();
        QCOMPARE(chime(*m_main), "once");
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
};

QTEST_MAIN(TestDay)
#include "tst_day.moc"
