#include "missedwindow.h"

#include "clock.h"
#include "dialogs.h"
#include "eventstore.h"
#include "reminderchime.h"
#include "storeerrortext.h"
#include "tableviews.h"
#include "textrowsmodel.h"
#include "timetext.h"

#include <QItemSelectionModel>

MissedWindow::MissedWindow(EventStore &store, ReminderChime *chime, QWidget *parent)
    : QWidget(parent), m_store(store), m_chime(chime)
{
    ui.setupUi(this);
    if (m_chime) {
        setWindowTitle(QStringLiteral("更多提醒"));
        ui.titleLabel->setText(
            QStringLiteral("更多提醒：这些提醒已经到了时间，屏幕上放不下它们各自的提醒窗口。"));
    }
    setWindowFlags(Qt::ToolTip | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
    connect(ui.doButton, &QPushButton::clicked, this, &MissedWindow::doIt);
    connect(ui.ignoreButton, &QPushButton::clicked, this, &MissedWindow::ignore);
    connect(ui.ignoreAllButton, &QPushButton::clicked, this, &MissedWindow::quiet);
    connect(ui.ignoreAllButton, &QPushButton::clicked, this, &QWidget::close);
    showRows();
}

void MissedWindow::add(const QList<Reminder> &missed)
{
    m_missed.append(missed);
    showRows();
    if (m_chime)
        m_chime->start(this);
}

void MissedWindow::doIt()
{
    // One moment for all, taken at the press, as a reminder window's "完成" takes it.
    const QDateTime pressed = Clock::now();
    quiet();
    for (int row : selectedRows()) {
        if (!m_store.completeReminder(m_missed.at(row), pressed)) {
            Dialogs::error(this, windowTitle(),
                           QStringLiteral("事项完成失败：") + storeErrorText(m_store.lastError()));
            break;
        }
        m_missed.removeAt(row);
    }
    showRows();
    emit completedSignal();
}

void MissedWindow::ignore()
{
    quiet();
    for (int row : selectedRows())
        m_missed.removeAt(row);
    showRows();
}

void MissedWindow::quiet()
{
    if (m_chime)
        m_chime->stop(this);
}

QList<int> MissedWindow::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex &index : ui.missedTableView->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.rbegin(), rows.rend());
    return rows;
}

void MissedWindow::showRows()
{
    QList<QStringList> rows;
    for (const Reminder &reminder : std::as_const(m_missed))
        rows.append(
            {TimeText::composeOnce(reminder.due), reminder.event.time, reminder.event.content});
    replaceModel(ui.missedTableView,
                 new TextRowsModel(
                     {QStringLiteral("应提醒时间"), QStringLiteral("时间"), QStringLiteral("内容")},
                     rows, this));
    ui.missedTableView->resizeColumnToContents(1);
}
