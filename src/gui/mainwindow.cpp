#include "mainwindow.h"

#include "adwindowloader.h"
#include "clock.h"
#include "dialogs.h"
#include "eventstore.h"
#include "homepage.h"
#include "lazyicon.h"
#include "msgwindow.h"
#include "setwindow.h"
#include "soundsetwindow.h"
#include "textrowsmodel.h"
#include "viewwindow.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QItemSelectionModel>
#include <QLoggingCategory>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimerEvent>

Q_LOGGING_CATEGORY(lcMain, "tasquill.main")

namespace {
constexpr int PromotionIntervalMs = 8 * 60 * 60 * 1000;
// Fire a little after the minute has begun, so that a tick never lands in the minute
// before because of timer rounding.
constexpr int TickMarginMs = 20;
const QString DatabaseFile = QStringLiteral("event.db");
const QString DefaultSoundFile = QStringLiteral("dingdong.wav");
const QString BuiltInSound = QStringLiteral(":/sounds/dingdong.wav");
const QString ContactNumber = QStringLiteral("20140305");

// The window starts hidden in the tray: its images are decoded when first drawn.
QIcon lazyIcon(const QString &name, int pixels)
{
    return LazyIconEngine::icon(QStringLiteral(":/images/images/") + name, QSize(pixels, pixels));
}

// Default settings name "./dingdong.wav"; without that file every reminder would be
// silent, so the built-in chime is put there when it is missing.
void installDefaultSound()
{
    if (QFile::exists(DefaultSoundFile))
        return;
    if (!QFile::copy(BuiltInSound, DefaultSoundFile)) {
        qCWarning(lcMain) << "cannot write the default sound" << DefaultSoundFile;
        return;
    }
    // Copies out of the resources are read-only; the user may want to replace it.
    QFile::setPermissions(DefaultSoundFile, QFile::permissions(DefaultSoundFile)
                                                | QFile::WriteOwner | QFile::WriteUser);
}
} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    ui.setupUi(this);
    setWindowIcon(lazyIcon(QStringLiteral("logotwo.png"), 340));
    ui.setaction->setIcon(lazyIcon(QStringLiteral("set.png"), 48));
    ui.aboutaction->setIcon(lazyIcon(QStringLiteral("help.png"), 256));
    ui.viewaction->setIcon(lazyIcon(QStringLiteral("view.png"), 48));
    ui.action_M->setIcon(lazyIcon(QStringLiteral("sound.png"), 256));

    createActions();
    createTrayIcon();

    connect(ui.aboutaction, &QAction::triggered, this, &MainWindow::about);
    connect(ui.setaction, &QAction::triggered, this, &MainWindow::callSetwindow);
    connect(ui.viewaction, &QAction::triggered, this, &MainWindow::callViewwindow);
    connect(ui.action_M, &QAction::triggered, this, &MainWindow::callSoundSetWindow);
    connect(ui.mButton, &QPushButton::clicked, this, &MainWindow::moveItem);
    connect(ui.todayTableView, &QTableView::clicked, ui.todayTableView,
            &QTableView::resizeRowsToContents);

    installDefaultSound();
    initDatabase(DatabaseFile);

    startReminderTimer();
    adTimer = startTimer(PromotionIntervalMs);
    // The minute the program starts in is one of its minutes too: a reminder due now
    // must not be lost before the first tick.
    checkReminders(Clock::now());
}

MainWindow::~MainWindow() = default;

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

    trayIcon = new QSystemTrayIcon(lazyIcon(QStringLiteral("logotwo.png"), 340), this);
    trayIcon->setToolTip(QStringLiteral("Tasquill"));
    trayIcon->setContextMenu(trayIconMenu);
    trayIcon->setVisible(true);
}

void MainWindow::initDatabase(const QString &fileName)
{
    m_store = std::make_unique<EventStore>(fileName);
    if (!m_store->open())
        reportError(QStringLiteral("数据库错误"), m_store->lastError());
    rebuildTodayList();
}

void MainWindow::rebuildTodayList()
{
    const QDateTime now = Clock::now();
    if ((m_store->isOpen() || m_store->open()) && m_store->rebuildToday(now)) {
        m_clock.noteRebuilt(now.date());
        m_lastReportedError.clear(); // the next failure is news again
    } else {
        reportError(QStringLiteral("数据库错误"), m_store->lastError());
    }
    installTodayModel();
}

void MainWindow::installTodayModel()
{
    bool ok = true;
    const QList<QStringList> rows =
        m_store->isOpen() ? m_store->rows(QStringLiteral("todayeventtable"), &ok)
                          : QList<QStringList>();
    if (!ok)
        reportError(QStringLiteral("数据库错误"), m_store->lastError());

    TextRowsModel *previousModel = todayModel;
    QItemSelectionModel *previousSelection = ui.todayTableView->selectionModel();
    // A read-only copy of the table: the list shows what is stored, and nothing typed
    // into it could ever be stored. A new model also leaves no current row behind.
    todayModel = new TextRowsModel({QStringLiteral("时间"), QStringLiteral("内容")}, rows, this);
    ui.todayTableView->setModel(todayModel);
    // A once-only time such as "2014年3月5日 9:07" is wider than a column's default width.
    ui.todayTableView->resizeColumnToContents(0);
    if (previousSelection)
        previousSelection->deleteLater();
    if (previousModel)
        previousModel->deleteLater();
}

