#include "viewwindow.h"

#include "clock.h"
#include "dialogs.h"
#include "eventstore.h"
#include "historyrange.h"
#include "textrowsmodel.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcBrowser, "tasquill.browser")

namespace {
const QString EventTable = QStringLiteral("eventtable");
const QString HistoryTable = QStringLiteral("historyeventtable");

// The headers are the tables' column names.
const QStringList EventColumns{QStringLiteral("时间"), QStringLiteral("内容"),
                               QStringLiteral("类型")};
const QStringList HistoryColumns{QStringLiteral("时间"), QStringLiteral("内容"),
                                 QStringLiteral("完成情况"), QStringLiteral("完成时间"),
                                 QStringLiteral("dTag")};

enum { ContentColumn = 1, KindColumn = 2, TagColumn = 4 };
} // namespace

ViewWindow::ViewWindow(EventStore &store, QWidget *parent)
    : QWidget(parent), m_store(store), m_history(store)
{
    ui.setupUi(this);
    // The lists mirror the database; text typed into a cell would never be stored.
    ui.allTableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui.hTableView->setEditTriggers(QAbstractItemView::NoEditTriggers);

    showTableContent();

    connect(ui.allDelButton, &QPushButton::clicked, this, &ViewWindow::delSelected);
    connect(ui.hDelButton, &QPushButton::clicked, this, &ViewWindow::delHSelected);
    connect(ui.queryButton, &QPushButton::clicked, this, &ViewWindow::showQueryResult);
    // Contents of several lines become fully visible once a cell is clicked.
    connect(ui.allTableView, &QTableView::clicked, ui.allTableView,
            &QTableView::resizeRowsToContents);
    connect(ui.hTableView, &QTableView::clicked, ui.hTableView,
            &QTableView::resizeRowsToContents);
}

void ViewWindow::showTableContent()
{
    const HistoryRange range = HistoryRange::lastMonth(Clock::now().date());
    ui.sDateEdit->setDate(range.start());
    ui.eDateEdit->setDate(range.end());
    const bool eventsRead = showEvents();
    if (showHistory(range) && eventsRead)
        m_lastReadError.clear();
}

void ViewWindow::showQueryResult()
{
    if (showHistory(HistoryRange(ui.sDateEdit->date(), ui.eDateEdit->date())))
        m_lastReadError.clear();
}

bool ViewWindow::showEvents()
{
    bool ok = false;
    const QList<QStringList> rows = m_store.rows(EventTable, &ok);
    if (!ok)
        reportReadError(m_store.lastError());
    install(ui.allTableView, new TextRowsModel(EventColumns, rows, this), ContentColumn,
            KindColumn);
    return ok;
}

bool ViewWindow::showHistory(const HistoryRange &range)
{
    // The cache reads the table again only when the file has changed, so a query on a
    // long history costs little; changes made behind the window's back (the day's move of
    // passed once-only events, another program) are still seen.
    QList<QStringList> rows;
    const bool ok = m_history.rowsIn(range, &rows);
    if (!ok)
        reportReadError(m_store.lastError());
    install(ui.hTableView, new TextRowsModel(HistoryColumns, rows, this), ContentColumn,
            TagColumn);
    return ok;
}

void ViewWindow::install(QTableView *view, TextRowsModel *model, int stretched, int hidden)
{
    QAbstractItemModel *previousModel = view->model();
    QItemSelectionModel *previousSelection = view->selectionModel();
    // A new model leaves no current row, so a deletion right after a reload deletes
    // nothing rather than whatever row now sits where the old one was.
    view->setModel(model);
    view->horizontalHeader()->setSectionResizeMode(stretched, QHeaderView::Stretch);
    view->setColumnHidden(hidden, true);
    // A once-only time such as "2014年3月5日 9:07" is wider than a column's default width.
    view->resizeColumnToContents(0);
    // Later, not now: a reload can run inside a handler that still uses them.
    if (previousSelection)
        previousSelection->deleteLater();
    if (previousModel)
        previousModel->deleteLater();
}

void ViewWindow::delSelected()
{
    deleteCurrent(ui.allTableView, EventTable);
}

void ViewWindow::delHSelected()
{
    deleteCurrent(ui.hTableView, HistoryTable);
}

void ViewWindow::deleteCurrent(QTableView *view, const QString &table)
{
    // The row is taken before the question: while the box is open a reminder can make
    // every browser reload, and the row the user chose must still be the one deleted.
    const auto *model = qobject_cast<const TextRowsModel *>(view->model());
    const int row = view->currentIndex().row();
    const QStringList values = model && row >= 0 ? model->row(row) : QStringList();

    if (!Dialogs::confirm(this, QStringLiteral("删除事项"), QStringLiteral("确定删除吗?")))
        return;
    if (!values.isEmpty() && !m_store.deleteRows(table, values)) {
        Dialogs::error(this, QStringLiteral("删除事项"),
                       QStringLiteral("事项删除失败：") + m_store.lastError());
        return;
    }
    emit rMainWindow();
}

void ViewWindow::reportReadError(const QString &message)
{
    qCWarning(lcBrowser).noquote() << message;
    // Every change makes every open browser reload; one box for a failure that repeats
    // is enough.
    if (message == m_lastReadError)
        return;
    m_lastReadError = message;
    Dialogs::error(this, QStringLiteral("数据库错误"), message);
}
