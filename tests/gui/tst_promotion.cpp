#include "homepage.h"
#include "mainwindow.h"
#include "promotion.h"
#include "workspace.h"

#include <QDesktopServices>
#include <QProcess>
#include <QTest>

#include <csignal>

class TestPromotion : public QObject
{
    Q_OBJECT

    QList<QUrl> m_opened;

    static QHostInfo answer(QHostInfo::HostInfoError error)
    {
        QHostInfo info;
        info.setError(error);
        return info;
    }

public slots:
    // Receives the URLs the program hands to the desktop, instead of a browser.
    void openUrl(const QUrl &url) { m_opened << url; }

private slots:
    // The link opens the home page; a look-up that found the host starts the web view in a
    // process of its own, whose crash leaves the program going, and which ends with it.
    void homePageAndPromotion()
    {
        Workspace work;
        QDesktopServices::setUrlHandler("https", this, "openUrl");
        auto main = std::make_unique<MainWindow>();
        main->gotoURL();
        QCOMPARE(m_opened, QList<QUrl>{HomePage::pageUrl()});
        auto *promotion = main->findChild<Promotion *>();
        main->showAdWindow(answer(QHostInfo::HostNotFound));
        QCOMPARE(promotion->shown(), 0);

        main->showAdWindow(answer(QHostInfo::NoError));
        main->showAdWindow(answer(QHostInfo::NoError));
        QCOMPARE(promotion->shown(), 2);
        QList<QProcess *> helpers = promotion->findChildren<QProcess *>();
        ::kill(pid_t(helpers[0]->processId()), SIGABRT);
        QTRY_COMPARE(promotion->shown(), 1);
        const qint64 survivor = helpers[1]->processId();
        main.reset();
        QCOMPARE(::kill(pid_t(survivor), 0), -1);
    }
};

int main(int argc, char *argv[])
{
    // Running tests as root needs the web engine's sandbox off, which is done here only;
    // a test machine seldom has a GPU.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-dev-shm-usage");
    QApplication app(argc, argv);
    TestPromotion test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_promotion.moc"
