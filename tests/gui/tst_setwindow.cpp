#include "dialogrecorder.h"
#include "eventstore.h"
#include "findwidgets.h"
// The window header needs its generated form, which is private to the gui library.
#include "ui_setwindow.h"
#include "setwindow.h"
#include "workspace.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimeEdit>
#include <memory>

namespace {
// Wednesday, 5 March 2014, half a minute past 9:06.
const QDateTime Now(QDate(2014, 3, 5), QTime(9, 6, 30));

// What the user enters on one tab; fields left out stay as the window built them.
struct Entry
{
    QString kind;
    QString content;
    int month = 0;
    int day = 0;
    int weekday = -1;
    QTime time;
    QDateTime moment;
};

int tabOf(const QString &kind)
{
    return QStringList{"y", "m", "d", "t", "w"}.indexOf(kind);
}
} // namespace

Q_DECLARE_METATYPE(Entry)

class TestSetWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensOnWeeklyTab();
    void onceOnlyFieldStartsNowAndStopsAtAugust2013();
    void storesEachKindsText_data();
    void storesEachKindsText();
    void successBoxBeforeRefresh();
    void refusesPastOnceOnly_data();
    void refusesPastOnceOnly();
    void failedInsertIsReported_data();
    void failedInsertIsReported();
    void twoWindowsEachRefresh();

private:
    void enter(SetWindow &window, const Entry &entry);
    QTextEdit *contentBox(SetWindow &window, const QString &kind);

    std::unique_ptr<Workspace> m_work;
    std::unique_ptr<EventStore> m_store;
};

void TestSetWindow::init()
{
    m_work = std::make_unique<Workspace>(Now);
    QVERIFY(m_work->isValid());
    m_store = m_work->openStore();
    QVERIFY2(m_store->isOpen(), qPrintable(m_store->lastError()));
}

void TestSetWindow::cleanup()
{
    m_store.reset();
    m_work.reset();
}

QTextEdit *TestSetWindow::contentBox(SetWindow &window, const QString &kind)
{
    static const char *const names[] = {"ymdtextEdit", "mdTextEdit", "dTextEdit", "tTextEdit",
                                        "wTextEdit"};
    return child<QTextEdit>(window, names[tabOf(kind)]);
}

// Fills the tab of the entry's kind the way a user would leave it and presses its "确定".
void TestSetWindow::enter(SetWindow &window, const Entry &entry)
{
    child<QTabWidget>(window, "tabWidge")->setCurrentIndex(tabOf(entry.kind));
    contentBox(window, entry.kind)->setPlainText(entry.content);
    const char *timeEdit = nullptr;
    const char *button = nullptr;
    if (entry.kind == "y") {
        if (entry.moment.isValid())
            child<QDateTimeEdit>(window, "ymdtdateTimeEdit")->setDateTime(entry.moment);
        button = "ymdOkButton";
    } else if (entry.kind == "m") {
        if (entry.month)
            child<QSpinBox>(window, "mSpinBox")->setValue(entry.month);
        if (entry.day)
            child<QSpinBox>(window, "dSpinBox")->setValue(entry.day);
        timeEdit = "mdTimeEdit";
        button = "mdOkButton";
    } else if (entry.kind == "d") {
        if (entry.day)
            child<QSpinBox>(window, "dSpinBox2")->setValue(entry.day);
        timeEdit = "dTimeEdit";
        button = "dOkButton";
    } else if (entry.kind == "t") {
        timeEdit = "tTimeEdit";
        button = "tOkButton";
    } else {
        if (entry.weekday >= 0)
            child<QComboBox>(window, "wComboBox")->setCurrentIndex(entry.weekday);
        timeEdit = "wTimeEdit";
        button = "wOkButton";
    }
    if (timeEdit && entry.time.isValid())
        child<QTimeEdit>(window, timeEdit)->setTime(entry.time);
    QTest::mouseClick(child<QPushButton>(window, button), Qt::LeftButton);
}

void TestSetWindow::opensOnWeeklyTab()
{
    SetWindow window(*m_store);
    auto *tabs = child<QTabWidget>(window, "tabWidge");
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    QCOMPARE(titles, (QStringList{"年月日", "月日", "日", "每天", "每周"}));
    QCOMPARE(tabs->currentIndex(), 4);

    auto *weekdays = child<QComboBox>(window, "wComboBox");
    QStringList items;
    for (int i = 0; i < weekdays->count(); ++i)
        items << weekdays->itemText(i);
    QCOMPARE(items, (QStringList{"星期一", "星期二", "星期三", "星期四", "星期五", "星期六",
                                 "星期天"}));
    QCOMPARE(weekdays->currentText(), QStringLiteral("星期一"));
    QCOMPARE(window.windowTitle(), QStringLiteral(" 事项设置"));
}

