#include "dialogrecorder.h"
#include "eventstore.h"
#include "execonfile.h"
#include "findwidgets.h"
#include "mainwindow.h"
#include "tablerows.h"
#include "viewwindow.h"
#include "workspace.h"

#include <QDateEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <memory>

namespace {
using Rows = QList<QStringList>;

// 5 December 2013: the browser opens on 5 November - 5 December 2013.
const QDateTime Now(QDate(2013, 12, 5), QTime(10, 0, 30));

// Rows 0 and 2 are twins; rows 3 and 4 differ from them only in the kind or a trailing blank.
const Rows Events = {{"9:07", "喝水", "t"}, {"11:00", "开会", "t"}, {"9:07", "喝水", "t"},
                     {"9:07", "喝水", "d"}, {"9:07", "喝水 ", "t"}};

// Rows 0 and 1 lie outside the opening range, so view rows and stored rows differ (the tag
// 2013111 would read as 11 January and 1 November alike); rows 3 and 4 are twins.
const Rows History = {
    {"9:00", "一月旧事", "完成", "2013年1月15日 9:00", "2013115"},
    {"9:00", "十一月一日", "完成", "2013年11月1日 9:00", "2013111"},
    {"9:00", "十一月十日", "完成", "2013年11月10日 9:00", "20131110"},
    {"9:00", "会议", "完成", "2013年11月20日 9:00", "20131120"},
    {"9:00", "会议", "完成", "2013年11月20日 9:00", "20131120"},
    {"明天 9:00", "看不懂的时间", "未完成", "", ""},
    {"9:00", "十二月五日", "完成", "2013年12月5日 23:59", "2013125"},
};
const QStringList OpeningHistory{"十一月十日", "会议", "会议", "看不懂的时间", "十二月五日"};
// The headers the user sees in both tabs, the stretched ones marked with "*".
const QString Columns = QStringLiteral("时间,内容*,|,时间,内容*,完成情况,完成时间,|");

QString insertStatement(const QString &table, const QStringList &row)
{
    QStringList values;
    for (const QString &value : row)
        values << (value.isNull() ? QStringLiteral("null") : "'" + value + "'");
    return QStringLiteral("insert into %1 values(%2)").arg(table, values.join(','));
}

QTableView *allView(QWidget *window) { return child<QTableView>(*window, "allTableView"); }
QTableView *historyView(QWidget *window) { return child<QTableView>(*window, "hTableView"); }
QDateEdit *startEdit(QWidget *window) { return child<QDateEdit>(*window, "sDateEdit"); }

void press(QWidget *window, const char *button)
{
    QTest::mouseClick(child<QPushButton>(*window, button), Qt::LeftButton);
}

// Shows the tab of `view` and clicks the cell at `row`, as the user would.
void clickRow(QWidget *window, QTableView *view, int row)
{
    child<QTabWidget>(*window, "tabWidget")->setCurrentWidget(view->parentWidget());
    const QModelIndex index = view->model()->index(row, 1);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

QString columns(QWidget *window)
{
    QStringList shown;
    for (QTableView *view : {allView(window), historyView(window)}) {
        for (int c = 0; c < view->model()->columnCount(); ++c) {
            const bool stretched = view->horizontalHeader()->sectionResizeMode(c) == QHeaderView::Stretch;
            if (!view->isColumnHidden(c))
                shown << view->model()->headerData(c, Qt::Horizontal).toString() + (stretched ? "*" : "");
        }
        shown << "|";
    }
    return shown.join(',');
}
} // namespace

class TestViewWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<Workspace> m_work;
    std::unique_ptr<EventStore> m_store;

    std::unique_ptr<ViewWindow> open()
    {
        auto window = std::make_unique<ViewWindow>(*m_store);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qWarning("the browser was not exposed");
        return window;
    }

private slots:
    void init()
    {
        m_work = std::make_unique<Workspace>(Now);
        QVERIFY(m_work->isValid());
        m_store = m_work->openStore();
        QVERIFY2(m_store->isOpen(), qPrintable(m_store->lastError()));
        QStringList statements;
        for (const QStringList &row : Events)
            statements << insertStatement("eventtable", row);
        for (const QStringList &row : History)
            statements << insertStatement("historyeventtable", row);
        QVERIFY(execOnFile(statements));
    }

    void cleanup()
    {
        qDeleteAll(topLevelWindows<ViewWindow>());
        m_store.reset();
        m_work.reset();
    }