void MainWindow::startReminderTimer()
{
    reminderTimer = startTimer(ReminderClock::msecsToNextMinute(Clock::now()) + TickMarginMs,
                               Qt::PreciseTimer);
}

void MainWindow::timerEvent(QTimerEvent *event)
{
    const int id = event->timerId();
    if (id == reminderTimer) {
        // One shot per minute, re-aimed at the next minute's start each time, so ticks
        // do not drift away from the minutes they are meant to check.
        killTimer(reminderTimer);
        startReminderTimer();
        checkReminders(Clock::now());
    }
    if (id == adTimer) {
        lookupHomeHost();
        return;
    }
    QMainWindow::timerEvent(event);
}

void MainWindow::checkReminders(const QDateTime &now)
{
    const ReminderClock::Plan plan = m_clock.tick(now);
    if (plan.minutes.isEmpty() && !plan.rebuild)
        return;
    if (!m_store->isOpen() && !m_store->open()) {
        reportError(QStringLiteral("数据库错误"), m_store->lastError());
        return;
    }
    for (const QDateTime &minute : plan.minutes) {
        bool ok = false;
        const QList<Event> due = m_store->dueEvents(minute, &ok);
        if (!ok) {
            reportError(QStringLiteral("数据库错误"), m_store->lastError());
            continue;
        }
        for (const Event &event : due)
            showMsgWindow(event.time, event.content, event.kind);
    }
    if (plan.rebuild)
        rebuildTodayList();
}

void MainWindow::showMsgWindow(const QString &time, const QString &content, const QString &kind)
{
    auto *window = new MsgWindow(time, content, kind, *m_store);
    connect(window, &MsgWindow::completedSignal, this, &MainWindow::refresh);
    window->setAttribute(Qt::WA_DeleteOnClose);
    showAtBottomRight(window);
}

void MainWindow::showAtBottomRight(QWidget *widget)
{
    // The work area's size, not its corner: with a panel at the top or left the pop-up
    // ends up that much short of the corner, as it always has.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const auto place = [&] {
        const QRect frame = widget->frameGeometry();
        widget->move(area.width() - frame.width(), area.height() - frame.height());
    };
    place();
    widget->show();
    // A frame the platform adds only once the window is shown would push it off the corner.
    place();
}

void MainWindow::about()
{
    Dialogs::about(this, QStringLiteral("关于"),
                   QStringLiteral("Tasquill说明： \n\n 软件版本：V2.0.1 \n 联系方式：QQ:")
                       + ContactNumber);
}

void MainWindow::callSetwindow()
{
    auto *window = new SetWindow(*m_store);
    connect(window, &SetWindow::sRMainWindow, this, &MainWindow::refresh);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowFlags(Qt::WindowCloseButtonHint);
    window->show();
}

void MainWindow::callViewwindow()
{
    auto *window = new ViewWindow(*m_store);
    connect(this, &MainWindow::refreshTableView, window, &ViewWindow::showTableContent);
    connect(window, &ViewWindow::rMainWindow, this, &MainWindow::refresh);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowFlags(Qt::WindowCloseButtonHint);
    window->show();
}

void MainWindow::callSoundSetWindow()
{
    auto *window = new SoundSetWindow();
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowFlags(Qt::WindowCloseButtonHint);
    window->show();
}

void MainWindow::refresh()
{
    rebuildTodayList();
    emit refreshTableView();
}

void MainWindow::moveItem()
{
    const int row = ui.todayTableView->currentIndex().row();
    QString time;
    QString content;
    if (row >= 0 && todayModel) {
        const QStringList item = todayModel->row(row);
        time = item.value(0);
        content = item.value(1);
    }
    // The moment of the press, taken before the question: reminders may run meanwhile.
    const QDateTime pressed = Clock::now();
    if (!Dialogs::confirm(this, QStringLiteral("删除事项"),
                          QStringLiteral("删除说明该事项已完成，确定删除吗?"))
        || row < 0)
        return;

    if (!m_store->completeItem(time, content, pressed)) {
        // The user asked for this, so it is told every time, not once.
        Dialogs::error(this, QStringLiteral("删除事项"),
                       QStringLiteral("事项完成失败：") + m_store->lastError());
        return;
    }
    // A once-only item has left the event table and the history has grown, so open
    // browsers reload too.
    refresh();
}

void MainWindow::gotoURL()
{
    // A browser that does not open is not worth a message: the link is a convenience.
    QDesktopServices::openUrl(HomePage::pageUrl());
}

void MainWindow::lookupHomeHost()
{
    // Only a test that the network and the site can be reached; the answer, whenever it
    // comes, goes to showAdWindow().
    QHostInfo::lookupHost(HomePage::host(), this, &MainWindow::showAdWindow);
}

void MainWindow::showAdWindow(const QHostInfo &host)
{
    if (host.error() != QHostInfo::NoError) {
        qCDebug(lcMain).noquote() << "home page host not reached:" << host.errorString();
        return;
    }
    // Each window lives on after "关闭" merely hides it; nothing here keeps hold of it.
    if (QWidget *window = AdWindowLoader::create(HomePage::rootUrl()))
        showAtBottomRight(window);
}

void MainWindow::reportError(const QString &title, const QString &message)
{
    qCWarning(lcMain).noquote() << title << message;
    if (message == m_lastReportedError)
        return;
    m_lastReportedError = message;
    Dialogs::error(this, title, message);
}
