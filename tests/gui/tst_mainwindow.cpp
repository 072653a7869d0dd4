#include "dialogrecorder.h"
#include "eventstore.h"
#include "findwidgets.h"
#include "mainwindow.h"
#include "msgwindow.h"
#include "tablerows.h"
#include "workspace.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QLineEdit>
#include <QSqlQuery>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <memory>

namespace {
const QDateTime March5At1015(QDate(2014, 3, 5), QTime(10, 15));

QStringList actionTexts(const QList<QAction *> &actions)
{
    QStringList texts;
    for (const QAction *action : actions)
        texts << (action->isSeparator() ? QStringLiteral("|") : action->text());
    return texts;
}

QStringList todayTexts(MainWindow &window)
{
    QStringList texts;
    for (const QStringList &row : rowsOf(window.findChild<QTableView *>("todayTableView")->model()))
        texts << row.at(0) + "|" + row.at(1);
    return texts;
}
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formAndActions();
    void trayMenu();
    void aboutBox();
    void closingHides();
    void todayListIsReadOnlyAndInStorageOrder();
    void defaultSoundIsInstalled();

    void completeItem_data();
    void completeItem();
    void completeWithoutSelectionWritesNothing();
    void completionThatCannotBeWrittenChangesNothing();

    void damagedDatabaseIsReportedAndKept();

    void dueEventsOpenWindowsAtLowerRight();
    void reminderTimerRunsTheMinuteCheckOnlyForItsId();

private:
    std::unique_ptr<Workspace> m_work;
};

void TestMainWindow::init()
{
    m_work = std::make_unique<Workspace>(March5At1015);
    QVERIFY(m_work->isValid());
}

void TestMainWindow::cleanup()
{
    qDeleteAll(openReminders());
    m_work.reset();
}

void TestMainWindow::formAndActions()
{
    MainWindow window;
    QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window.windowTitle(), QStringLiteral(" Tasquill"));
    QVERIFY(!window.windowIcon().pixmap(16).isNull());
    QVERIFY(!window.isVisible());

    auto *label = window.findChild<QLabel *>("tasklabel");
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("今日待办事项一览表"));
    QCOMPARE(label->alignment(), Qt::AlignCenter);
    auto *button = window.findChild<QPushButton *>("mButton");
    QVERIFY(button);
    QCOMPARE(button->text(), QStringLiteral("删除所选过期事项"));

    auto *view = window.findChild<QTableView *>("todayTableView");
    QVERIFY(view);
    QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(view->horizontalHeader()->stretchLastSection());
    QVERIFY(view->verticalHeader()->isHidden());

    const struct {
        const char *name;
        const char *text;
    } actions[] = {{"setaction", "事项设置(&S)"},
                   {"aboutaction", "关于(&A)"},
                   {"viewaction", "查看(&V)"},
                   {"action_M", "铃音设置(&M)"}};
    for (const auto &expected : actions) {
        auto *action = window.findChild<QAction *>(expected.name);
        QVERIFY2(action, expected.name);
        QCOMPARE(action->text(), QString::fromUtf8(expected.text));
        QVERIFY2(!action->icon().pixmap(16).isNull(), expected.name);
    }

    auto *menuBar = window.findChild<QMenuBar *>("menuBar");
    QVERIFY(menuBar);
    QCOMPARE(actionTexts(menuBar->actions()), (QStringList{"事项(&E)", "帮助(&H)"}));
    QCOMPARE(actionTexts(window.findChild<QMenu *>("tasksetmenu")->actions()),
             (QStringList{"事项设置(&S)", "铃音设置(&M)", "|", "查看(&V)"}));
    QCOMPARE(actionTexts(window.findChild<QMenu *>("helpmenu")->actions()),
             (QStringList{"关于(&A)"}));
    auto *toolBar = window.findChild<QToolBar *>("mainToolBar");
    QVERIFY(toolBar);
    QCOMPARE(window.toolBarArea(toolBar), Qt::TopToolBarArea);
    QCOMPARE(actionTexts(toolBar->actions()),
             (QStringList{"事项设置(&S)", "查看(&V)", "铃音设置(&M)", "|", "关于(&A)"}));
}

void TestMainWindow::trayMenu()
{
    MainWindow window;
    auto *tray = window.findChild<QSystemTrayIcon *>();
    QVERIFY(tray);
    QCOMPARE(tray->toolTip(), QStringLiteral("Tasquill"));
    QVERIFY(!tray->icon().pixmap(16).isNull());
    QVERIFY(tray->contextMenu());
    const QList<QAction *> entries = tray->contextMenu()->actions();
    QCOMPARE(actionTexts(entries), (QStringList{"打开主窗口", "|", "软件主页", "|", "退出"}));

    entries.at(0)->trigger();
    QVERIFY(window.isVisible());
}

