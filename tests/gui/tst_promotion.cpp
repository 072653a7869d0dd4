#include "adwindowloader.h"
#include "eventstore.h"
#include "findwidgets.h"
#include "homepage.h"
#include "mainwindow.h"
#include "msgwindow.h"
#include "workspace.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {
const QDateTime March5At1015(QDate(2014, 3, 5), QTime(10, 15, 30));
// Resolves without any name server, so a look-up of it always succeeds.
const QString ReachableHost = QStringLiteral("127.0.0.1");
// Chromium starts its renderer slowly on a loaded machine; this only bounds a hang.
constexpr int PageTimeoutMs = 120000;

// Promotional windows. The class lives in the plugin, so it is known here by name only.
QList<QWidget *> allAdWindows()
{
    return topLevelWindows("AdWindow");
}

// Those the user can see.
QList<QWidget *> visibleAdWindows()
{
    return topLevelWindows("AdWindow", Which::Visible);
}

QHostInfo answer(QHostInfo::HostInfoError error)
{
    QHostInfo info;
    info.setHostName(HomePage::host());
    info.setError(error);
    if (error == QHostInfo::NoError)
        info.setAddresses({QHostAddress(QHostAddress::LocalHost)});
    else
        info.setErrorString(QStringLiteral("no such host"));
    return info;
}
} // namespace

// Receives the URLs the program hands to the desktop, instead of a browser.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

class TestPromotion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void homePageUrlsShareOneHttpsHost();
    void homePageLinkOpensHomePage();

    void timerDispatch();
    void failedLookUpShowsNothing_data();
    void failedLookUpShowsNothing();
    void successfulLookUpShowsOneWindowAtLowerRight();
    void closeHidesWithoutDestroying();
    void eachLookUpOpensAnotherWindow();

    void webViewLoadsPage_data();
    void webViewLoadsPage();

    void refusal_data();
    void refusal();
    void rootWithoutSandboxSwitchShowsNothing();
    void unusablePluginShowsNothing_data();
    void unusablePluginShowsNothing();

private:
    std::unique_ptr<Workspace> m_work;
    QString m_pluginDir;
};

void TestPromotion::initTestCase()
{
    // The plugin is built next to the program, not next to the tests.
    const QString program = qEnvironmentVariable("TASQUILL_BINARY");
    QVERIFY2(!program.isEmpty(), "TASQUILL_BINARY must name the built program");
    m_pluginDir = QFileInfo(program).absolutePath();
}

void TestPromotion::init()
{
    m_work = std::make_unique<Workspace>(March5At1015);
    QVERIFY(m_work->isValid());
    AdWindowLoader::setPluginDirectory(m_pluginDir);
}

void TestPromotion::cleanup()
{
    qDeleteAll(allAdWindows());
    qDeleteAll(openReminders());
    HomePage::setHost(QString());
    AdWindowLoader::setPluginDirectory(QString());
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    m_work.reset();
}

void TestPromotion::homePageUrlsShareOneHttpsHost()
{
    const QUrl page = HomePage::pageUrl();
    const QUrl root = HomePage::rootUrl();
    QVERIFY(!HomePage::host().isEmpty());
    QVERIFY2(page.isValid() && root.isValid(), qPrintable(page.toString() + " " + root.toString()));
    QCOMPARE(page.scheme(), QStringLiteral("https"));
    QCOMPARE(root.scheme(), QStringLiteral("https"));
    QCOMPARE(page.host(), HomePage::host());
    QCOMPARE(root.host(), HomePage::host());
    QCOMPARE(root.path(), QStringLiteral("/"));
    QVERIFY(page.path().size() > 1);
}

void TestPromotion::homePageLinkOpensHomePage()
{
    UrlCatcher browser;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
    MainWindow window;
    QAction *link = nullptr;
    for (QAction *action : window.findChildren<QAction *>())
        if (action->text() == QStringLiteral("软件主页"))
            link = action;
    QVERIFY(link);

    link->trigger();
    QCOMPARE(browser.opened, (QList<QUrl>{HomePage::pageUrl()}));
    QVERIFY(visibleAdWindows().isEmpty());
}

