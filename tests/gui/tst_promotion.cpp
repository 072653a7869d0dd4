#include "adwindowloader.h"
#include "files.h"
#include "findwidgets.h"
#include "homepage.h"
#include "mainwindow.h"
#include "workspace.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <unistd.h>

namespace {
// Chromium starts its renderer slowly on a loaded machine; this only bounds a hang.
constexpr int PageTimeoutMs = 120000;

// The window class lives in the plugin, so it is known here by name only.
QList<QWidget *> visibleAdWindows()
{
    return topLevelWindows("AdWindow", Which::Visible);
}

QHostInfo answer(QHostInfo::HostInfoError error)
{
    QHostInfo info;
    info.setError(error);
    if (error == QHostInfo::NoError)
        info.setAddresses({QHostAddress(QHostAddress::LocalHost)});
    return info;
}
} // namespace

class TestPromotion : public QObject
{
    Q_OBJECT

    std::unique_ptr<Workspace> m_work;
    QList<QUrl> m_opened;

public slots:
    // Receives the URLs the program hands to the desktop, instead of a browser.
    void openUrl(const QUrl &url) { m_opened << url; }

private slots:
    void init()
    {
        m_work = std::make_unique<Workspace>(QDateTime(QDate(2014, 3, 5), QTime(10, 15, 30)));
        QVERIFY(m_work->isValid());
        // The plugin is built next to the program, not next to the tests.
        AdWindowLoader::setPluginDirectory(QFileInfo(qEnvironmentVariable("TASQUILL_BINARY")).path());
    }

    void cleanup()
    {
        qDeleteAll(topLevelWindows("AdWindow"));
        qDeleteAll(openReminders());
        HomePage::setHost(QString());
        AdWindowLoader::setPluginDirectory(QString());
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        m_work.reset();
    }

    void homePageLinkOpensHttpsPage()
    {
        QCOMPARE(HomePage::pageUrl().scheme() + HomePage::rootUrl().scheme(), QStringLiteral("httpshttps"));
        QCOMPARE(HomePage::rootUrl(), HomePage::pageUrl().resolved(QUrl("/")));
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
        MainWindow window;
        for (QAction *action : window.findChildren<QAction *>()) {
            if (action->text() == QStringLiteral("软件主页"))
                action->trigger();
        }
        QCOMPARE(m_opened, (QList<QUrl>{HomePage::pageUrl()}));
        QVERIFY(visibleAdWindows().isEmpty());
    }

    // The promotion timer only starts the look-up, the reminder timer only the minute
    // check, any other timer neither. Each look-up opens a window of its own.
    void timerDispatch()
    {
        HomePage::setHost(QStringLiteral("127.0.0.1")); // found without any name server
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
        m_work->setNow(m_work->now().addSecs(60)); // a minute check now would open 吃药
        QTimerEvent other(window.adTimerId() + window.reminderTimerId() + 1000);
        QCoreApplication::sendEvent(&window, &other);
        QCOMPARE(openReminders().size(), 1);

        // Answers for one host come in the order asked: had the reminder or the other
        // timer started a look-up, its window would come before this one's.
        QCoreApplication::sendEvent(&window, &promotion);
        QTRY_COMPARE_WITH_TIMEOUT(visibleAdWindows().size(), 2, PageTimeoutMs);
        QCoreApplication::processEvents();
        QCOMPARE(visibleAdWindows().size(), 2);
    }

