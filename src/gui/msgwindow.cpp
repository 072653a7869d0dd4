#include "msgwindow.h"

#include "clock.h"
#include "dialogs.h"
#include "eventstore.h"
#include "reminderchime.h"
#include "storeerrortext.h"

#include <QMenu>
#include <QScrollBar>
#include <QTextCursor>

MsgWindow::MsgWindow(const Reminder &reminder, EventStore &store, ReminderChime *chime,
                     QWidget *parent)
    : QWidget(parent), m_reminder(reminder), m_store(store), m_chime(chime)
{
    ui.setupUi(this);
    setWindowFlags(Qt::ToolTip | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
    showMore();
    connect(ui.msgTextEdit->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) {
                if (value == ui.msgTextEdit->verticalScrollBar()->maximum())
                    showMore();
            });

    auto *menu = new QMenu(this);
    for (const auto &[text, minutes] :
         {std::pair{"5分钟", 5}, {"10分钟", 10}, {"30分钟", 30}, {"1小时", 60}})
        menu->addAction(QString::fromUtf8(text), this,
                        [this, minutes = minutes] { later(minutes); });
    ui.laterButton->setMenu(menu);
    connect(ui.quietButton, &QPushButton::clicked, this, &MsgWindow::quiet);
    connect(ui.doButton, &QPushButton::clicked, this, &MsgWindow::doIt);
    if (m_chime)
        m_chime->start(this);
}

void MsgWindow::showMore()
{
    // Laying out a very long text takes the text box minutes, and the window must show at
    // once: it holds what fits a few screens, and more as the user scrolls to the end.
    constexpr qsizetype Part = 4000;
    if (m_shown >= m_reminder.event.content.size() && m_shown > 0)
        return;
    const QString part = m_reminder.event.content.mid(m_shown, Part);
    m_shown += part.size();
    QTextCursor end(ui.msgTextEdit->document());
    end.movePosition(QTextCursor::End);
    end.insertText(part);
}

void MsgWindow::quiet()
{
    if (m_chime)
        m_chime->stop(this);
}

void MsgWindow::doIt()
{
    quiet();
    if (!m_store.completeReminder(m_reminder, Clock::now())) {
        // Nothing was written; the window stays so the user can try again.
        Dialogs::error(this, QStringLiteral("提醒"),
                       QStringLiteral("事项完成失败：") + storeErrorText(m_store.lastError()));
        return;
    }
    emit completedSignal();
    close();
}

void MsgWindow::later(int minutes)
{
    quiet();
    // Kept in the file with the reminder's texts: quitting, a crash or a deletion of the
    // event meanwhile do not lose it.
    if (!m_store.snooze(m_reminder.event, Clock::now().addSecs(60 * minutes))) {
        Dialogs::error(this, QStringLiteral("提醒"),
                       QStringLiteral("稍后提醒失败：") + storeErrorText(m_store.lastError()));
        return;
    }
    close();
}
