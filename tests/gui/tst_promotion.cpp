#include "adwindowloader.h"
#include "files.h"
#include "homepage.h"
#include "mainwindow.h"
#include "workspace.h"

#include <QDesktopServices>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace {
// The window class lives in the plugin, so it is known here by name only.
QList<QWidget *> adWindows()
{
    QList<QWidget *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->inherits("AdWindow") && widget->isVisible())
            windows << widget;
    }
    return windows;
}

QHostInfo answer(QHostInfo::HostInfoError error)
{
    QHostInfo info;
    info.setError(error);
    return info;
}
} // namespace

class TestPromotion : public QObject
{
    Q_OBJECT

    QList<QUrl> m_opened;

public slots:
    // Receives the URLs the program hands to the desktop, instead of a browser.
    void openUrl(const QUrl &url) { m_opened << url; }

private slots:
    void homePageAndPromotion()
    {
        Workspace work;
        QDesktopServices::setUrlHandler("https", this, "openUrl");
        MainWindow window;
        window.gotoURL();
        QCOMPARE(m_opened, QList<QUrl>{HomePage::pageUrl()});
        // No window for a host that was not found, nor without the plugin.
        window.showAdWindow(answer(QHostInfo::HostNotFound));
        AdWindowLoader::setPluginDirectory(work.path());
        window.showAdWindow(answer(QHostInfo::NoError));
        QVERIFY(adWindows().isEmpty());

        // The plugin is built next to the program, not next to the tests.
        AdWindowLoader::setPluginDirectory(
            QFileInfo(qEnvironmentVariable("TASQUILL_BINARY")).path());
        window.showAdWindow(answer(QHostInfo::NoError));
        QCOMPARE(adWindows().size(), 1);
        QWidget *ad = adWindows().first();
        QCOMPARE(ad->frameGeometry().bottomRight(),
                 QGuiApplication::primaryScreen()->availableGeometry().bottomRight());
        QVERIFY(ad->windowFlags().testFlags(Qt::ToolTip | Qt::WindowStaysOnTopHint));
        QTRY_COMPARE_WITH_TIMEOUT(ad->findChild<QWidget *>("webView")->property("url").toUrl(),
                                  HomePage::rootUrl(), 120000);
        QTest::mouseClick(ad->findChild<QPushButton *>("closeButton"), Qt::LeftButton);
        QVERIFY(adWindows().isEmpty());
    }

    // Chromium ends the whole process when its sandbox cannot start.
    void refusal()
    {
        QVERIFY(AdWindowLoader::refusal(false, true, "").isEmpty());
        QVERIFY(!AdWindowLoader::refusal(false, false, "").isEmpty());
        QVERIFY(AdWindowLoader::refusal(false, false, "1").isEmpty());
        QVERIFY(!AdWindowLoader::refusal(true, true, "").isEmpty());
        QVERIFY(AdWindowLoader::refusal(true, true, "1").isEmpty());
    }
};

int main(int argc, char *argv[])
{
    // The web engine reads these when it starts. Running tests as root needs the sandbox off,
    // which is done here only, never in the program; a test machine seldom has a GPU.
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-dev-shm-usage");
    QApplication app(argc, argv);
    TestPromotion test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_promotion.moc"
