#include "dbfile.h"
#include "dialogrecorder.h"
#include "files.h"
#include "findwidgets.h"
#include "mainwindow.h"
#include "missedwindow.h"
#include "msgwindow.h"
#include "setwindow.h"
#include "soundsetwindow.h"
#include "viewwindow.h"
#include "workspace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QSoundEffect>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTest>

using T = Schema::Table;

namespace {
// The user's day: Wednesday 5 March 2014, from 9:06:30.
const QDateTime Start(QDate(2014, 3, 5), QTime(9, 6, 30));

void clickRow(QTableView *view, int row)
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(row, 1)).center());
}
QStringList listed(const QTableView *view)
{
    return DbFile::column(rowsOf(view->model()));
}
template <typename W> W *window()
{
    return visibleWindows<W>().value(0);
}
} // namespace

// The windows as a user meets them, each reached the way the user reaches it.
class TestWindows : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        for (QWidget *widget : QApplication::topLevelWidgets())
            widget->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void aDayWithTasquill()
    {
        Workspace work(Start);
        MainWindow main;
        auto *tray = main.findChild<QSystemTrayIcon *>();
        QCOMPARE(tray->contextMenu()->actions().at(0)->text(), "打开主窗口");
        tray->contextMenu()->actions().at(0)->trigger();
        auto *today = child<QTableView>(main, "todayTableView");
        QVERIFY(main.isVisible() && listed(today).isEmpty());

        // A daily reminder for 9:07, entered on the "每天" tab, is on today's list at once,
        // its first line marked as going on.
        DialogRecorder dialogs({"", "", "yes", "yes"});
        main.callSetwindow();
        SetWindow *entry = window<SetWindow>();
        child<QTimeEdit>(*entry, "tTimeEdit")->setTime(QTime(9, 7));
        child<QTextEdit>(*entry, "tTextEdit")->setPlainText("给花浇水\n带上剪刀");
        child<QPushButton>(*entry, "tOkButton")->click();
        QCOMPARE(dialogs.shown.value(0).text, "事项设置成功！");
        QCOMPARE(listed(today), QStringList{"给花浇水 …"});
        // A once-only moment that has passed is refused.
        child<QPushButton>(*entry, "ymdOkButton")->click();
        QCOMPARE(dialogs.shown.value(1).text, "您输入的是过期时间，请重新输入！");

        // At 9:07 it pops up at the lower right and rings; "稍等" silences it, "完成" records it.
        work.setNow(Start.addSecs(35));
        main.checkReminders(work.now());
        MsgWindow *reminder = window<MsgWindow>();
        QCOMPARE(reminder->frameGeometry().bottomRight(),
                 QGuiApplication::primaryScreen()->availableGeometry().bottomRight());
        QCOMPARE(child<QTextEdit>(*reminder, "msgTextEdit")->toPlainText(), "给花浇水\n带上剪刀");
        auto *sound = main.findChild<QSoundEffect *>();
        QTRY_VERIFY(sound->isPlaying() && sound->loopCount() == QSoundEffect::Infinite);
        child<QPushButton>(*reminder, "quietButton")->click();
        QVERIFY(!sound->isPlaying() && reminder->isVisible());
        work.setNow(Start.addSecs(60));
        child<QPushButton>(*reminder, "doButton")->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!window<MsgWindow>() && listed(today).isEmpty());
        const QStringList done{"9:07", "给花浇水\n带上剪刀", "完成", "2014年3月5日 9:07", "201435"};
        QCOMPARE(DbFile::rows(T::History), Rows{done});

        // Three at once stand one above the other and ring as one chime until the last is
        // silenced; one put off for 5 minutes comes back then.
        work.addEvents({{"9:08", "一", Kind::Daily},
                        {"9:08", "二", Kind::Daily},
                        {"9:08", "三", Kind::Daily}});
        work.setNow(Start.addSecs(95));
        main.checkReminders(work.now());
        QList<MsgWindow *> three = visibleWindows<MsgWindow>();
        std::sort(three.begin(), three.end(),
                  [](QWidget *a, QWidget *b) { return a->y() > b->y(); });
        QCOMPARE(three.size(), 3);
        QCOMPARE(three[0]->frameGeometry().top(), three[1]->frameGeometry().bottom() + 1);
        QCOMPARE(three[1]->frameGeometry().top(), three[2]->frameGeometry().bottom() + 1);
        QCOMPARE(main.findChildren<QSoundEffect *>().size(), 1);
        child<QPushButton>(*three[0], "quietButton")->click();
        child<QPushButton>(*three[1], "doButton")->click();
        QVERIFY(sound->isPlaying());
        child<QPushButton>(*three[2], "laterButton")->menu()->actions().at(0)->trigger(); // 5分钟
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(visibleWindows<MsgWindow>().size(), 1);
        QVERIFY(!sound->isPlaying());
        QCOMPARE(three[0]->frameGeometry().bottomRight(),
                 QGuiApplication::primaryScreen()->availableGeometry().bottomRight());
        work.setNow(Start.addSecs(95 + 300 + 60));
        main.checkReminders(work.now());
        QCOMPARE(visibleWindows<MsgWindow>().size(), 2);
        QVERIFY(!three[0]->isHidden() && sound->isPlaying()); // the other one is 三 again
        qDeleteAll(visibleWindows<MsgWindow>());

        // The browser lists the reminders and the history; a deletion takes a reminder off.
        main.callViewwindow();
        ViewWindow *browser = window<ViewWindow>();
        QCOMPARE(listed(child<QTableView>(*browser, "hTableView")),
                 QStringList({"给花浇水 …", "二"}));
        QCOMPARE(
            child<QTableView>(*browser, "hTableView")->model()->index(0, 1).data(Qt::ToolTipRole),
            "给花浇水\n带上剪刀");
        clickRow(child<QTableView>(*browser, "allTableView"), 0);
        child<QPushButton>(*browser, "allDelButton")->click();
        QCOMPARE(listed(child<QTableView>(*browser, "allTableView")),
                 QStringList({"一", "二", "三"}));

        // With the sound switched off, the next reminder is silent.
        main.callSoundSetWindow();
        SoundSetWindow *sounds = window<SoundSetWindow>();
        QCOMPARE(child<QLineEdit>(*sounds, "soundFileLineEdit")->text(), "./dingdong.wav");
        child<QCheckBox>(*sounds, "noSoundCheckBox")->setChecked(true);
        child<QPushButton>(*sounds, "okButton")->click();
        QCOMPARE(readFile("config.txt"), QByteArray("./dingdong.wav\nclosesound\n"));
        work.addEvents({{"9:00", "早会", Kind::Daily},
                        {"9:16", "喝水", Kind::Daily},
                        {"9:00", "早会", Kind::Daily}});
        work.setNow(Start.addSecs(575));
        main.checkReminders(work.now());
        QVERIFY(window<MsgWindow>() && !sound->isPlaying());

        // An overdue item, marked done from today's list with its twin, is off the list.
        main.refresh();
        today->setCurrentIndex(today->model()->index(2, 0));
        child<QPushButton>(main, "mButton")->click();
        QCOMPARE(dialogs.shown.value(3).text, "删除说明该事项已完成，确定删除吗?");
        QCOMPARE(listed(today), QStringList({"一", "三", "喝水"}));
        QCOMPARE(DbFile::rows(T::History).last(),
                 QStringList({"9:00", "早会", "完成", "2014年3月5日 9:16", "201435"}));

        // After three hours asleep, what came meanwhile is listed in one window: "完成" records
        // the chosen ones as their reminders would, "忽略" drops them.
        work.addEvents({{"11:00", "午饭", Kind::Daily}});
        work.setNow(Start.addSecs(3 * 3600));
        main.checkReminders(work.now());
        auto *missed = window<MissedWindow>();
        auto *list = child<QTableView>(*missed, "missedTableView");
        QCOMPARE(rowsOf(list->model()), Rows({{"2014年3月5日 11:00", "11:00", "午饭"}}));
        clickRow(list, 0);
        child<QPushButton>(*missed, "doButton")->click();
        QCOMPARE(DbFile::rows(T::History).last(),
                 QStringList({"11:00", "午饭", "完成", "2014年3月5日 12:06", "201435"}));
        QVERIFY(rowsOf(list->model()).isEmpty());
        child<QPushButton>(*missed, "ignoreAllButton")->click();
        QVERIFY(!window<MissedWindow>());
    }

    // Lunar reminders from their tabs; the title names today's 二月初五, whose one is listed.
    void lunarReminders()
    {
        Workspace work(Start);
        DialogRecorder dialogs;
        MainWindow main;
        main.callSetwindow();
        SetWindow *entry = window<SetWindow>();
        child<QComboBox>(*entry, "lmComboBox")->setCurrentText("八月");
        child<QComboBox>(*entry, "ldComboBox")->setCurrentText("十五");
        child<QTextEdit>(*entry, "lTextEdit")->setPlainText("中秋");
        child<QPushButton>(*entry, "lOkButton")->click();
        child<QComboBox>(*entry, "kdComboBox")->setCurrentText("初五");
        child<QTimeEdit>(*entry, "kTimeEdit")->setTime(QTime(9, 7));
        child<QTextEdit>(*entry, "kTextEdit")->setPlainText("初五");
        child<QPushButton>(*entry, "kOkButton")->click();
        QCOMPARE(dialogs.shown.value(1).text, "事项设置成功！");
        QCOMPARE(DbFile::rows(T::Events),
                 table("农历八月十五 0:00|中秋|l; 农历每月初五 9:07|初五|k"));
        QCOMPARE(child<QLabel>(main, "tasklabel")->text(), "今日待办事项一览表（农历二月初五）");
        QCOMPARE(listed(child<QTableView>(main, "todayTableView")), QStringList{"初五"});
        main.checkReminders(Start.addSecs(35));
        QCOMPARE(child<QTextEdit>(*window<MsgWindow>(), "msgTextEdit")->toPlainText(), "初五");
        main.callViewwindow();
        QCOMPARE(listed(child<QTableView>(*window<ViewWindow>(), "allTableView")),
                 QStringList({"中秋", "初五"}));
    }

    // Another program holds the file as the program starts: the box waits for the event
    // loop, is shown once, and once the file is free the reminders and today's list come.
    void aLockedFile()
    {
        Workspace work(Start);
        work.addEvents({{"9:07", "第一", Kind::Daily},
                        {"星期三 9:07", "第二", Kind::Weekly},
                        {"3月5日 9:08", "下一分钟", Kind::Yearly}});
        auto holder = std::make_unique<SqliteDatabase>();
        QVERIFY(holder->open("event.db", SqliteDatabase::Mode::ReadWrite, 0) &&
                holder->exec("begin exclusive"));
        DialogRecorder dialogs({"", "", "", "yes"});
        MainWindow main;
        QVERIFY(dialogs.shown.isEmpty());
        QTRY_COMPARE(dialogs.shown.size(), 1);
        QVERIFY(dialogs.shown[0].text.contains(work.filePath("event.db")));
        main.checkReminders(Start.addSecs(10));
        holder.reset();
        main.checkReminders(Start.addSecs(40));
        QCoreApplication::processEvents();
        QCOMPARE(visibleWindows<MsgWindow>().size(), 2);
        QCOMPARE(listed(child<QTableView>(main, "todayTableView")).size(), 3);

        // Failures the user asked for are told each time; nothing is half done.
        main.callSetwindow();
        main.callViewwindow();
        holder = std::make_unique<SqliteDatabase>();
        QVERIFY(holder->open("event.db", SqliteDatabase::Mode::ReadWrite, 0) &&
                holder->exec("begin exclusive"));
        child<QPushButton>(*window<MsgWindow>(), "doButton")->click();
        QVERIFY(dialogs.shown.value(1).text.startsWith("事项完成失败：") && window<MsgWindow>());
        child<QPushButton>(*window<SetWindow>(), "tOkButton")->click();
        QVERIFY(dialogs.shown.value(2).text.startsWith("事项设置失败："));
        clickRow(child<QTableView>(*window<ViewWindow>(), "allTableView"), 0);
        child<QPushButton>(*window<ViewWindow>(), "allDelButton")->click();
        QVERIFY(dialogs.shown.value(4).text.startsWith("事项删除失败："));
        holder.reset();
        QCOMPARE(DbFile::rows(T::Events).size(), 3);
        QVERIFY(DbFile::rows(T::History).isEmpty());
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