    void goodLookUpShowsWindowAtLowerRight()
    {
        MainWindow window;
        window.showAdWindow(answer(QHostInfo::NoError));
        QCOMPARE(visibleAdWindows().size(), 1);
        QPointer<QWidget> ad = visibleAdWindows().first();
        QCOMPARE(ad->size(), QSize(368, 574));
        QVERIFY(!ad->parentWidget());
        QCOMPARE(ad->windowType(), Qt::ToolTip);
        QVERIFY(ad->windowFlags().testFlags(Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint));
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(ad->frameGeometry().bottomRight(), area.bottomRight());
        auto *close = ad->findChild<QPushButton *>("closeButton");
        QCOMPARE(close->text(), QStringLiteral("关闭"));
        QVERIFY(qAbs(close->geometry().center().x() - ad->width() / 2) <= 1);
        // The site root, whether or not the name resolves.
        QWidget *view = ad->findChild<QWidget *>("webView");
        QTRY_COMPARE_WITH_TIMEOUT(view->property("url").toUrl(), HomePage::rootUrl(), PageTimeoutMs);

        QTest::mouseClick(close, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(ad && ad->isHidden());
    }

    void nothingShown_data()
    {
        QTest::addColumn<QHostInfo::HostInfoError>("error");
        QTest::addColumn<QByteArray>("plugin"); // null: the built one
        QTest::addColumn<bool>("sandbox"); // false: switched off for the tests, as in main()
        QTest::newRow("host not found") << QHostInfo::HostNotFound << QByteArray() << false;
        QTest::newRow("plugin missing") << QHostInfo::NoError << QByteArray("") << false;
        QTest::newRow("plugin damaged") << QHostInfo::NoError << QByteArray("\x7f" "ELF, no more") << false;
        QTest::newRow("root, sandbox on") << QHostInfo::NoError << QByteArray() << true;
    }

    void nothingShown()
    {
        QFETCH(QHostInfo::HostInfoError, error);
        QFETCH(QByteArray, plugin);
        QFETCH(bool, sandbox);
        if (sandbox && geteuid() != 0)
            QSKIP("only as root does the web engine refuse to start with its sandbox");
        QTemporaryDir plugins;
        if (!plugin.isNull()) {
            if (!plugin.isEmpty())
                writeFile(plugins.filePath("libtasquill_adwindow.so"), plugin);
            AdWindowLoader::setPluginDirectory(plugins.path());
        }
        const QByteArray saved = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
        if (sandbox)
            qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
        MainWindow window;
        window.showAdWindow(answer(error));
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", saved);
        QVERIFY(topLevelWindows("AdWindow").isEmpty());
    }

    void webViewLoadsLocalPage()
    {
        writeFile("page.html", QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
                                              "<title>Tasquill 主页</title></head></html>").toUtf8());
        const QUrl url = QUrl::fromLocalFile(QDir::current().filePath("page.html"));
        std::unique_ptr<QWidget> ad(AdWindowLoader::create(url));
        QVERIFY(ad);
        QWidget *view = ad->findChild<QWidget *>("webView");
        QSignalSpy finished(view, SIGNAL(loadFinished(bool)));
        ad->show();
        // The form's about:blank may finish first; wait for the page asked for.
        QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty() && view->property("url").toUrl() == url,
                                 PageTimeoutMs);
        QVERIFY(finished.last().at(0).toBool());
        QCOMPARE(view->property("title").toString(), QStringLiteral("Tasquill 主页"));
    }

    void refusal_data()
    {
        QTest::addColumn<bool>("root");
        QTest::addColumn<bool>("userNamespaces");
        QTest::addColumn<QByteArray>("disableSandbox");
        QTest::addColumn<bool>("refused");
        QTest::newRow("user") << false << true << QByteArray() << false;
        QTest::newRow("user, no namespaces") << false << false << QByteArray() << true;
        QTest::newRow("user, no namespaces, sandbox off") << false << false << QByteArray("1") << false;
        QTest::newRow("root") << true << true << QByteArray() << true;
        QTest::newRow("root, sandbox off") << true << true << QByteArray("1") << false;
    }

    void refusal()
    {
        QFETCH(bool, root);
        QFETCH(bool, userNamespaces);
        QFETCH(QByteArray, disableSandbox);
        QFETCH(bool, refused);
        QCOMPARE(!AdWindowLoader::refusal(root, userNamespaces, disableSandbox).isEmpty(), refused);
    }
};

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
