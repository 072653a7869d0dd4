#include "dialogrecorder.h"
#include "eventstore.h"
#include "execonfile.h"
#include "findwidgets.h"
#include "mainwindow.h"
#include "tablerows.h"
#include "viewwindow.h"
#include "workspace.h"

#include <QApplication>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <memory>

namespace {
// Thursday, 5 December 2013: the browser opens on 5 November - 5 December 2013.
const QDateTime Now(QDate(2013, 12, 5), QTime(10, 0, 30));

using Rows = QList<QStringList>;

// Every stored event, in storage order. Rows 0 and 2 are identical; rows 3 and 4 differ
// from them only in the kind and in a trailing blank.
const Rows Events = {
    {"9:07", "喝水", "t"},
    {"11:00", "开会", "t"},
    {"9:07", "喝水", "t"},
    {"9:07", "喝水", "d"},
    {"9:07", "喝水 ", "t"},
};

// The history, in storage order; the first two rows lie outside the opening range, so the
// view's rows and the stored rows are not the same. Rows 3 and 4 are identical.
const Rows History = {
    {"9:00", "一月旧事", "完成", "2013年1月15日 9:00", "2013115"},
    {"9:00", "十一月一日", "完成", "2013年11月1日 9:00", "2013111"},
    {"9:00", "十一月十日", "完成", "2013年11月10日 9:00", "20131110"},
    {"9:00", "会议", "完成", "2013年11月20日 9:00", "20131120"},
    {"9:00", "会议", "完成", "2013年11月20日 9:00", "20131120"},
    {"9:00", "会议", "完成", "2013年11月21日 9:00", "20131121"},
    {"明天 9:00", "看不懂的时间", "未完成", "", ""},
    {"9:00", "十二月五日", "完成", "2013年12月5日 23:59", "2013125"},
};

QString quoted(const QString &text)
{
    return text.isNull() ? QStringLiteral("null")
                         : "'" + QString(text).replace("'", "''") + "'";
}

QString insertStatement(const QString &table, const QStringList &row)
{
    QStringList values;
    for (const QString &value : row)
        values << quoted(value);
    return QStringLiteral("insert into %1 values(%2)").arg(table, values.join(','));
}

QTableView *allView(QWidget *window)
{
    return window->findChild<QTableView *>("allTableView");
}

QTableView *historyView(QWidget *window)
{
    return window->findChild<QTableView *>("hTableView");
}

// The rows a view shows, each as the texts of all its model's columns.
Rows shownRows(QTableView *view)
{
    return rowsOf(view->model());
}

QStringList shownContents(QTableView *view)
{
    return contents(shownRows(view));
}

// The header texts of the columns the user can see, in order.
QStringList visibleHeaders(QTableView *view)
{
    QStringList headers;
    for (int c = 0; c < view->model()->columnCount(); ++c) {
        if (!view->isColumnHidden(c))
            headers << view->model()->headerData(c, Qt::Horizontal).toString();
    }
    return headers;
}

QList<int> stretchedColumns(QTableView *view)
{
    QList<int> columns;
    for (int c = 0; c < view->horizontalHeader()->count(); ++c) {
        if (view->horizontalHeader()->sectionResizeMode(c) == QHeaderView::Stretch)
            columns << c;
    }
    return columns;
}

QDateEdit *dateEdit(QWidget *window, const char *name)
{
    return window->findChild<QDateEdit *>(name);
}

QPushButton *button(QWidget *window, const char *name)
{
    return window->findChild<QPushButton *>(name);
}

// Shows the tab of `view` and clicks the cell at (row, column), as the user would.
void clickCell(QWidget *window, QTableView *view, int row, int column = 1)
{
    window->findChild<QTabWidget *>("tabWidget")->setCurrentWidget(view->parentWidget());
    const QModelIndex index = view->model()->index(row, column);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

QList<ViewWindow *> openBrowsers()
{
    return topLevelWindows<ViewWindow>();
}

QStringList todayContents(MainWindow &window)
{
    return shownContents(window.findChild<QTableView *>("todayTableView"));
}

const QStringList AllHeaders{"时间", "内容"};
const QStringList HistoryHeaders{"时间", "内容", "完成情况", "完成时间"};
} // namespace

class TestViewWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void form();
    void opensOnLastMonth_data();
    void opensOnLastMonth();
    void queryListsTheChosenDates_data();
    void queryListsTheChosenDates();
    void reloadResetsTheRange();
    void columnsAfterEveryReloadAndQuery();
    void viewsAreReadOnly();
    void clickFitsRowHeights();

