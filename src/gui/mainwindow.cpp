#include "mainwindow.h"

#include "calendarfiles.h"
#include "clock.h"
#include "dialogs.h"
#include "eventstore.h"
#include "homepage.h"
#include "hostlookup.h"
#include "lazyicon.h"
#include "missedwindow.h"
#include "msgwindow.h"
#include "popupstack.h"
#include "projectconfig.h"
#include "promotion.h"
#include "reminderchime.h"
#include "reminderloop.h"
#include "remindernotifications.h"
#include "setwindow.h"
#include "soundsetwindow.h"
#include "storeerrortext.h"
#include "synccontrol.h"
#include "tableviews.h"
#include "textrowsmodel.h"
#include "timetext.h"
#include "viewwindow.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLoggingCategory>
#include <QSystemTrayIcon>
#include <QTimerEvent>

Q_LOGGING_CATEGORY(lcMain, "tasquill.main")

namespace {
constexpr int PromotionIntervalMs = 8 * 60 * 60 * 1000;
// The first check waits until the tray icon has been drawn, about 50 ms into the start.
constexpr int FirstCheckDelayMs = 200;
const QString DatabaseFile = QStringLiteral("event.db");
const QString ContactNumber = QStringLiteral("20140305");

// The entry, browser and sound windows: each opened anew, gone when closed.
void openToolWindow(QWidget *window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowFlags(Qt::WindowCloseButtonHint);
    window->show();
}
} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    // Most sessions never open the window: its widgets, fonts and images are built when it is
    // first shown (ensureUi()); the tray icon, store, today's list and clock are there at once.
    setWindowIcon(lazyIcon(QStringLiteral("logotwo.png"), 340));
    createActions();
    createTrayIcon();
    m_sync = new SyncControl(this, trayIconMenu);
    connect(m_sync, &SyncControl::changed, this, &MainWindow::refresh);
    connect(m_sync, &SyncControl::failed, this, &MainWindow::reportFailure);

    m_popups = new PopupStack(this);
    m_chime = new ReminderChime(this);
    m_promotion = new Promotion(this);
    connect(m_chime, &ReminderChime::failed, this,
            [this](const QString &message) { reportFailure(message, QStringLiteral("提醒铃声")); });

    initDatabase(DatabaseFile);
    // Wayland lets no program place its windows or keep them on top: there reminders go to
    // the desktop's notification service (their windows show where none answers).
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        m_notifications = new ReminderNotifications(*m_store, m_chime, this);
        connect(m_notifications, &ReminderNotifications::completed, this, &MainWindow::refresh);
        connect(m_notifications, &ReminderNotifications::undelivered, this,
                &MainWindow::showMsgWindow);
        connect(m_notifications, &ReminderNotifications::missedOpened, this,
                [this] { listMissed(std::exchange(m_missedToList, {})); });
    }
    // A host that can never be found is not looked for.
    if (!HomePage::isPlaceholder())
        adTimer = startTimer(PromotionIntervalMs);
    // The minute the program starts in is one of its minutes too, checked a moment later:
    // the tray icon is drawn first, which tells the user the program is there.
    m_loop->start(FirstCheckDelayMs);
}

MainWindow::~MainWindow() = default;

void MainWindow::setVisible(bool visible)
{
    if (visible)
        ensureUi();
    QMainWindow::setVisible(visible);
}

void MainWindow::checkIfNotYet()
{
    // What the user opens before the first check needs the file opened and today's list
    // read: the check comes first then.
    m_loop->checkIfNotYet();
}

void MainWindow::ensureUi()
{
    checkIfNotYet();
    if (m_uiBuilt)
        return;
    m_uiBuilt = true;
    ui.setupUi(this);
    ui.setaction->setIcon(lazyIcon(QStringLiteral("set.png"), 48));
    ui.aboutaction->setIcon(lazyIcon(QStringLiteral("help.png"), 256));
    ui.viewaction->setIcon(lazyIcon(QStringLiteral("view.png"), 48));
    ui.action_M->setIcon(lazyIcon(QStringLiteral("sound.png"), 256));
    connect(ui.aboutaction, &QAction::triggered, this, &MainWindow::about);
    connect(ui.setaction, &QAction::triggered, this, &MainWindow::callSetwindow);
    connect(ui.viewaction, &QAction::triggered, this, &MainWindow::callViewwindow);
    connect(ui.action_M, &QAction::triggered, this, &MainWindow::callSoundSetWindow);
    connect(ui.mButton, &QPushButton::clicked, this, &MainWindow::moveItem);
    connect(new CalendarFiles(*m_store, this, ui.importCalendarAction, ui.exportCalendarAction),
            &CalendarFiles::imported, this, &MainWindow::refresh);
    m_sync->attach(ui.syncSettingsAction, ui.syncNowAction);
    // Without a notification area there is no tray menu: the window's menus offer what it
    // would (this window itself aside).
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        ui.helpmenu->addAction(homePageAction);
        ui.tasksetmenu->addSeparator();
        ui.tasksetmenu->addAction(quitAction);
    }
    showTodayModel();
}

