#include "dialogrecorder.h"
#include "files.h"
#include "findwidgets.h"
#include "mainwindow.h"
#include "tablerows.h"
#include "workspace.h"

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSqlQuery>
#include <QSystemTrayIcon>
#include <QTest>
#include <QToolBar>
#include <memory>

namespace {
// A menu's or tool bar's entries in order: "objectName:text", or "|" for a separator.
QStringList entries(const QWidget *widget)
{
    QStringList texts;
    for (const QAction *action : widget->actions()) {
        const QString name = action->objectName().isEmpty() ? "" : action->objectName() + ':';
        texts << (action->isSeparator() ? QStringLiteral("|") : name + action->text());
    }
    return texts;
}
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_work.reset(); // puts the previous working directory back first
        m_work = std::make_unique<Workspace>(QDateTime(QDate(2014, 3, 5), QTime(10, 15)));
        QVERIFY(m_work->isValid());
    }
    void cleanup() { qDeleteAll(openReminders()); }

    void windowAndTray();
    void defaultSoundIsInstalled();
    void moveItem_data();
    void moveItem();
    void damagedDatabaseIsReportedAndKept();
    void dueEventsOpenWindowsAtLowerRight();

private:
    std::unique_ptr<Workspace> m_work;
};

void TestMainWindow::windowAndTray()
{
    MainWindow window;
    QVERIFY(!window.isVisible());
    QCOMPARE(window.windowTitle(), QStringLiteral(" Tasquill"));
    QVERIFY(!window.windowIcon().pixmap(16).isNull());
    QCOMPARE(child<QLabel>(window, "tasklabel")->text(), QStringLiteral("今日待办事项一览表"));
    QCOMPARE(child<QPushButton>(window, "mButton")->text(), QStringLiteral("删除所选过期事项"));
    const QAbstractItemModel *today = child<QTableView>(window, "todayTableView")->model();
    QCOMPARE(today->headerData(0, Qt::Horizontal).toString(), QStringLiteral("时间"));
    QCOMPARE(today->headerData(1, Qt::Horizontal).toString(), QStringLiteral("内容"));

    for (const char *name : {"setaction", "aboutaction", "viewaction", "action_M"})
        QVERIFY2(!child<QAction>(window, name)->icon().pixmap(16).isNull(), name);
    QCOMPARE(entries(child<QMenuBar>(window, "menuBar")), (QStringList{"事项(&E)", "帮助(&H)"}));
    QCOMPARE(entries(child<QMenu>(window, "tasksetmenu")),
             (QStringList{"setaction:事项设置(&S)", "action_M:铃音设置(&M)", "|",
                          "viewaction:查看(&V)"}));
    QCOMPARE(entries(child<QMenu>(window, "helpmenu")), QStringList{"aboutaction:关于(&A)"});
    QCOMPARE(entries(child<QToolBar>(window, "mainToolBar")),
             (QStringList{"setaction:事项设置(&S)", "viewaction:查看(&V)", "action_M:铃音设置(&M)",
                          "|", "aboutaction:关于(&A)"}));

    DialogRecorder dialogs;
    child<QAction>(window, "aboutaction")->trigger();
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].title, QStringLiteral("关于"));
    QVERIFY(dialogs.shown[0].text.startsWith(
        QStringLiteral("Tasquill说明： \n\n 软件版本：V2.0.1 \n 联系方式：QQ:")));

    auto *tray = window.findChild<QSystemTrayIcon *>();
    QVERIFY(tray && tray->contextMenu());
    QCOMPARE(tray->toolTip(), QStringLiteral("Tasquill"));
    QVERIFY(!tray->icon().pixmap(16).isNull());
    QCOMPARE(entries(tray->contextMenu()), (QStringList{"打开主窗口", "|", "软件主页", "|", "退出"}));
    QAction *open = tray->contextMenu()->actions().at(0);
    open->trigger();
    QVERIFY(window.isVisible());
    QVERIFY(window.close() && !window.isVisible());
    open->trigger(); // closing only hid it: the tray brings the same window back
    QVERIFY(window.isVisible());
}

void TestMainWindow::defaultSoundIsInstalled()
{
    delete new MainWindow;
    QCOMPARE(readFile("dingdong.wav").left(4), QByteArray("RIFF"));
    writeFile("dingdong.wav", "mine"); // the user's own sound is never replaced
    delete new MainWindow;
    QCOMPARE(readFile("dingdong.wav"), QByteArray("mine"));
}