    void deleteCurrentRow_data();
    void deleteCurrentRow();
    void deleteWithoutCurrentRow_data();
    void deleteWithoutCurrentRow();
    void deleteRowsWithNulls();
    void failedDeletionIsReported_data();
    void failedDeletionIsReported();
    void unreadableTableIsReported();

    void deletionReloadsEveryBrowserAndToday_data();
    void deletionReloadsEveryBrowserAndToday();

private:
    void fill();
    std::unique_ptr<ViewWindow> open();

    std::unique_ptr<Workspace> m_work;
    std::unique_ptr<EventStore> m_store;
};

void TestViewWindow::init()
{
    m_work = std::make_unique<Workspace>(Now);
    QVERIFY(m_work->isValid());
    m_store = m_work->openStore();
    QVERIFY2(m_store->isOpen(), qPrintable(m_store->lastError()));
}

void TestViewWindow::cleanup()
{
    qDeleteAll(openBrowsers());
    m_store.reset();
    m_work.reset();
}

void TestViewWindow::fill()
{
    QStringList statements;
    for (const QStringList &row : Events)
        statements << insertStatement("eventtable", row);
    for (const QStringList &row : History)
        statements << insertStatement("historyeventtable", row);
    QVERIFY(execOnFile(statements));
}

std::unique_ptr<ViewWindow> TestViewWindow::open()
{
    auto window = std::make_unique<ViewWindow>(*m_store);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("the browser was not exposed");
    return window;
}

void TestViewWindow::form()
{
    const auto window = open();
    QCOMPARE(window->objectName(), QStringLiteral("ViewWindow"));
    QCOMPARE(window->windowTitle(), QStringLiteral("事项一览表"));
    QVERIFY(!window->windowIcon().pixmap(16).isNull());
    QCOMPARE(window->size(), QSize(600, 442));
    QCOMPARE(window->minimumSize(), QSize(600, 442));
    QCOMPARE(window->maximumSize(), QSize(600, 442));

    auto *tabs = window->findChild<QTabWidget *>("tabWidget");
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(0), QStringLiteral("待办事项总表"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("历史事项"));
    QCOMPARE(tabs->currentIndex(), 0);

    QCOMPARE(button(window.get(), "allDelButton")->text(), QStringLiteral("删除选中事项"));
    QCOMPARE(button(window.get(), "hDelButton")->text(), QStringLiteral("删除选中事项"));
    QCOMPARE(button(window.get(), "queryButton")->text(), QStringLiteral("查询"));
    QCOMPARE(window->findChild<QLabel *>("label")->text(), QStringLiteral("起始日期："));
    QCOMPARE(window->findChild<QLabel *>("label_2")->text(), QStringLiteral("结束日期："));
    for (const char *name : {"sDateEdit", "eDateEdit"}) {
        QCOMPARE(dateEdit(window.get(), name)->displayFormat(), QStringLiteral("yyyy年M月d日"));
        QVERIFY(dateEdit(window.get(), name)->calendarPopup());
    }
    QCOMPARE(dateEdit(window.get(), "sDateEdit")->text(), QStringLiteral("2013年11月5日"));

    QCOMPARE(historyView(window.get())->styleSheet(),
             QStringLiteral("background-color: rgb(250, 255, 193);"));
    for (QTableView *view : {allView(window.get()), historyView(window.get())}) {
        QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(!view->verticalHeader()->isVisible());
        QVERIFY(!view->horizontalHeader()->stretchLastSection());
        QVERIFY(!view->isSortingEnabled());
    }
}