void TestSetWindow::onceOnlyFieldStartsNowAndStopsAtAugust2013()
{
    SetWindow window(*m_store);
    auto *edit = child<QDateTimeEdit>(window, "ymdtdateTimeEdit");
    QCOMPARE(edit->text(), QStringLiteral("2014年3月5日 9:06"));
    edit->setDate(QDate(2013, 7, 31));
    QCOMPARE(edit->date(), QDate(2013, 8, 1));
    QCOMPARE(child<QTimeEdit>(window, "tTimeEdit")->text(), QStringLiteral("0:00"));
}

void TestSetWindow::storesEachKindsText_data()
{
    QTest::addColumn<Entry>("entry");
    QTest::addColumn<QString>("timeText");

    QTest::newRow("once, a minute ahead")
        << Entry{"y", "开会", 0, 0, -1, {}, QDateTime(QDate(2014, 3, 5), QTime(9, 7))}
        << "2014年3月5日 9:07";
    QTest::newRow("once, next year")
        << Entry{"y", "体检", 0, 0, -1, {}, QDateTime(QDate(2015, 10, 1), QTime(20, 0))}
        << "2015年10月1日 20:00";
    QTest::newRow("yearly") << Entry{"m", "国庆", 10, 1, -1, QTime(8, 30), {}} << "10月1日 8:30";
    QTest::newRow("yearly, no such day")
        << Entry{"m", "不存在的日子", 2, 31, -1, QTime(9, 5), {}} << "2月31日 9:05";
    QTest::newRow("yearly, untouched") << Entry{"m", "元旦", 0, 0, -1, {}, {}} << "1月1日 0:00";
    QTest::newRow("monthly, 31st") << Entry{"d", "交房租", 0, 31, -1, QTime(20, 0), {}}
                                   << "31日 20:00";
    QTest::newRow("monthly, 5th") << Entry{"d", "工资", 0, 5, -1, QTime(9, 5), {}} << "5日 9:05";
    QTest::newRow("daily") << Entry{"t", "喝水", 0, 0, -1, QTime(7, 45), {}} << "7:45";
    QTest::newRow("daily, untouched time") << Entry{"t", "午夜", 0, 0, -1, {}, {}} << "0:00";
    QTest::newRow("daily, empty content") << Entry{"t", "", 0, 0, -1, QTime(23, 59), {}}
                                          << "23:59";
    QTest::newRow("daily, several lines, blanks kept")
        << Entry{"t", "  第一行\n第二行\n\n第四行 ", 0, 0, -1, QTime(12, 0), {}} << "12:00";
    QTest::newRow("weekly, Wednesday") << Entry{"w", "周会", 0, 0, 2, QTime(18, 0), {}}
                                       << "星期三 18:00";
    QTest::newRow("weekly, Sunday") << Entry{"w", "礼拜", 0, 0, 6, QTime(10, 0), {}}
                                    << "星期天 10:00";
    QTest::newRow("weekly, untouched") << Entry{"w", "周一早", 0, 0, -1, {}, {}}
                                       << "星期一 0:00";
}

void TestSetWindow::storesEachKindsText()
{
    QFETCH(Entry, entry);
    QFETCH(QString, timeText);

    DialogRecorder dialogs;
    SetWindow window(*m_store);
    window.show();
    QSignalSpy refreshed(&window, &SetWindow::sRMainWindow);
    enter(window, entry);

    bool ok = false;
    QCOMPARE(m_store->rows("eventtable", &ok),
             (QList<QStringList>{{timeText, entry.content, entry.kind}}));
    QVERIFY(ok);
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, Dialogs::Kind::About);
    QCOMPARE(dialogs.shown[0].title, QStringLiteral("事项设置"));
    QCOMPARE(dialogs.shown[0].text, QStringLiteral("事项设置成功！"));
    QCOMPARE(refreshed.size(), 1);
    // The window keeps the input, ready for the next entry.
    QVERIFY(window.isVisible());
    QCOMPARE(contentBox(window, entry.kind)->toPlainText(), entry.content);
}

void TestSetWindow::successBoxBeforeRefresh()
{
    SetWindow window(*m_store);
    QSignalSpy refreshed(&window, &SetWindow::sRMainWindow);
    int rowsWhenShown = -1;
    int refreshesWhenShown = -1;
    Dialogs::setResponder([&](const Dialogs::Request &) {
        rowsWhenShown = m_store->rows("eventtable").size();
        refreshesWhenShown = refreshed.size();
        return QString();
    });
    enter(window, Entry{"t", "喝水", 0, 0, -1, QTime(9, 7), {}});
    Dialogs::setResponder({});

    QCOMPARE(rowsWhenShown, 1);
    QCOMPARE(refreshesWhenShown, 0);
    QCOMPARE(refreshed.size(), 1);
}

