#include "viewwindow.h"

#include "clock.h"
#include "dialogs.h"
#include "eventstore.h"
#include "historyrange.h"
#include "schema.h"
#include "storeerrortext.h"
#include "tableviews.h"
#include "textrowsmodel.h"

#include <QHeaderView>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcBrowser, "tasquill.browser")

namespace {
// The row the user made current in `view`, of the rows it shows; -1 for none.
int currentRow(const QTableView *view, qsizetype rows)
{
    const int row = view->currentIndex().row();
    return row < rows ? row : -1;
}

void showRows(QTableView *view, TextRowsModel *model)
{
    replaceModel(view, model);
    view->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch); // the content
}
} // namespace

ViewWindow::ViewWindow(EventStore &store, QWidget *parent) : QWidget(parent), m_store(store)
{
    ui.setupUi(this);
    // The lists mirror the database; text typed into a cell would never be stored.
    ui.allTableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui.hTableView->setEditTriggers(QAbstractItemView::NoEditTriggers);

    showTableContent();

    connect(ui.allDelButton, &QPushButton::clicked, this, &ViewWindow::delSelected);
    connect(ui.hDelButton, &QPushButton::clicked, this, &ViewWindow::delHSelected);
    connect(ui.queryButton, &QPushButton::clicked, this, &ViewWindow::showQueryResult);
}

void ViewWindow::showTableContent()
{
    const HistoryRange range = HistoryRange::lastMonth(Clock::now().date());
    ui.sDateEdit->setDate(range.start());
    ui.eDateEdit->setDate(range.end());
    const bool eventsRead = showEvents();
    if (showHistory(range) && eventsRead)
        m_failures.reset();
}

void ViewWindow::showQueryResult()
{
    if (showHistory(HistoryRange(ui.sDateEdit->date(), ui.eDateEdit->date())))
        m_failures.reset();
}

bool ViewWindow::showEvents()
{
    const std::optional<QList<Event>> events = m_store.events();
    m_events = events.value_or(QList<Event>());
    if (!events)
        reportReadError(storeErrorText(m_store.lastError()));
    QList<QStringList> rows;
    for (const Event &event : std::as_const(m_events))
        rows.append({event.time, event.content});
    showRows(ui.allTableView,
             new TextRowsModel({QStringLiteral("时间"), QStringLiteral("内容")}, rows, this));
    return events.has_value();
}

bool ViewWindow::showHistory(const HistoryRange &range)
{
    const std::optional<QList<HistoryEntry>> history = m_store.history(range);
    m_history = history.value_or(QList<HistoryEntry>());
    if (!history)
        reportReadError(storeErrorText(m_store.lastError()));
    QList<QStringList> rows;
    for (const HistoryEntry &entry : std::as_const(m_history)) {
        rows.append(
            {entry.time, entry.content, Schema::statusText(entry.status), entry.completedAt});
    }
    showRows(ui.hTableView,
             new TextRowsModel({QStringLiteral("时间"), QStringLiteral("内容"),
                                QStringLiteral("完成情况"), QStringLiteral("完成时间")},
                               rows, this));
    // The completion time is the date the range is about: it shows whole.
    ui.hTableView->resizeColumnToContents(3);
    return history.has_value();
}

void ViewWindow::delSelected()
{
    // The row is taken before the question: while the box is open a reminder can make
    // every browser reload, and the row the user chose must still be the one deleted.
    const int row = currentRow(ui.allTableView, m_events.size());
    const Event event = m_events.value(row);
    deleteAfterAsking(row >= 0, [&] { return m_store.deleteEvent(event); });
}

void ViewWindow::delHSelected()
{
    const int row = currentRow(ui.hTableView, m_history.size());
    const HistoryEntry entry = m_history.value(row);
    deleteAfterAsking(row >= 0, [&] { return m_store.deleteHistoryEntry(entry); });
}

void ViewWindow::deleteAfterAsking(bool chosen, const std::function<bool()> &remove)
{
    if (!Dialogs::confirm(this, QStringLiteral("删除事项"), QStringLiteral("确定删除吗?")))
        return;
    if (chosen && !remove()) {
        Dialogs::error(this, QStringLiteral("删除事项"),
                       QStringLiteral("事项删除失败：") + storeErrorText(m_store.lastError()));
        return;
    }
    emit rMainWindow();
}

void ViewWindow::reportReadError(const QString &message)
{
    qCWarning(lcBrowser).noquote() << message;
    // Every change makes every open browser reload; one box for a failure that repeats
    // is enough.
    if (m_failures.firstTime(message))
        Dialogs::error(this, QStringLiteral("数据库错误"), message);
}