void TestViewWindow::opensOnLastMonth_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("5 December 2013: from 5 November, not January, not 1 November")
        << QDate(2013, 12, 5) << QDate(2013, 11, 5)
        << QStringList{"十一月十日", "会议", "会议", "会议", "看不懂的时间", "十二月五日"};
    QTest::newRow("15 February 2013: from 15 January")
        << QDate(2013, 2, 15) << QDate(2013, 1, 15) << QStringList{"一月旧事", "看不懂的时间"};
    QTest::newRow("31 March 2013: from 28 February")
        << QDate(2013, 3, 31) << QDate(2013, 2, 28) << QStringList{"看不懂的时间"};
    QTest::newRow("31 March 2016: from 29 February")
        << QDate(2016, 3, 31) << QDate(2016, 2, 29) << QStringList{"看不懂的时间"};
}

void TestViewWindow::opensOnLastMonth()
{
    QFETCH(QDate, today);
    QFETCH(QDate, start);
    QFETCH(QStringList, listed);

    fill();
    m_work->setNow(QDateTime(today, QTime(8, 30)));
    const auto window = open();
    QCOMPARE(dateEdit(window.get(), "sDateEdit")->date(), start);
    QCOMPARE(dateEdit(window.get(), "eDateEdit")->date(), today);
    QCOMPARE(shownContents(historyView(window.get())), listed);
    // Every event, in storage order, whatever the date.
    QCOMPARE(shownRows(allView(window.get())), Events);
}

void TestViewWindow::queryListsTheChosenDates_data()
{
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("1 November alone: not 11 January")
        << QDate(2013, 11, 1) << QDate(2013, 11, 1) << QStringList{"十一月一日", "看不懂的时间"};
    QTest::newRow("20 November alone: both identical rows")
        << QDate(2013, 11, 20) << QDate(2013, 11, 20)
        << QStringList{"会议", "会议", "看不懂的时间"};
    QTest::newRow("the whole year")
        << QDate(2013, 1, 1) << QDate(2013, 12, 31)
        << QStringList{"一月旧事", "十一月一日", "十一月十日", "会议", "会议", "会议",
                       "看不懂的时间", "十二月五日"};
    QTest::newRow("the year before: only what has no date")
        << QDate(2012, 1, 1) << QDate(2012, 12, 31) << QStringList{"看不懂的时间"};
    QTest::newRow("start after end: nothing at all")
        << QDate(2013, 12, 5) << QDate(2013, 11, 5) << QStringList();
}

void TestViewWindow::queryListsTheChosenDates()
{
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(QStringList, listed);

    fill();
    const auto window = open();
    dateEdit(window.get(), "sDateEdit")->setDate(start);
    dateEdit(window.get(), "eDateEdit")->setDate(end);
    QTest::mouseClick(button(window.get(), "queryButton"), Qt::LeftButton);

    QCOMPARE(shownContents(historyView(window.get())), listed);
    for (const QStringList &row : shownRows(historyView(window.get())))
        QVERIFY2(History.contains(row), qPrintable(row.join('|')));
    // The query leaves the fields and the other tab alone.
    QCOMPARE(dateEdit(window.get(), "sDateEdit")->date(), start);
    QCOMPARE(dateEdit(window.get(), "eDateEdit")->date(), end);
    QCOMPARE(shownRows(allView(window.get())), Events);
}

void TestViewWindow::reloadResetsTheRange()
{
    fill();
    const auto window = open();
    const QStringList opening = shownContents(historyView(window.get()));
    dateEdit(window.get(), "sDateEdit")->setDate(QDate(2013, 1, 1));
    QTest::mouseClick(button(window.get(), "queryButton"), Qt::LeftButton);
    QCOMPARE(shownContents(historyView(window.get())).size(), History.size());

    // A row added meanwhile shows up too.
    QVERIFY(m_store->addEvent({"12:00", "午饭", "t"}));
    window->showTableContent();
    QCOMPARE(dateEdit(window.get(), "sDateEdit")->date(), QDate(2013, 11, 5));
    QCOMPARE(dateEdit(window.get(), "eDateEdit")->date(), QDate(2013, 12, 5));
    QCOMPARE(shownContents(historyView(window.get())), opening);
    QCOMPARE(shownContents(allView(window.get())).last(), QStringLiteral("午饭"));
}