void MainWindow::bringUp()
{
    // In the tray the program is reached from its icon: a second start leaves it as it is.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        return;
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::createActions()
{
    openAction = new QAction(QStringLiteral("打开主窗口"), this);
    connect(openAction, &QAction::triggered, this, &QWidget::show);
    homePageAction = new QAction(QStringLiteral("软件主页"), this);
    connect(homePageAction, &QAction::triggered, this, &MainWindow::gotoURL);
    quitAction = new QAction(QStringLiteral("退出"), this);
    connect(quitAction, &QAction::triggered, qApp, &QCoreApplication::quit);
}

void MainWindow::createTrayIcon()
{
    m_trayMenuOwner = std::make_unique<QMenu>();
    trayIconMenu = m_trayMenuOwner.get();
    trayIconMenu->addAction(openAction);
    trayIconMenu->addSeparator();
    trayIconMenu->addAction(homePageAction);
    trayIconMenu->addSeparator();
    trayIconMenu->addAction(quitAction);

    // The logo at the size of a notification area, so that drawing it decodes little.
    trayIcon = new QSystemTrayIcon(lazyIcon(QStringLiteral("tray.png"), 32), this);
    trayIcon->setToolTip(QStringLiteral("Tasquill"));
    trayIcon->setContextMenu(trayIconMenu);
    trayIcon->setVisible(true);
}

void MainWindow::initDatabase(const QString &fileName)
{
    // The loop opens the file at its first tick, and again at every tick until it opens.
    m_store = std::make_unique<EventStore>(fileName);
    delete m_loop;
    m_loop = new ReminderLoop(*m_store, &Clock::now, this);
    connect(m_loop, &ReminderLoop::ticked, this, &MainWindow::handle);
    connect(m_loop, &ReminderLoop::fileTouched, m_sync, &SyncControl::localChange);
    // The last minute checked is noted at the end: the next start knows what came since.
    connect(qApp, &QCoreApplication::aboutToQuit, m_loop, &ReminderLoop::saveMarker);
}

void MainWindow::rebuildTodayList()
{
    checkReminders(Clock::now(), true);
}

void MainWindow::installTodayModel()
{
    const std::optional<QList<TodayItem>> today =
        m_store->isOpen() ? m_store->todayList(Clock::now().date()) : QList<TodayItem>();
    m_today = today.value_or(QList<TodayItem>());
    if (!today)
        reportFailure(storeErrorText(m_store->lastError()));
    QList<QStringList> rows;
    for (const TodayItem &item : std::as_const(m_today))
        rows.append({item.time, item.content});
    // A read-only copy: the list shows what is stored; nothing typed into it could be.
    if (m_todayModel && !m_uiBuilt)
        m_todayModel->deleteLater();
    m_todayModel = new TextRowsModel({QStringLiteral("时间"), QStringLiteral("内容")}, rows, this);
    if (m_uiBuilt)
        showTodayModel();
}

void MainWindow::showTodayModel()
{
    replaceModel(ui.todayTableView, m_todayModel);
    // The list is rebuilt when the day turns, so the title's lunar date turns with it.
    const QString lunarDate = TimeText::lunarDateText(Clock::now().date());
    ui.tasklabel->setText(QStringLiteral("今日待办事项一览表") +
                          (lunarDate.isEmpty() ? QString() : u'（' + lunarDate + u'）'));
}

void MainWindow::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == adTimer) {
        lookupHomeHost();
        return;
    }
    QMainWindow::timerEvent(event);
}

void MainWindow::checkReminders(const QDateTime &now, bool rebuild)
{
    m_loop->check(now, rebuild);
}

void MainWindow::handle(const ReminderService::Tick &tick)
{
    showReminders(tick.due);
    if (!tick.missed.isEmpty())
        showMissedWindow(tick.missed);
    if (tick.listChanged || !m_todayModel)
        installTodayModel();
    for (const StoreError &failure : tick.failures)
        reportFailure(storeErrorText(failure));
    for (const QString &notice : tick.notices)
        reportFailure(notice, QStringLiteral("工作日提醒"));
    if (tick.failures.isEmpty())
        m_failures.reset(); // the next failure is news again
}

void MainWindow::showReminders(const QList<Reminder> &due)
{
    if (due.isEmpty())
        return;
    if (m_notifications) {
        for (const Reminder &reminder : due)
            m_notifications->show(reminder);
        return;
    }
    // Room is kept for each list not open yet, so that reminders coming later, and those
    // missed during a sleep, still have a place on the screen.
    const int lists = int(!m_moreWindow) + int(!m_missedWindow);
    qsizetype shown = 0;
    while (shown < due.size() && m_popups->hasRoomForReminder(lists))
        showMsgWindow(due.at(shown++));
    if (shown == due.size())
        return;
    if (!m_moreWindow) {
        m_moreWindow = new MissedWindow(*m_store, m_chime);
        connect(m_moreWindow, &MissedWindow::completedSignal, this, &MainWindow::refresh);
        m_moreWindow->setAttribute(Qt::WA_DeleteOnClose);
        showAtBottomRight(m_moreWindow);
    }
    m_moreWindow->add(due.mid(shown));
}

