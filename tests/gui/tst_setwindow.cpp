#include "dialogrecorder.h"
#include "eventstore.h"
#include "findwidgets.h"
// The window header needs its generated form, which is private to the gui library.
#include "ui_setwindow.h"
#include "setwindow.h"
#include "workspace.h"

#include <QMetaProperty>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>
#include <memory>

namespace {
// Wednesday, 5 March 2014, half a minute past 9:06.
const QDateTime Now(QDate(2014, 3, 5), QTime(9, 6, 30));

// What the user leaves in the window: widget object name → value.
using Input = QVariantMap;

// The value a widget of the form holds, or with `value` given, sets it first.
QVariant valueOf(QWidget *widget, const QVariant &value = {})
{
    if (auto *text = qobject_cast<QTextEdit *>(widget)) {
        if (value.isValid())
            text->setPlainText(value.toString());
        return text->toPlainText();
    }
    const QMetaProperty property = widget->metaObject()->userProperty();
    if (value.isValid())
        property.write(widget, value);
    return property.read(widget);
}
} // namespace

class TestSetWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_work = std::make_unique<Workspace>(Now);
        QVERIFY(m_work->isValid());
        m_store = m_work->openStore();
        QVERIFY2(m_store->isOpen(), qPrintable(m_store->lastError()));
    }
    void cleanup()
    {
        m_store.reset();
        m_work.reset();
    }

    void entry_data();
    void entry();
    void twoWindowsEachRefresh();

private:
    std::unique_ptr<Workspace> m_work;
    std::unique_ptr<EventStore> m_store;
};

void TestSetWindow::entry_data()
{
    QTest::addColumn<Input>("input");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("stored"); // the row in eventtable; empty: none
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message"); // ending in "：", the start of it

    const QString set = QStringLiteral("事项设置"), ok = QStringLiteral("事项设置成功！");
    const QString past = QStringLiteral("您输入的是过期时间，请重新输入！");
    const QString fail = QStringLiteral("事项设置失败："); // and the reason
    const QDateTime nextMinute(QDate(2014, 3, 5), QTime(9, 7));
    using Row = QStringList;
    QTest::newRow("once, next minute")
        << Input{{"ymdtdateTimeEdit", nextMinute}, {"ymdtextEdit", "开会"}} << "ymdOkButton"
        << Row{"2014年3月5日 9:07", "开会", "y"} << set << ok;
    QTest::newRow("yearly, 2月31日")
        << Input{{"mSpinBox", 2}, {"dSpinBox", 31}, {"mdTimeEdit", QTime(9, 5)}}
        << "mdOkButton" << Row{"2月31日 9:05", "", "m"} << set << ok;
    QTest::newRow("monthly, 31st")
        << Input{{"dSpinBox2", 31}, {"dTimeEdit", QTime(20, 0)}, {"dTextEdit", "房租"}}
        << "dOkButton" << Row{"31日 20:00", "房租", "d"} << set << ok;
    QTest::newRow("daily, lines and blanks")
        << Input{{"tTimeEdit", QTime(12, 0)}, {"tTextEdit", " 一\n二\n\n四 "}} << "tOkButton"
        << Row{"12:00", " 一\n二\n\n四 ", "t"} << set << ok;
    QTest::newRow("daily, untouched") << Input{} << "tOkButton" << Row{"0:00", "", "t"} << set << ok;
    QTest::newRow("weekly, Sunday")
        << Input{{"wComboBox", "星期天"}, {"wTimeEdit", QTime(10, 0)}, {"wTextEdit", "礼拜"}}
        << "wOkButton" << Row{"星期天 10:00", "礼拜", "w"} << set << ok;
    QTest::newRow("once, untouched") << Input{{"ymdtextEdit", "旧"}} << "ymdOkButton" << Row() << "警告" << past;
    QTest::newRow("once, this minute") << Input{{"ymdtdateTimeEdit", nextMinute.addSecs(-60)}}
                                       << "ymdOkButton" << Row() << "警告" << past;
    QTest::newRow("insert fails") << Input{{"tTextEdit", "喝"}} << "tOkButton" << Row() << set << fail;
}

void TestSetWindow::entry()
{
    QFETCH(Input, input);
    QFETCH(QString, button);
    QFETCH(QStringList, stored);
    QFETCH(QString, title);
    QFETCH(QString, message);

    if (message.endsWith("："))
        QVERIFY(QSqlQuery(m_store->database()).exec("drop table eventtable"));
    DialogRecorder dialogs;
    SetWindow window(*m_store);
    window.show();
    QCOMPARE(child<QTabWidget>(window, "tabWidge")->currentIndex(), 4); // opens on 每周
    QSignalSpy refreshed(&window, &SetWindow::sRMainWindow);
    for (auto it = input.cbegin(); it != input.cend(); ++it)
        valueOf(child<QWidget>(window, qPrintable(it.key())), *it);
    child<QPushButton>(window, qPrintable(button))->click();

    QCOMPARE(m_store->rows("eventtable"),
             stored.isEmpty() ? QList<QStringList>() : QList<QStringList>{stored});
    QCOMPARE(refreshed.size(), stored.isEmpty() ? 0 : 1);
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].title, title);
    const QString shown = dialogs.shown[0].text;
    QVERIFY2(message.endsWith("：") ? shown.startsWith(message) && shown.size() > message.size()
                                    : shown == message,
             qPrintable(shown));
    // The input stays, for the next entry or another try.
    QVERIFY(window.isVisible());
    for (auto it = input.cbegin(); it != input.cend(); ++it)
        QCOMPARE(valueOf(child<QWidget>(window, qPrintable(it.key()))), *it);
}

void TestSetWindow::twoWindowsEachRefresh()
{
    DialogRecorder dialogs;
    SetWindow first(*m_store);
    SetWindow second(*m_store);
    QSignalSpy firstRefreshed(&first, &SetWindow::sRMainWindow);
    QSignalSpy secondRefreshed(&second, &SetWindow::sRMainWindow);
    child<QTextEdit>(first, "tTextEdit")->setPlainText("喝水");
    child<QTextEdit>(second, "wTextEdit")->setPlainText("周会");

    child<QPushButton>(first, "tOkButton")->click();
    child<QPushButton>(second, "wOkButton")->click();
    // The same input pressed again is a second, identical reminder.
    child<QPushButton>(first, "tOkButton")->click();

    QCOMPARE(firstRefreshed.size(), 2);
    QCOMPARE(secondRefreshed.size(), 1);
    QCOMPARE(m_store->rows("eventtable"),
             (QList<QStringList>{{"0:00", "喝水", "t"}, {"星期一 0:00", "周会", "w"},
                                 {"0:00", "喝水", "t"}}));
}

QTEST_MAIN(TestSetWindow)
#include "tst_setwindow.moc"