void TestViewWindow::columnsAfterEveryReloadAndQuery()
{
    fill();
    const auto window = open();
    QTableView *all = allView(window.get());
    QTableView *history = historyView(window.get());
    const auto check = [&](const char *when) {
        QVERIFY2(visibleHeaders(all) == AllHeaders, when);
        QVERIFY2(stretchedColumns(all) == QList<int>{1}, when);
        QVERIFY2(visibleHeaders(history) == HistoryHeaders, when);
        QVERIFY2(stretchedColumns(history) == QList<int>{1}, when);
    };

    check("opened");
    QTest::mouseClick(button(window.get(), "queryButton"), Qt::LeftButton);
    check("queried");
    dateEdit(window.get(), "eDateEdit")->setDate(QDate(2000, 1, 1));
    QTest::mouseClick(button(window.get(), "queryButton"), Qt::LeftButton);
    QCOMPARE(history->model()->rowCount(), 0);
    check("queried, nothing listed");
    window->showTableContent();
    check("reloaded");

    DialogRecorder dialogs({"yes", "yes"});
    clickCell(window.get(), all, 1);
    QTest::mouseClick(button(window.get(), "allDelButton"), Qt::LeftButton);
    clickCell(window.get(), history, 0);
    QTest::mouseClick(button(window.get(), "hDelButton"), Qt::LeftButton);
    QCOMPARE(m_store->rows("eventtable").size(), Events.size() - 1);
    window->showTableContent();
    check("reloaded after deleting");

    // An empty database keeps the same columns.
    QVERIFY(execOnFile({"delete from eventtable", "delete from historyeventtable"}));
    window->showTableContent();
    QCOMPARE(all->model()->rowCount(), 0);
    check("reloaded, both tables empty");
}

void TestViewWindow::viewsAreReadOnly()
{
    fill();
    const auto window = open();
    for (QTableView *view : {allView(window.get()), historyView(window.get())}) {
        const Rows before = shownRows(view);
        clickCell(window.get(), view, 0);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                           view->visualRect(view->model()->index(0, 1)).center());
        QTest::keyClick(view, Qt::Key_F2);
        QTest::ignoreMessage(QtWarningMsg, "edit: editing failed");
        view->edit(view->model()->index(0, 1));
        QCOMPARE(view->findChildren<QLineEdit *>().size(), 0);
        QVERIFY(!(view->model()->flags(view->model()->index(0, 1)) & Qt::ItemIsEditable));
        QTest::keyClicks(view, "edited");
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(shownRows(view), before);
    }
    QCOMPARE(m_store->rows("eventtable"), Events);
    QCOMPARE(m_store->rows("historyeventtable"), History);
}

void TestViewWindow::clickFitsRowHeights()
{
    QVERIFY(m_store->addEvent({"9:07", "第一行\n第二行\n第三行\n第四行", "t"}));
    QVERIFY(execOnFile({insertStatement(
        "historyeventtable", {"9:07", "第一行\n第二行\n第三行\n第四行", "完成",
                              "2013年12月1日 9:07", "2013121"})}));
    const auto window = open();
    for (QTableView *view : {allView(window.get()), historyView(window.get())}) {
        const int before = view->rowHeight(0);
        clickCell(window.get(), view, 0);
        QVERIFY2(view->rowHeight(0) > before, view->objectName().toUtf8());
    }
}