void MainWindow::showMsgWindow(const Reminder &reminder)
{
    auto *window = new MsgWindow(reminder, *m_store, m_chime);
    connect(window, &MsgWindow::completedSignal, this, &MainWindow::refresh);
    window->setAttribute(Qt::WA_DeleteOnClose);
    showAtBottomRight(window);
}

void MainWindow::showMissedWindow(const QList<Reminder> &missed)
{
    if (m_notifications && !m_missedWindow) {
        // Announced by a notification, listed when it is clicked.
        if (m_missedToList.isEmpty())
            m_notifications->showMissed(int(missed.size()));
        m_missedToList += missed;
        return;
    }
    listMissed(missed);
}

void MainWindow::listMissed(const QList<Reminder> &missed)
{
    if (!m_missedWindow) {
        m_missedWindow = new MissedWindow(*m_store);
        connect(m_missedWindow, &MissedWindow::completedSignal, this, &MainWindow::refresh);
        m_missedWindow->setAttribute(Qt::WA_DeleteOnClose);
        showAtBottomRight(m_missedWindow);
        m_chime->ringOnce();
    }
    m_missedWindow->add(missed);
}

void MainWindow::showAtBottomRight(QWidget *widget)
{
    m_popups->show(widget);
}

void MainWindow::greet()
{
    // Without a notification area the window itself shows, and there is no balloon.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        trayIcon->showMessage(
            QStringLiteral("Tasquill 已在运行"),
            QStringLiteral("Tasquill 在通知区域运行，到时间会弹出提醒。右键单击这个图标，"
                           "选择“打开主窗口”，可以查看今日待办事项和设置提醒。"),
            QSystemTrayIcon::Information, 15000);
}

void MainWindow::about()
{
    Dialogs::about(this, QStringLiteral("关于"),
                   QStringLiteral("Tasquill说明： \n\n 软件版本：V%1 \n 联系方式：QQ:%2")
                       .arg(QStringLiteral(TASQUILL_VERSION), ContactNumber));
}

void MainWindow::callSetwindow()
{
    checkIfNotYet();
    auto *window = new SetWindow(*m_store);
    connect(window, &SetWindow::sRMainWindow, this, &MainWindow::refresh);
    openToolWindow(window);
}

void MainWindow::callViewwindow()
{
    checkIfNotYet();
    auto *window = new ViewWindow(*m_store);
    connect(this, &MainWindow::refreshTableView, window, &ViewWindow::showTableContent);
    connect(window, &ViewWindow::rMainWindow, this, &MainWindow::refresh);
    openToolWindow(window);
}

void MainWindow::callSoundSetWindow()
{
    openToolWindow(new SoundSetWindow());
}

void MainWindow::refresh()
{
    rebuildTodayList();
    emit refreshTableView();
}

void MainWindow::moveItem()
{
    ensureUi();
    const int row = ui.todayTableView->currentIndex().row();
    const TodayItem item = m_today.value(row);
    // The moment of the press, taken before the question: reminders may run meanwhile.
    const QDateTime pressed = Clock::now();
    if (!Dialogs::confirm(this, QStringLiteral("删除事项"),
                          QStringLiteral("删除说明该事项已完成，确定删除吗?")) ||
        row < 0 || row >= m_today.size())
        return;
    if (!m_store->completeTodayItem(item, pressed)) {
        // The user asked for this, so it is told every time, not once.
        Dialogs::error(this, QStringLiteral("删除事项"),
                       QStringLiteral("事项完成失败：") + storeErrorText(m_store->lastError()));
        return;
    }
    // A once-only item has left the events and the history has grown: browsers reload too.
    refresh();
}

void MainWindow::gotoURL()
{
    // A browser that does not open is not worth a message: the link is a convenience.
    QDesktopServices::openUrl(HomePage::pageUrl());
}

void MainWindow::lookupHomeHost()
{
    HostLookup::lookUp(HomePage::host(), this, [this](const QString &e) { showAdWindow(e); });
}

void MainWindow::showAdWindow(const QString &lookupError)
{
    if (!lookupError.isEmpty()) {
        qCDebug(lcMain).noquote() << "home page host not reached:" << lookupError;
        return;
    }
    m_promotion->show(HomePage::rootUrl());
}

void MainWindow::reportFailure(const QString &message, const QString &title)
{
    qCWarning(lcMain).noquote() << message;
    if (!m_failures.firstTime(message))
        return;
    QMetaObject::invokeMethod(
        this, [this, message, title] { Dialogs::error(this, title, message); },
        Qt::QueuedConnection);
}
