#include "syncwindow.h"

#include "dialogs.h"
#include "syncaccount.h"
#include "syncstate.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString Title = QStringLiteral("同步设置");
// The entry that makes a calendar of the program's own on the server.
const QString NewCalendar = QStringLiteral("新建日历");
const QString NewCalendarName = QStringLiteral("Tasquill");
} // namespace

SyncWindow::SyncWindow(const QString &program, const QString &folder, QWidget *parent)
    : QWidget(parent), m_folder(folder), m_command(new SyncProcess(program, folder, this))
{
    ui.setupUi(this);
    connect(ui.connectButton, &QPushButton::clicked, this, &SyncWindow::connectServer);
    connect(ui.saveButton, &QPushButton::clicked, this, &SyncWindow::save);
    connect(ui.cancelButton, &QPushButton::clicked, this, &QWidget::close);
    connect(m_command, &SyncProcess::finished, this, &SyncWindow::ended);
    if (const std::optional<SyncAccount> account = SyncAccount::load(m_folder)) {
        ui.serverLineEdit->setText(account->server.toString());
        ui.userLineEdit->setText(account->user);
        listCalendars(account->calendarName, account->calendarName);
        m_trusted = account->fingerprint;
        m_trustedServer = account->server.toString();
    }
    showState();
}

void SyncWindow::showState()
{
    const std::optional<SyncAccount> account = SyncAccount::load(m_folder);
    const QString passwordFile = SyncAccount::passwordFileName(m_folder);
    if (QFileInfo::exists(passwordFile))
        ui.passwordNoteLabel->setText(
            QStringLiteral("密码保存在只有你能读取的文件 %1 中。").arg(passwordFile));
    else if (account)
        ui.passwordNoteLabel->setText(QStringLiteral("密码保存在桌面的密钥存储中。"));
    else
        ui.passwordNoteLabel->setText(
            QStringLiteral("保存后，密码存放在桌面的密钥存储中；桌面没有密钥存储时，"
                           "存放在数据文件夹中只有你能读取的文件里。"));

    if (!account)
        ui.lastSyncLabel->setText(QStringLiteral("尚未设置同步账户。"));
    else if (!account->lastSync.isValid())
        ui.lastSyncLabel->setText(QStringLiteral("尚未同步。"));
    else
        ui.lastSyncLabel->setText(
            QStringLiteral("上次同步：%1，%2。%3")
                .arg(account->lastSync.toLocalTime().toString(QStringLiteral("yyyy年M月d日 H:mm")),
                     account->lastFailed ? QStringLiteral("失败") : QStringLiteral("成功"),
                     account->lastResult));

    ui.leftOutListWidget->clear();
    for (const SyncLeftOut &item :
         SyncState::leftOut(QDir(m_folder).filePath(QStringLiteral("event.db"))))
        ui.leftOutListWidget->addItem(item.summary + QStringLiteral("：") + item.reason);
}

bool SyncWindow::filledIn()
{
    if (!ui.serverLineEdit->text().trimmed().isEmpty() &&
        !ui.userLineEdit->text().trimmed().isEmpty() && !ui.passwordLineEdit->text().isEmpty())
        return true;
    Dialogs::error(this, Title, QStringLiteral("请填写服务器地址、用户名和密码。"));
    return false;
}

void SyncWindow::connectServer()
{
    if (filledIn())
        run(Step::Calendars);
}

void SyncWindow::save()
{
    if (!filledIn())
        return;
    if (ui.calendarComboBox->currentIndex() < 0) {
        Dialogs::error(this, Title, QStringLiteral("请先点击“连接”，再选择一个日历。"));
        return;
    }
    run(Step::Save);
}

void SyncWindow::run(Step step)
{
    m_step = step;
    const QString server = ui.serverLineEdit->text().trimmed();
    QStringList arguments{step == Step::Calendars ? QStringLiteral("--calendars")
                                                  : QStringLiteral("--set"),
                          server, ui.userLineEdit->text().trimmed()};
    if (step == Step::Save)
        arguments << QStringLiteral("--calendar") << ui.calendarComboBox->currentData().toString();
    // A certificate accepted for one server is no reason to accept another's.
    if (!m_trusted.isEmpty() && m_trustedServer == server)
        arguments << QStringLiteral("--trust") << m_trusted;
    setBusy(true);
    m_command->run(arguments, ui.passwordLineEdit->text());
}

void SyncWindow::ended(const SyncProcess::Result &result)
{
    setBusy(false);
    if (result.end == SyncProcess::Result::End::Refused && !result.fingerprint.isEmpty()) {
        const QString server = ui.serverLineEdit->text().trimmed();
        if (Dialogs::confirm(
                this, QStringLiteral("证书不受信任"),
                QStringLiteral("服务器 %1 的证书不受系统信任。\n\n证书指纹 SHA-256：%2\n\n"
                               "请向服务器的管理员核对这个指纹，一致时才信任它。"
                               "信任这个证书并继续吗？")
                    .arg(server, result.fingerprint))) {
            m_trusted = result.fingerprint;
            m_trustedServer = server;
            run(m_step);
        }
        return;
    }
    if (!result.ok()) {
        Dialogs::error(this, Title, result.text());
        return;
    }
    if (m_step == Step::Calendars) {
        listCalendars(result.output, ui.calendarComboBox->currentData().toString());
        return;
    }
    Dialogs::about(this, Title, result.text());
    emit saved();
    close();
}

void SyncWindow::listCalendars(const QString &names, const QString &current)
{
    ui.calendarComboBox->clear();
    for (const QString &line : names.split(u'\n')) {
        if (!line.trimmed().isEmpty())
            ui.calendarComboBox->addItem(line.trimmed(), line.trimmed());
    }
    ui.calendarComboBox->addItem(NewCalendar, NewCalendarName);
    ui.calendarComboBox->setCurrentIndex(qMax(0, ui.calendarComboBox->findData(current)));
}

void SyncWindow::setBusy(bool busy)
{
    ui.connectButton->setEnabled(!busy);
    ui.saveButton->setEnabled(!busy);
    ui.connectButton->setText(busy ? QStringLiteral("正在连接…") : QStringLiteral("连接"));
}