void TestViewWindow::deleteCurrentRow_data()
{
    QTest::addColumn<QString>("tab"); // the view's object name
    QTest::addColumn<int>("viewRow");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QList<int>>("deleted"); // storage rows gone afterwards

    QTest::newRow("events: a row and its twin") << "allTableView" << 0 << "yes" << QList<int>{0, 2};
    QTest::newRow("events: the twin and the row") << "allTableView" << 2 << "yes" << QList<int>{0, 2};
    QTest::newRow("events: a single row") << "allTableView" << 1 << "yes" << QList<int>{1};
    QTest::newRow("events: another kind is no twin")
        << "allTableView" << 3 << "yes" << QList<int>{3};
    QTest::newRow("events: a trailing blank is no twin")
        << "allTableView" << 4 << "yes" << QList<int>{4};
    QTest::newRow("events: No") << "allTableView" << 0 << "no" << QList<int>{};

    // The view lists storage rows 2 to 7.
    QTest::newRow("history: first row shown") << "hTableView" << 0 << "yes" << QList<int>{2};
    QTest::newRow("history: a row and its twin")
        << "hTableView" << 1 << "yes" << QList<int>{3, 4};
    QTest::newRow("history: the twin and the row")
        << "hTableView" << 2 << "yes" << QList<int>{3, 4};
    QTest::newRow("history: same content, other day")
        << "hTableView" << 3 << "yes" << QList<int>{5};
    QTest::newRow("history: a row without a date")
        << "hTableView" << 4 << "yes" << QList<int>{6};
    QTest::newRow("history: last row shown") << "hTableView" << 5 << "yes" << QList<int>{7};
    QTest::newRow("history: No") << "hTableView" << 1 << "no" << QList<int>{};
}

void TestViewWindow::deleteCurrentRow()
{
    QFETCH(QString, tab);
    QFETCH(int, viewRow);
    QFETCH(QString, answer);
    QFETCH(QList<int>, deleted);

    fill();
    const bool events = tab == "allTableView";
    const Rows &stored = events ? Events : History;
    const QString table = events ? "eventtable" : "historyeventtable";
    const auto window = open();
    QSignalSpy changed(window.get(), &ViewWindow::rMainWindow);
    auto *view = window->findChild<QTableView *>(tab);

    // Several rows selected: only the current one counts.
    clickCell(window.get(), view, viewRow == 0 ? 1 : 0);
    view->selectAll();
    clickCell(window.get(), view, viewRow);
    view->selectAll();
    QCOMPARE(view->currentIndex().row(), viewRow);

    DialogRecorder dialogs({answer});
    QTest::mouseClick(button(window.get(), events ? "allDelButton" : "hDelButton"),
                      Qt::LeftButton);

    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, Dialogs::Kind::Confirm);
    QCOMPARE(dialogs.shown[0].title, QStringLiteral("删除事项"));
    QCOMPARE(dialogs.shown[0].text, QStringLiteral("确定删除吗?"));
    Rows expected;
    for (int i = 0; i < stored.size(); ++i) {
        if (!deleted.contains(i))
            expected << stored[i];
    }
    QCOMPARE(m_store->rows(table), expected);
    QCOMPARE(m_store->rows(events ? "historyeventtable" : "eventtable"),
             events ? History : Events);
    QCOMPARE(changed.size(), answer == "yes" ? 1 : 0);
}

void TestViewWindow::deleteWithoutCurrentRow_data()
{
    QTest::addColumn<QString>("tab");
    QTest::addColumn<bool>("afterReload");
    QTest::newRow("events, just opened") << "allTableView" << false;
    QTest::newRow("history, just opened") << "hTableView" << false;
    QTest::newRow("events, after a reload") << "allTableView" << true;
    QTest::newRow("history, after a query") << "hTableView" << true;
}

void TestViewWindow::deleteWithoutCurrentRow()
{
    QFETCH(QString, tab);
    QFETCH(bool, afterReload);

    fill();
    const bool events = tab == "allTableView";
    const auto window = open();
    QSignalSpy changed(window.get(), &ViewWindow::rMainWindow);
    auto *view = window->findChild<QTableView *>(tab);
    if (afterReload) {
        // A reload shows new rows: what was current before means nothing now.
        clickCell(window.get(), view, 1);
        if (events)
            window->showTableContent();
        else
            QTest::mouseClick(button(window.get(), "queryButton"), Qt::LeftButton);
    }
    QCOMPARE(view->currentIndex().row(), -1);

    DialogRecorder dialogs({"yes"});
    QTest::mouseClick(button(window.get(), events ? "allDelButton" : "hDelButton"),
                      Qt::LeftButton);
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, Dialogs::Kind::Confirm);
    QCOMPARE(m_store->rows("eventtable"), Events);
    QCOMPARE(m_store->rows("historyeventtable"), History);
    QCOMPARE(changed.size(), 1);
}