    void historyRange_data()
    {
        QTest::addColumn<bool>("query"); // false: as the browser opens
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("opened: from 5 Nov, not January, not 1 Nov")
            << false << QDate(2013, 11, 5) << QDate(2013, 12, 5) << OpeningHistory;
        QTest::newRow("1 Nov alone: not 11 Jan")
            << true << QDate(2013, 11, 1) << QDate(2013, 11, 1) << QStringList{"十一月一日", "看不懂的时间"};
        QTest::newRow("start after end: nothing")
            << true << QDate(2013, 12, 5) << QDate(2013, 11, 5) << QStringList();
    }

    void historyRange()
    {
        QFETCH(bool, query);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QStringList, listed);
        const auto window = open();
        auto *endEdit = child<QDateEdit>(*window, "eDateEdit");
        if (query) {
            startEdit(window.get())->setDate(start);
            endEdit->setDate(end);
            press(window.get(), "queryButton");
        }
        QCOMPARE(startEdit(window.get())->text(), start.toString("yyyy年M月d日"));
        QCOMPARE(endEdit->text(), end.toString("yyyy年M月d日"));
        QCOMPARE(contents(rowsOf(historyView(window.get())->model())), listed);
        // Every event, whatever the date.
        QCOMPARE(rowsOf(allView(window.get())->model()), Events);
        QCOMPARE(columns(window.get()), Columns);
    }

    void viewsAreReadOnly()
    {
        QVERIFY(m_store->addEvent({"9:07", "第一行\n第二行\n第三行", "t"}));
        const auto window = open();
        for (QTableView *view : {allView(window.get()), historyView(window.get())}) {
            const int row = view == allView(window.get()) ? Events.size() : 0;
            const int height = view->rowHeight(row);
            clickRow(window.get(), view, row);
            QTest::keyClick(view, Qt::Key_F2);
            QTest::keyClicks(view, "edited");
            QTest::keyClick(view, Qt::Key_Return);
            QVERIFY(view->findChildren<QLineEdit *>().isEmpty());
            // A click shows contents of several lines in full.
            QVERIFY(view == historyView(window.get()) || view->rowHeight(row) > height);
        }
        QCOMPARE(m_store->rows("historyeventtable"), History);
    }

    void deleteCurrentRow_data()
    {
        QTest::addColumn<QByteArray>("tab");
        QTest::addColumn<int>("viewRow"); // -1: none clicked
        QTest::addColumn<bool>("reload"); // between the click and the deletion
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QList<int>>("deleted"); // storage rows gone afterwards
        const QByteArray all("allTableView"), history("hTableView");
        QTest::newRow("events: a twin and its row") << all << 2 << false << "yes" << QList<int>{0, 2};
        QTest::newRow("events: other kind, no twin") << all << 3 << false << "yes" << QList<int>{3};
        QTest::newRow("events: trailing blank, no twin") << all << 4 << false << "yes" << QList<int>{4};
        QTest::newRow("events: No") << all << 0 << false << "no" << QList<int>{};
        QTest::newRow("events: none current") << all << -1 << false << "yes" << QList<int>{};
        QTest::newRow("events: none after a reload") << all << 1 << true << "yes" << QList<int>{};
        // The history view lists storage rows 2 to 6.
        QTest::newRow("history: a twin and its row") << history << 2 << false << "yes" << QList<int>{3, 4};
        QTest::newRow("history: no date") << history << 3 << false << "yes" << QList<int>{5};
        QTest::newRow("history: No") << history << 1 << false << "no" << QList<int>{};
        QTest::newRow("history: none current") << history << -1 << false << "yes" << QList<int>{};
        QTest::newRow("history: none after a query") << history << 1 << true << "yes" << QList<int>{};
    }

    void deleteCurrentRow()
    {
        QFETCH(QByteArray, tab);
        QFETCH(int, viewRow);
        QFETCH(bool, reload);
        QFETCH(QString, answer);
        QFETCH(QList<int>, deleted);
        const bool events = tab == "allTableView";
        const auto window = open();
        QSignalSpy changed(window.get(), &ViewWindow::rMainWindow);
        auto *view = child<QTableView>(*window, tab.constData());
        if (viewRow >= 0)
            clickRow(window.get(), view, viewRow);
        view->selectAll(); // only the current row counts
        if (reload)
            events ? window->showTableContent() : press(window.get(), "queryButton");

        DialogRecorder dialogs({answer});
        press(window.get(), events ? "allDelButton" : "hDelButton");
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown[0].kind, Dialogs::Kind::Confirm);
        QCOMPARE(dialogs.shown[0].title + dialogs.shown[0].text, QStringLiteral("删除事项确定删除吗?"));
        Rows expected = events ? Events : History;
        for (auto it = deleted.crbegin(); it != deleted.crend(); ++it)
            expected.removeAt(*it);
        QCOMPARE(m_store->rows(events ? "eventtable" : "historyeventtable"), expected);
        QCOMPARE(m_store->rows(events ? "historyeventtable" : "eventtable"), events ? History : Events);
        QCOMPARE(changed.size(), answer == "yes" ? 1 : 0);
    }

    void deleteRowsWithNulls()
    {
        // An earlier version could leave NULLs: such a row must still go, but not one of
        // empty texts that looks the same. Neither has a date, so both are listed.
        const QStringList nullRow{QString(), "旧记录", "完成", QString(), QString()};
        QVERIFY(execOnFile({insertStatement("historyeventtable", {"", "旧记录", "完成", "", ""}),
                            insertStatement("historyeventtable", nullRow)}));
        const auto window = open();
        DialogRecorder dialogs({"yes"});
        clickRow(window.get(), historyView(window.get()), OpeningHistory.size() + 1);
        press(window.get(), "hDelButton");
        const Rows history = m_store->rows("historyeventtable");
        QCOMPARE(history.size(), History.size() + 1);
        QVERIFY(!history.last().first().isNull());
    }

    void failuresAreReported()
    {
        QVERIFY(execOnFile({"alter table historyeventtable rename to kept",
                            "create trigger refuse before delete on eventtable when old.rowid = 3 "
                            "begin select raise(abort, 'disk says no'); end"}));
        DialogRecorder dialogs;
        const auto window = open();
        QCOMPARE(dialogs.shown.size(), 1);
        QVERIFY2(dialogs.shown[0].text.contains("historyeventtable"), qPrintable(dialogs.shown[0].text));
        QCOMPARE(columns(window.get()), Columns);
        QCOMPARE(rowsOf(allView(window.get())->model()), Events);
        // Every change reloads every browser: the same failure is not shown again.
        window->showTableContent();
        press(window.get(), "queryButton");
        QCOMPARE(dialogs.shown.size(), 1);

        // Of two twins one is refused: the other must stay too.
        dialogs.answer("yes");
        clickRow(window.get(), allView(window.get()), 0);
        press(window.get(), "allDelButton");
        QCOMPARE(dialogs.shown.size(), 3);
        QCOMPARE(dialogs.shown[2].kind, Dialogs::Kind::Error);
        QVERIFY2(dialogs.shown[2].text.contains("disk says no"), qPrintable(dialogs.shown[2].text));
        QCOMPARE(m_store->rows("eventtable"), Events);
    }

    void deletionReloadsEveryBrowserAndToday()
    {
        m_store.reset();
        MainWindow main;
        main.callViewwindow();
        main.callViewwindow();
        const QList<ViewWindow *> browsers = topLevelWindows<ViewWindow>(Which::Visible);
        QCOMPARE(browsers.size(), 2);
        startEdit(browsers[1])->setDate(QDate(2000, 1, 1)); // a range the reload puts back
        press(browsers[1], "queryButton");
        DialogRecorder dialogs({"yes"});
        clickRow(browsers[0], allView(browsers[0]), 0); // the twin 喝水 rows
        press(browsers[0], "allDelButton");
        // Today's list keeps the daily 喝水 only as long as an event does.
        QCOMPARE(contents(rowsOf(child<QTableView>(main, "todayTableView")->model())),
                 (QStringList{"开会", "喝水 "}));
        for (ViewWindow *browser : browsers) {
            QCOMPARE(contents(rowsOf(allView(browser)->model())), (QStringList{"开会", "喝水", "喝水 "}));
            QCOMPARE(contents(rowsOf(historyView(browser)->model())), OpeningHistory);
            QCOMPARE(columns(browser), Columns);
        }
        // A closed browser is gone, and a reload does not reach for it.
        browsers[1]->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(topLevelWindows<ViewWindow>().size(), 1);
        main.refresh();
        qDeleteAll(topLevelWindows<ViewWindow>());
        // Today's superseded models still hold the main window's connection until deleted.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

QTEST_MAIN(TestViewWindow)
#include "tst_viewwindow.moc"