// The promotion timer only starts the look-up; the reminder timer only runs the minute
// check; any other timer does neither. A look-up is seen by the window its answer opens.
void TestPromotion::timerDispatch()
{
    HomePage::setHost(ReachableHost);
    m_work->addEvents({{"10:16", "喝水", "t"}, {"10:17", "吃药", "t"}});
    MainWindow window;
    m_work->setNow(m_work->now().addSecs(60)); // 10:16:30, when 喝水 is due

    QTimerEvent promotion(window.adTimerId());
    QCoreApplication::sendEvent(&window, &promotion);
    QVERIFY(openReminders().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(visibleAdWindows().size(), 1, PageTimeoutMs);

    QTimerEvent reminder(window.reminderTimerId());
    QCoreApplication::sendEvent(&window, &reminder);
    QCOMPARE(openReminders().size(), 1);

    m_work->setNow(m_work->now().addSecs(60)); // 10:17:30: a minute check now would open 吃药
    QTimerEvent other(window.adTimerId() + window.reminderTimerId() + 1000);
    QCoreApplication::sendEvent(&window, &other);
    QCOMPARE(openReminders().size(), 1);

    // Answers for one host come back in the order the look-ups were made: had the reminder
    // or the other timer started one, its window would be there before this one's.
    QCoreApplication::sendEvent(&window, &promotion);
    QTRY_COMPARE_WITH_TIMEOUT(visibleAdWindows().size(), 2, PageTimeoutMs);
    QCoreApplication::processEvents();
    QCOMPARE(visibleAdWindows().size(), 2);
    QCOMPARE(openReminders().size(), 1);
}

void TestPromotion::failedLookUpShowsNothing_data()
{
    QTest::addColumn<QHostInfo::HostInfoError>("error");
    QTest::newRow("unknown host") << QHostInfo::HostNotFound;
    QTest::newRow("other failure") << QHostInfo::UnknownError;
}

void TestPromotion::failedLookUpShowsNothing()
{
    QFETCH(QHostInfo::HostInfoError, error);
    MainWindow window;
    window.showAdWindow(answer(error));
    QCoreApplication::processEvents();
    QVERIFY(allAdWindows().isEmpty());
}

void TestPromotion::successfulLookUpShowsOneWindowAtLowerRight()
{
    MainWindow window;
    window.showAdWindow(answer(QHostInfo::NoError));

    const QList<QWidget *> shown = visibleAdWindows();
    QCOMPARE(shown.size(), 1);
    QWidget *ad = shown.first();
    QCOMPARE(ad->objectName(), QStringLiteral("AdWindow"));
    QCOMPARE(ad->windowTitle(), QStringLiteral("Form"));
    QCOMPARE(ad->size(), QSize(368, 574));
    QVERIFY(!ad->parentWidget());

    QCOMPARE(ad->windowType(), Qt::ToolTip);
    QVERIFY(ad->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(ad->windowFlags().testFlag(Qt::CustomizeWindowHint));

    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = ad->frameGeometry();
    QCOMPARE(frame.topLeft(), QPoint(area.width() - frame.width(), area.height() - frame.height()));

    // The page above, the button centred below it.
    auto *layout = qobject_cast<QGridLayout *>(ad->layout());
    QVERIFY(layout);
    QWidget *view = ad->findChild<QWidget *>("webView");
    auto *close = ad->findChild<QPushButton *>("closeButton");
    QVERIFY(view && close);
    QCOMPARE(close->text(), QStringLiteral("关闭"));
    int row, column, rowSpan, columnSpan;
    layout->getItemPosition(layout->indexOf(view), &row, &column, &rowSpan, &columnSpan);
    QCOMPARE(QList<int>({row, column, rowSpan, columnSpan}), QList<int>({0, 0, 1, 3}));
    layout->getItemPosition(layout->indexOf(close), &row, &column, &rowSpan, &columnSpan);
    QCOMPARE(QList<int>({row, column}), QList<int>({1, 1}));
    QVERIFY(close->geometry().center().x() - ad->width() / 2 <= 1
            && ad->width() / 2 - close->geometry().center().x() <= 1);

    // It goes to the site root, over https (the name need not resolve for the view to
    // move there and show its error page).
    QTRY_COMPARE_WITH_TIMEOUT(view->property("url").toUrl(), HomePage::rootUrl(), PageTimeoutMs);
}

void TestPromotion::closeHidesWithoutDestroying()
{
    MainWindow window;
    window.showAdWindow(answer(QHostInfo::NoError));
    QCOMPARE(visibleAdWindows().size(), 1);
    QPointer<QWidget> ad = visibleAdWindows().first();

    QTest::mouseClick(ad->findChild<QPushButton *>("closeButton"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(visibleAdWindows().isEmpty());
    QVERIFY(ad);
    QVERIFY(ad->isHidden());
}

void TestPromotion::eachLookUpOpensAnotherWindow()
{
    HomePage::setHost(ReachableHost);
    MainWindow window;
    window.lookupHomeHost();
    window.lookupHomeHost();
    QTRY_COMPARE_WITH_TIMEOUT(visibleAdWindows().size(), 2, PageTimeoutMs);
    const QList<QWidget *> shown = visibleAdWindows();
    QVERIFY(shown[0] != shown[1]);
    QCOMPARE(shown[0]->frameGeometry(), shown[1]->frameGeometry());
}

void TestPromotion::webViewLoadsPage_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QString>("title");
    QTest::newRow("local page") << "page.html" << true << "Tasquill 主页";
    QTest::newRow("missing page") << "missing.html" << false << "";
}

void TestPromotion::webViewLoadsPage()
{
    QFETCH(QString, fileName);
    QFETCH(bool, loaded);
    QFETCH(QString, title);
    QFile page(QStringLiteral("page.html"));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write(QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
                              "<title>Tasquill 主页</title></head><body>你好</body></html>")
                   .toUtf8());
    page.close();
    const QUrl url = QUrl::fromLocalFile(QDir::current().filePath(fileName));

    std::unique_ptr<QWidget> ad(AdWindowLoader::create(url));
    QVERIFY(ad);
    QWidget *view = ad->findChild<QWidget *>("webView");
    QVERIFY(view);
    QSignalSpy finished(view, SIGNAL(loadFinished(bool)));
    ad->show();

    // The form's about:blank may finish first; wait for the page asked for.
    QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty() && view->property("url").toUrl() == url,
                             PageTimeoutMs);
    QCOMPARE(finished.last().at(0).toBool(), loaded);
    if (loaded)
        QCOMPARE(view->property("title").toString(), title);
    QVERIFY(ad->isVisible());
}

void TestPromotion::refusal_data()
{
    QTest::addColumn<bool>("root");
    QTest::addColumn<bool>("userNamespaces");
    QTest::addColumn<QByteArray>("disableSandbox");
    QTest::addColumn<bool>("refused");
    QTest::newRow("user") << false << true << QByteArray() << false;
    QTest::newRow("user, sandbox off") << false << true << QByteArray("1") << false;
    QTest::newRow("user, no namespaces") << false << false << QByteArray() << true;
    QTest::newRow("user, no namespaces, sandbox off") << false << false << QByteArray("1") << false;
    QTest::newRow("root") << true << true << QByteArray() << true;
    QTest::newRow("root, switch set to 0") << true << true << QByteArray("0") << true;
    QTest::newRow("root, sandbox off") << true << true << QByteArray("1") << false;
}

void TestPromotion::refusal()
{
    QFETCH(bool, root);
    QFETCH(bool, userNamespaces);
    QFETCH(QByteArray, disableSandbox);
    QFETCH(bool, refused);
    QCOMPARE(!AdWindowLoader::refusal(root, userNamespaces, disableSandbox).isEmpty(), refused);
}

void TestPromotion::rootWithoutSandboxSwitchShowsNothing()
{
#ifdef Q_OS_UNIX
    if (geteuid() != 0)
        QSKIP("only as root does the web engine refuse to start with its sandbox");
#else
    QSKIP("only as root does the web engine refuse to start with its sandbox");
#endif
    const QByteArray saved = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
    qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
    MainWindow window;
    window.showAdWindow(answer(QHostInfo::NoError));
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", saved);
    QVERIFY(allAdWindows().isEmpty());
}

void TestPromotion::unusablePluginShowsNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("damaged") << QByteArray("\x7f" "ELF but nothing more");
}

void TestPromotion::unusablePluginShowsNothing()
{
    QFETCH(QByteArray, content);
    QTemporaryDir plugins;
    QVERIFY(plugins.isValid());
    if (!content.isEmpty()) {
#ifdef Q_OS_WIN
        QFile file(plugins.filePath(QStringLiteral("tasquill_adwindow.dll")));
#else
        QFile file(plugins.filePath(QStringLiteral("libtasquill_adwindow.so")));
#endif
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    AdWindowLoader::setPluginDirectory(plugins.path());
    MainWindow window;
    window.showAdWindow(answer(QHostInfo::NoError));
    QVERIFY(allAdWindows().isEmpty());
}

int main(int argc, char *argv[])
{
    // The web engine reads these when it starts. Running tests as root needs the sandbox off,
    // which is done here only, never in the program (QTWEBENGINE_DISABLE_SANDBOX=0 keeps it
    // on); a test machine seldom has a GPU.
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") + " --disable-gpu --disable-dev-shm-usage");
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QApplication app(argc, argv);
    TestPromotion test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_promotion.moc"