void TestViewWindow::deleteRowsWithNulls()
{
    // An earlier version could leave NULLs; such rows show as empty cells and must still
    // be deletable, without taking rows of empty texts along.
    const QStringList nullRow{QString(), "旧记录", "完成", QString(), QString()};
    const QStringList emptyRow{"", "旧记录", "完成", "", ""};
    QVERIFY(execOnFile({insertStatement("historyeventtable", emptyRow),
                        insertStatement("historyeventtable", nullRow),
                        insertStatement("historyeventtable", nullRow),
                        insertStatement("eventtable", {"9:07", "喝水", QString()}),
                        insertStatement("eventtable", {"9:07", "喝水", ""})}));
    const auto window = open();
    // Neither row has a date that can be read, so every range lists them.
    QCOMPARE(historyView(window.get())->model()->rowCount(), 3);

    DialogRecorder dialogs({"yes", "yes"});
    clickCell(window.get(), historyView(window.get()), 1);
    QTest::mouseClick(button(window.get(), "hDelButton"), Qt::LeftButton);
    const Rows history = m_store->rows("historyeventtable");
    QCOMPARE(history.size(), 1);
    QVERIFY(!history[0][0].isNull());

    clickCell(window.get(), allView(window.get()), 0);
    QTest::mouseClick(button(window.get(), "allDelButton"), Qt::LeftButton);
    const Rows events = m_store->rows("eventtable");
    QCOMPARE(events.size(), 1);
    QVERIFY(!events[0][2].isNull());
    QCOMPARE(dialogs.shown.size(), 2);
}

void TestViewWindow::failedDeletionIsReported_data()
{
    QTest::addColumn<QString>("tab");
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("refusedRowid"); // the second of the two identical rows
    QTest::newRow("events") << "allTableView" << "eventtable" << 3;
    QTest::newRow("history") << "hTableView" << "historyeventtable" << 5;
}

void TestViewWindow::failedDeletionIsReported()
{
    QFETCH(QString, tab);
    QFETCH(QString, table);
    QFETCH(int, refusedRowid);

    fill();
    // The second of two identical rows is refused: the first must come back too.
    QVERIFY(execOnFile({QStringLiteral("create trigger refuse before delete on %1 when "
                                       "old.rowid = %2 begin select raise(abort, 'disk says no'); end")
                            .arg(table)
                            .arg(refusedRowid)}));
    const auto window = open();
    QSignalSpy changed(window.get(), &ViewWindow::rMainWindow);
    auto *view = window->findChild<QTableView *>(tab);
    clickCell(window.get(), view, tab == "allTableView" ? 0 : 1);

    DialogRecorder dialogs({"yes"});
    QTest::mouseClick(button(window.get(), tab == "allTableView" ? "allDelButton" : "hDelButton"),
                      Qt::LeftButton);
    QCOMPARE(dialogs.shown.size(), 2);
    QCOMPARE(dialogs.shown[1].kind, Dialogs::Kind::Error);
    QCOMPARE(dialogs.shown[1].title, QStringLiteral("删除事项"));
    QVERIFY2(dialogs.shown[1].text.contains("disk says no"), qPrintable(dialogs.shown[1].text));
    QVERIFY2(dialogs.shown[1].text.contains(m_work->filePath("event.db")),
             qPrintable(dialogs.shown[1].text));
    QCOMPARE(m_store->rows("eventtable"), Events);
    QCOMPARE(m_store->rows("historyeventtable"), History);
    QCOMPARE(changed.size(), 0);
}