void TestMainWindow::aboutBox()
{
    MainWindow window;
    DialogRecorder dialogs;
    window.findChild<QAction *>("aboutaction")->trigger();
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown.at(0).kind, Dialogs::Kind::About);
    QCOMPARE(dialogs.shown.at(0).title, QStringLiteral("关于"));
    QVERIFY(dialogs.shown.at(0).text.startsWith(
        QStringLiteral("Tasquill说明： \n\n 软件版本：V2.0.1 \n 联系方式：QQ:")));
}

void TestMainWindow::closingHides()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.close());
    QVERIFY(!window.isVisible());
    // Still alive and working: it can be shown again from the tray.
    window.findChild<QSystemTrayIcon *>()->contextMenu()->actions().at(0)->trigger();
    QVERIFY(window.isVisible());
}

void TestMainWindow::todayListIsReadOnlyAndInStorageOrder()
{
    m_work->addEvents({{"星期三 8:00", "周会", "w"},
               {"9:07", "007", "t"},
               {"2014年3月6日 9:00", "明天", "y"},
               {"5日 12:50", "12.50", "d"}});
    MainWindow window;
    QCOMPARE(todayTexts(window), (QStringList{"星期三 8:00|周会", "9:07|007", "5日 12:50|12.50"}));

    auto *view = window.findChild<QTableView *>("todayTableView");
    QCOMPARE(view->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("时间"));
    QCOMPARE(view->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("内容"));
    window.show();
    const QModelIndex cell = view->model()->index(1, 1);
    view->setCurrentIndex(cell);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
    QTest::keyClick(view, Qt::Key_F2);
    QTest::keyClicks(view, "x");
    QVERIFY(view->findChildren<QLineEdit *>().isEmpty()); // no cell editor opened
}

void TestMainWindow::defaultSoundIsInstalled()
{
    QVERIFY(!QFile::exists("dingdong.wav"));
    {
        MainWindow window;
    }
    QFile sound("dingdong.wav");
    QVERIFY(sound.open(QIODevice::ReadOnly));
    QCOMPARE(sound.read(4), QByteArray("RIFF"));
    sound.close();

    // A sound the user put there is never replaced.
    QVERIFY(sound.open(QIODevice::WriteOnly | QIODevice::Truncate));
    sound.write("mine");
    sound.close();
    {
        MainWindow window;
    }
    QVERIFY(sound.open(QIODevice::ReadOnly));
    QCOMPARE(sound.readAll(), QByteArray("mine"));
}

void TestMainWindow::completeItem_data()
{
    QTest::addColumn<Event>("event");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("completed");
    QTest::addColumn<bool>("keptInEvents");

    const Event daily{"9:07", "喝水", "t"};
    const Event once{"2014年3月5日 9:07", "开会", "y"};
    QTest::newRow("daily, yes") << daily << "yes" << true << true;
    QTest::newRow("daily, no") << daily << "no" << false << true;
    QTest::newRow("daily, escape") << daily << "" << false << true;
    QTest::newRow("once-only, yes") << once << "yes" << true << false;
    QTest::newRow("once-only, no") << once << "no" << false << true;
}

void TestMainWindow::completeItem()
{
    QFETCH(Event, event);
    QFETCH(QString, answer);
    QFETCH(bool, completed);
    QFETCH(bool, keptInEvents);

    m_work->addEvents({event, {"10:00", "别的", "t"}, event});
    MainWindow window;
    auto *view = window.findChild<QTableView *>("todayTableView");
    view->setCurrentIndex(view->model()->index(2, 0)); // the twin of the first row
    const QString press = "2014年3月5日 10:15";

    DialogRecorder dialogs({answer});
    window.findChild<QPushButton *>("mButton")->click();
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown.at(0).title, QStringLiteral("删除事项"));
    QCOMPARE(dialogs.shown.at(0).text, QStringLiteral("删除说明该事项已完成，确定删除吗?"));

    EventStore store("event.db");
    QVERIFY(store.open());
    const QStringList item{event.time, event.content};
    if (completed) {
        QCOMPARE(store.rows("historyeventtable"),
                 (QList<QStringList>{item + QStringList{"完成", press, "201435"}}));
        QCOMPARE(store.rows("tceventtable"), (QList<QStringList>{item + QStringList{press}}));
        QCOMPARE(todayTexts(window), (QStringList{"10:00|别的"}));
    } else {
        QVERIFY(store.rows("historyeventtable").isEmpty());
        QVERIFY(store.rows("tceventtable").isEmpty());
        QCOMPARE(todayTexts(window).size(), 3);
    }
    const int eventRows = store.rows("eventtable").size();
    QCOMPARE(eventRows, keptInEvents ? 3 : 1);

    // Completed today stays completed on every rebuild that day, and a daily item is
    // back the next day.
    window.refresh();
    QCOMPARE(todayTexts(window).size(), completed ? 1 : 3);
    if (completed && keptInEvents) {
        m_work->setNow(m_work->now().addDays(1));
        window.refresh();
        QCOMPARE(todayTexts(window).size(), 3);
    }
}