void TestMainWindow::moveItem_data()
{
    QTest::addColumn<Event>("event");
    QTest::addColumn<int>("row"); // the one selected; -1: none
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("locked"); // another program holds the database

    const Event daily{"9:07", "喝水", "t"}, once{"2014年3月5日 9:07", "开会", "y"};
    QTest::newRow("daily, Yes") << daily << 2 << "yes" << false;
    QTest::newRow("once-only, Yes") << once << 2 << "yes" << false;
    QTest::newRow("daily, No") << daily << 2 << "no" << false;
    QTest::newRow("once-only, Escape") << once << 0 << "" << false;
    QTest::newRow("nothing selected, Yes") << daily << -1 << "yes" << false;
    QTest::newRow("daily, Yes, locked") << daily << 0 << "yes" << true;
}

void TestMainWindow::moveItem()
{
    QFETCH(Event, event);
    QFETCH(int, row);
    QFETCH(QString, answer);
    QFETCH(bool, locked);

    m_work->addEvents({event, {"10:00", "别的", "t"}, event});
    MainWindow window;
    window.show();
    auto *view = child<QTableView>(window, "todayTableView");
    // Today's list opens no cell editor: what is typed there could never be stored.
    view->setCurrentIndex(view->model()->index(1, 1));
    QTest::keyClick(view, Qt::Key_F2);
    QVERIFY(view->findChildren<QLineEdit *>().isEmpty());
    view->setCurrentIndex(view->model()->index(row, 0));

    DialogRecorder dialogs({answer});
    QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
    holder.setDatabaseName("event.db");
    QVERIFY(holder.open() && (!locked || QSqlQuery(holder).exec("begin exclusive")));
    child<QPushButton>(window, "mButton")->click();
    holder.close();
    holder = QSqlDatabase();
    QSqlDatabase::removeDatabase("holder");

    QCOMPARE(dialogs.shown.size(), locked ? 2 : 1); // asked even with nothing selected
    QCOMPARE(dialogs.shown[0].title, QStringLiteral("删除事项"));
    QCOMPARE(dialogs.shown[0].text, QStringLiteral("删除说明该事项已完成，确定删除吗?"));
    if (locked) {
        QVERIFY(dialogs.shown[1].text.startsWith(QStringLiteral("事项完成失败：")));
        QVERIFY(dialogs.shown[1].text.contains(QDir::current().absoluteFilePath("event.db")));
    }
    const bool done = answer == "yes" && row >= 0 && !locked;
    const QStringList item{event.time, event.content};
    const QString pressed = QStringLiteral("2014年3月5日 10:15");
    const auto store = m_work->openStore();
    const QList<QStringList> none;
    QCOMPARE(store->rows("historyeventtable"),
             (done ? QList<QStringList>{item + QStringList{"完成", pressed, "201435"}} : none));
    QCOMPARE(store->rows("tceventtable"),
             (done ? QList<QStringList>{item + QStringList{pressed}} : none));
    // A finished once-only item will not fire again; recurring ones stay, twins and all.
    QCOMPARE(store->rows("eventtable").size(), done && event.kind == "y" ? 1 : 3);
    // Gone from the list with its twin, and for the rest of the day.
    QCOMPARE(rowsOf(view->model()).size(), done ? 1 : 3);
    window.refresh();
    QCOMPARE(rowsOf(view->model()).size(), done ? 1 : 3);
}

void TestMainWindow::damagedDatabaseIsReportedAndKept()
{
    const QByteArray garbage = QByteArray("not a database, just the user's text\n").repeated(100);
    writeFile("event.db", garbage);
    DialogRecorder dialogs;
    MainWindow window;
    // Told once, not again at every refresh or tick.
    window.refresh();
    window.checkReminders(m_work->now().addSecs(60));
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, Dialogs::Kind::Error);
    QVERIFY(dialogs.shown[0].text.contains(QDir::current().absoluteFilePath("event.db")));
    QCOMPARE(readFile("event.db"), garbage);
}

void TestMainWindow::dueEventsOpenWindowsAtLowerRight()
{
    m_work->addEvents({{"10:16", "第一", "t"}, {"星期三 10:16", "第二", "w"},
                       {"10:16", "第一", "t"}, {"3月5日 10:17", "下一分钟", "m"}});
    MainWindow window;
    window.checkReminders(m_work->now().addSecs(61));
    const QList<MsgWindow *> windows = openReminders();
    QCOMPARE(windows.size(), 3); // one for each row, twins too
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    for (MsgWindow *reminder : windows) {
        const QRect frame = reminder->frameGeometry();
        QCOMPARE(frame.topLeft(),
                 QPoint(area.width() - frame.width(), area.height() - frame.height()));
    }
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
