#include "homepage.h"
#include "workspace.h"

// The product's site: the tray link's page, and whether the build names a real site at all
// (a reserved name never resolves, so the promotional window is never shown for it).
class TestHomePage : public QObject
{
    Q_OBJECT

private slots:
    void placeholders_data()
    {
        columns<QString, bool>("host", "placeholder");
        for (auto [host, placeholder] : {std::pair{"www.tasquill.example", true},
                                         {"example", true},
                                         {"a.TEST", true},
                                         {"tasquill.invalid", true},
                                         {"tasquill.cn", false},
                                         {"examples.com", false},
                                         {"example.com", false},
                                         {"mytest", false}})
            row(host, QString(host), placeholder);
    }
    void placeholders()
    {
        QFETCH(QString, host);
        QFETCH(bool, placeholder);
        QCOMPARE(HomePage::isPlaceholder(host), placeholder);
    }
    void pages()
    {
        QCOMPARE(HomePage::pageUrl().toString(), "https://" + HomePage::host() + "/index.html");
        QCOMPARE(HomePage::rootUrl().toString(), "https://" + HomePage::host() + "/");
        QVERIFY(!HomePage::host().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHomePage)
#include "tst_homepage.moc"