void TestMainWindow::completeWithoutSelectionWritesNothing()
{
    m_work->addEvents({{"9:07", "喝水", "t"}});
    MainWindow window;
    DialogRecorder dialogs({"yes"});
    window.moveItem();
    QCOMPARE(dialogs.shown.size(), 1); // still asked
    EventStore store("event.db");
    QVERIFY(store.open());
    QVERIFY(store.rows("historyeventtable").isEmpty());
    QVERIFY(store.rows("tceventtable").isEmpty());
    QCOMPARE(todayTexts(window), (QStringList{"9:07|喝水"}));
}

void TestMainWindow::completionThatCannotBeWrittenChangesNothing()
{
    m_work->addEvents({{"9:07", "喝水", "t"}});
    MainWindow window;
    auto *view = window.findChild<QTableView *>("todayTableView");
    view->setCurrentIndex(view->model()->index(0, 0));

    // Another program holds the database while the user confirms.
    QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
    other.setDatabaseName("event.db");
    QVERIFY(other.open());
    QSqlQuery(other).exec("begin exclusive");

    DialogRecorder dialogs({"yes"});
    window.moveItem();
    QCOMPARE(dialogs.shown.size(), 2);
    QCOMPARE(dialogs.shown.at(1).kind, Dialogs::Kind::Error);
    QVERIFY(dialogs.shown.at(1).text.startsWith(QStringLiteral("事项完成失败：")));
    QVERIFY(dialogs.shown.at(1).text.contains(QDir::current().absoluteFilePath("event.db")));

    QSqlQuery(other).exec("rollback");
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase("other");

    EventStore store("event.db");
    QVERIFY(store.open());
    QVERIFY(store.rows("historyeventtable").isEmpty());
    QVERIFY(store.rows("tceventtable").isEmpty());
    QCOMPARE(store.rows("todayeventtable").size(), 1);
}

void TestMainWindow::damagedDatabaseIsReportedAndKept()
{
    const QByteArray garbage("this is not a database, just some text the user had here\n");
    QFile file("event.db");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(garbage.repeated(100));
    file.close();

    DialogRecorder dialogs;
    MainWindow window;
    QVERIFY(!dialogs.shown.isEmpty());
    QCOMPARE(dialogs.shown.at(0).kind, Dialogs::Kind::Error);
    QVERIFY(dialogs.shown.at(0).text.contains(QDir::current().absoluteFilePath("event.db")));
    // Said once, not again at every refresh or tick.
    window.refresh();
    window.checkReminders(m_work->now().addSecs(60));
    QCOMPARE(dialogs.shown.size(), 1);

    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), garbage.repeated(100));
}

void TestMainWindow::dueEventsOpenWindowsAtLowerRight()
{
    m_work->addEvents({{"10:16", "第一", "t"},
               {"星期三 10:16", "第二", "w"},
               {"10:16", "第一", "t"},
               {"3月5日 10:17", "下一分钟", "m"}});
    MainWindow window;
    window.checkReminders(m_work->now()); // 10:15: nothing due
    QVERIFY(openReminders().isEmpty());

    window.checkReminders(m_work->now().addSecs(61)); // 10:16:01
    const QList<MsgWindow *> windows = openReminders();
    QCOMPARE(windows.size(), 3);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    for (MsgWindow *reminder : windows) {
        const QRect frame = reminder->frameGeometry();
        QCOMPARE(frame.topLeft(), QPoint(area.width() - frame.width(), area.height() - frame.height()));
        QVERIFY(reminder->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }

    // A second tick inside the same minute opens nothing more.
    window.checkReminders(m_work->now().addSecs(100));
    QCOMPARE(openReminders().size(), 3);
}

void TestMainWindow::reminderTimerRunsTheMinuteCheckOnlyForItsId()
{
    m_work->addEvents({{"10:16", "喝水", "t"}});
    MainWindow window;
    m_work->setNow(m_work->now().addSecs(61));

    QTimerEvent other(window.adTimerId() + window.reminderTimerId() + 1000);
    QCoreApplication::sendEvent(&window, &other);
    QVERIFY(openReminders().isEmpty());

    QTimerEvent reminder(window.reminderTimerId());
    QCoreApplication::sendEvent(&window, &reminder);
    QCOMPARE(openReminders().size(), 1);
    QVERIFY(window.reminderTimerId() != 0);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