void TestViewWindow::unreadableTableIsReported()
{
    fill();
    QVERIFY(execOnFile({"alter table historyeventtable rename to kept"}));
    DialogRecorder dialogs;
    const auto window = open();
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, Dialogs::Kind::Error);
    QVERIFY2(dialogs.shown[0].text.contains("historyeventtable"), qPrintable(dialogs.shown[0].text));
    QCOMPARE(historyView(window.get())->model()->rowCount(), 0);
    QCOMPARE(visibleHeaders(historyView(window.get())), HistoryHeaders);
    QCOMPARE(shownRows(allView(window.get())), Events);

    // The same failure again is not shown again; once it is gone, a new one is.
    window->showTableContent();
    QTest::mouseClick(button(window.get(), "queryButton"), Qt::LeftButton);
    QCOMPARE(dialogs.shown.size(), 1);
    QVERIFY(execOnFile({"alter table kept rename to historyeventtable"}));
    window->showTableContent();
    QCOMPARE(historyView(window.get())->model()->rowCount(), 6);
    QVERIFY(execOnFile({"alter table historyeventtable rename to kept"}));
    window->showTableContent();
    QCOMPARE(dialogs.shown.size(), 2);
}

void TestViewWindow::deletionReloadsEveryBrowserAndToday_data()
{
    QTest::addColumn<QString>("tab");
    QTest::newRow("events") << "allTableView";
    QTest::newRow("history") << "hTableView";
}

void TestViewWindow::deletionReloadsEveryBrowserAndToday()
{
    QFETCH(QString, tab);

    fill();
    m_store.reset();
    MainWindow main;
    QCOMPARE(todayContents(main), (QStringList{"喝水", "开会", "喝水", "喝水 "}));
    main.callViewwindow();
    main.callViewwindow();
    const QList<ViewWindow *> browsers = openBrowsers();
    QCOMPARE(browsers.size(), 2);
    for (ViewWindow *browser : browsers) {
        QVERIFY(browser->isVisible());
        QVERIFY(browser->testAttribute(Qt::WA_DeleteOnClose));
        // A title bar with a close button only.
        QVERIFY(browser->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!(browser->windowFlags() & Qt::WindowMinMaxButtonsHint));
        // A range the reload will put back.
        dateEdit(browser, "sDateEdit")->setDate(QDate(2013, 1, 1));
        QTest::mouseClick(button(browser, "queryButton"), Qt::LeftButton);
        QCOMPARE(historyView(browser)->model()->rowCount(), History.size());
    }

    ViewWindow *deleting = browsers[0];
    auto *view = deleting->findChild<QTableView *>(tab);
    QSignalSpy reloads(&main, &MainWindow::refreshTableView);
    DialogRecorder dialogs({"yes"});
    // The identical 会议 rows in the history; the twin 喝水 rows among the events.
    clickCell(deleting, view, tab == "allTableView" ? 0 : 3);
    QTest::mouseClick(button(deleting, tab == "allTableView" ? "allDelButton" : "hDelButton"),
                      Qt::LeftButton);
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(reloads.size(), 1);

    const QStringList events = tab == "allTableView"
                                   ? QStringList{"开会", "喝水", "喝水 "}
                                   : QStringList{"喝水", "开会", "喝水", "喝水", "喝水 "};
    const QStringList history =
        tab == "allTableView"
            ? QStringList{"十一月十日", "会议", "会议", "会议", "看不懂的时间", "十二月五日"}
            : QStringList{"十一月十日", "会议", "看不懂的时间", "十二月五日"};
    // Today's list leaves the daily 喝水 out only once it is gone from the events.
    QCOMPARE(todayContents(main), tab == "allTableView" ? (QStringList{"开会", "喝水 "})
                                                        : (QStringList{"喝水", "开会", "喝水", "喝水 "}));
    for (ViewWindow *browser : browsers) {
        QCOMPARE(shownContents(allView(browser)), events);
        QCOMPARE(shownContents(historyView(browser)), history);
        QCOMPARE(dateEdit(browser, "sDateEdit")->date(), QDate(2013, 11, 5));
        QCOMPARE(visibleHeaders(allView(browser)), AllHeaders);
        QCOMPARE(visibleHeaders(historyView(browser)), HistoryHeaders);
    }

    // A closed browser is gone and no longer reloads.
    browsers[1]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(openBrowsers().size(), 1);
    main.refresh();
    QCOMPARE(shownContents(allView(browsers[0])), events);
    qDeleteAll(openBrowsers());
    // Today's superseded models still hold the main window's connection until deleted.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QTEST_MAIN(TestViewWindow)
#include "tst_viewwindow.moc"