void TestSetWindow::refusesPastOnceOnly_data()
{
    QTest::addColumn<QDateTime>("moment");
    QTest::newRow("untouched (the moment the window opened)") << QDateTime();
    QTest::newRow("the current minute") << QDateTime(QDate(2014, 3, 5), QTime(9, 6));
    QTest::newRow("an hour ago") << QDateTime(QDate(2014, 3, 5), QTime(8, 6));
    QTest::newRow("last year") << QDateTime(QDate(2013, 12, 31), QTime(23, 59));
}

void TestSetWindow::refusesPastOnceOnly()
{
    QFETCH(QDateTime, moment);

    DialogRecorder dialogs;
    SetWindow window(*m_store);
    QSignalSpy refreshed(&window, &SetWindow::sRMainWindow);
    enter(window, Entry{"y", "过期了", 0, 0, -1, {}, moment});

    QCOMPARE(m_store->rows("eventtable"), QList<QStringList>());
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, Dialogs::Kind::About);
    QCOMPARE(dialogs.shown[0].title, QStringLiteral("警告"));
    QCOMPARE(dialogs.shown[0].text, QStringLiteral("您输入的是过期时间，请重新输入！"));
    QCOMPARE(refreshed.size(), 0);
    QCOMPARE(contentBox(window, "y")->toPlainText(), QStringLiteral("过期了"));
}

void TestSetWindow::failedInsertIsReported_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("file is not a database") << "garbage";
    QTest::newRow("eventtable dropped") << "drop";
}

void TestSetWindow::failedInsertIsReported()
{
    QFETCH(QString, fault);

    QByteArray garbage;
    if (fault == "garbage") {
        m_store.reset();
        garbage = QByteArray("这不是数据库 / not a database\n").repeated(200);
        QFile file("notes.db");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(garbage);
        file.close();
        m_store = std::make_unique<EventStore>(QStringLiteral("notes.db"));
        m_store->open();
    } else {
        QSqlQuery query(m_store->database());
        QVERIFY(query.exec("drop table eventtable"));
    }

    DialogRecorder dialogs;
    SetWindow window(*m_store);
    window.show();
    QSignalSpy refreshed(&window, &SetWindow::sRMainWindow);
    enter(window, Entry{"t", "喝水", 0, 0, -1, QTime(9, 7), {}});

    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, Dialogs::Kind::Error);
    QCOMPARE(dialogs.shown[0].title, QStringLiteral("事项设置"));
    const QString prefix = QStringLiteral("事项设置失败：");
    QVERIFY2(dialogs.shown[0].text.startsWith(prefix), qPrintable(dialogs.shown[0].text));
    QVERIFY2(dialogs.shown[0].text.size() > prefix.size(), "the reason is missing");
    QCOMPARE(refreshed.size(), 0);
    QVERIFY(window.isVisible());
    QCOMPARE(contentBox(window, "t")->toPlainText(), QStringLiteral("喝水"));
    QCOMPARE(child<QTimeEdit>(window, "tTimeEdit")->time(), QTime(9, 7));

    if (fault == "garbage") {
        QFile file("notes.db");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), garbage);
    }
}

void TestSetWindow::twoWindowsEachRefresh()
{
    DialogRecorder dialogs;
    SetWindow first(*m_store);
    SetWindow second(*m_store);
    first.show();
    second.show();
    QSignalSpy firstRefreshed(&first, &SetWindow::sRMainWindow);
    QSignalSpy secondRefreshed(&second, &SetWindow::sRMainWindow);

    enter(first, Entry{"t", "喝水", 0, 0, -1, QTime(9, 7), {}});
    QCOMPARE(firstRefreshed.size(), 1);
    QCOMPARE(secondRefreshed.size(), 0);

    enter(second, Entry{"w", "周会", 0, 0, 4, QTime(15, 0), {}});
    QCOMPARE(firstRefreshed.size(), 1);
    QCOMPARE(secondRefreshed.size(), 1);

    // The same input pressed again is a second, identical reminder.
    QTest::mouseClick(child<QPushButton>(first, "tOkButton"), Qt::LeftButton);
    QCOMPARE(firstRefreshed.size(), 2);

    QCOMPARE(m_store->rows("eventtable"), (QList<QStringList>{{"9:07", "喝水", "t"},
                                                              {"星期五 15:00", "周会", "w"},
                                                              {"9:07", "喝水", "t"}}));
    QCOMPARE(dialogs.shown.size(), 3);
}

QTEST_MAIN(TestSetWindow)
#include "tst_setwindow.moc"
