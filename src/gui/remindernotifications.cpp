#include "remindernotifications.h"

#include "clock.h"
#include "desktopnotifier.h"
#include "dialogs.h"
#include "eventstore.h"
#include "reminderchime.h"
#include "storeerrortext.h"

namespace {
const QString MissedTag = QStringLiteral("missed");
constexpr int LaterMinutes = 10;
constexpr int LongestBody = 200;
} // namespace

ReminderNotifications::ReminderNotifications(EventStore &store, ReminderChime *chime,
                                             QObject *parent)
    : QObject(parent), m_store(store), m_chime(chime), m_notifier(new DesktopNotifier(this))
{
    connect(m_notifier, &DesktopNotifier::sent, this, &ReminderNotifications::sent);
    connect(m_notifier, &DesktopNotifier::failed, this, &ReminderNotifications::failed);
    connect(m_notifier, &DesktopNotifier::actionInvoked, this, &ReminderNotifications::answered);
    connect(m_notifier, &DesktopNotifier::closed, this, &ReminderNotifications::finish);
}

void ReminderNotifications::show(const Reminder &reminder)
{
    if (!DesktopNotifier::isAvailable()) {
        emit undelivered(reminder);
        return;
    }
    const QString tag = QString::number(++m_tags);
    m_pending.insert(tag, reminder);
    const QString &content = reminder.event.content;
    m_notifier->notify(tag, QStringLiteral("提醒"),
                       content.size() > LongestBody ? content.left(LongestBody) + u'…' : content,
                       {QStringLiteral("done"), QStringLiteral("完成"), QStringLiteral("later"),
                        QStringLiteral("稍后提醒")});
}

void ReminderNotifications::showMissed(int count)
{
    if (!DesktopNotifier::isAvailable()) {
        emit missedOpened();
        return;
    }
    m_notifier->notify(MissedTag, QStringLiteral("错过的提醒"),
                       QStringLiteral("有 %1 条提醒在 Tasquill 没有运行时到期。").arg(count),
                       {QStringLiteral("default"), QStringLiteral("查看")});
    m_chime->ringOnce();
}

void ReminderNotifications::sent(const QString &tag, uint id)
{
    if (tag == MissedTag) {
        m_missed = id;
        return;
    }
    auto *sounding = new QObject(this);
    m_shown.insert(id, {m_pending.take(tag), sounding});
    m_chime->start(sounding);
}

void ReminderNotifications::failed(const QString &tag)
{
    if (tag == MissedTag)
        emit missedOpened();
    else
        emit undelivered(m_pending.take(tag));
}

void ReminderNotifications::answered(uint id, const QString &action)
{
    if (id == m_missed && id != 0) {
        emit missedOpened();
        return;
    }
    if (!m_shown.contains(id))
        return; // another program's notification
    const Reminder reminder = m_shown.value(id).reminder;
    const QDateTime now = Clock::now();
    if (action == QLatin1String("done")) {
        if (m_store.completeReminder(reminder, now))
            emit completed();
        else
            Dialogs::error(nullptr, QStringLiteral("提醒"),
                           QStringLiteral("事项完成失败：") + storeErrorText(m_store.lastError()));
    } else if (action == QLatin1String("later") &&
               !m_store.snooze(reminder.event, now.addSecs(60 * LaterMinutes))) {
        Dialogs::error(nullptr, QStringLiteral("提醒"),
                       QStringLiteral("稍后提醒失败：") + storeErrorText(m_store.lastError()));
    }
    finish(id);
}

void ReminderNotifications::finish(uint id)
{
    // Answered or closed ("稍等"): its part in the chime ends.
    if (m_shown.contains(id))
        delete m_shown.take(id).sounding;
}
