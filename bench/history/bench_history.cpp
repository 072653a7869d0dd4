// The event browser on a history of 100k rows: opening the window, querying a range of
// dates with and without a change to the file in between, and fitting the row heights as
// a click on a cell does. Today is Wednesday 5 March
// 2014; the rows are spread over the three years before it, nine in ten completed ("完成",
// dated by their completion time), one in ten once-only events missed ("未完成", dated by
// their own time text), and a few with a time text that names no date.
//
//   bench_history -median 5

#include "bulkwrite.h"
#include "clock.h"
#include "eventstore.h"
#include "historyrange.h"
#include "timetext.h"
#include "viewwindow.h"

#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QDateTime Now(QDate(2014, 3, 5), QTime(10, 0));
constexpr int HistoryRows = 100000;
constexpr int EventRows = 1000;

// Writes the history and a few events.
bool fill(const QString &path)
{
    return writeInOneTransaction(path, true, [](SqliteDatabase &db) {
        QRandomGenerator random(HistoryRows);
        SqliteStatement insert(db, Schema::info(Schema::Table::History).insert);
        bool ok = true;
        for (int i = 0; ok && i < HistoryRows; ++i) {
            const QDateTime at(Now.date().addDays(-random.bounded(3 * 365)),
                               QTime(random.bounded(24), random.bounded(60)));
            const QString content = QStringLiteral("事项 %1").arg(i);
            QStringList row;
            if (i % 1000 == 999)
                row = {QStringLiteral("某天 9:07"), content, Schema::statusText(Status::Missed),
                       QString(), QString()};
            else if (i % 10 == 0)
                row = {TimeText::composeOnce(at), content, Schema::statusText(Status::Missed),
                       QString(), TimeText::dateTag(at.date())};
            else
                row = {TimeText::composeDaily(at.time()), content, Schema::statusText(Status::Done),
                       TimeText::completionTime(at), TimeText::dateTag(at.date())};
            ok = insertRow(insert, row);
        }
        SqliteStatement event(db, Schema::info(Schema::Table::Events).insert);
        for (int i = 0; ok && i < EventRows; ++i) {
            ok = insertRow(event, eventRow({TimeText::composeDaily(QTime(i % 24, i % 60)),
                                            QStringLiteral("每天 %1").arg(i), Kind::Daily}));
        }
        return ok;
    });
}

void query(ViewWindow &window, const QDate &start, const QDate &end)
{
    window.findChild<QDateEdit *>(QStringLiteral("sDateEdit"))->setDate(start);
    window.findChild<QDateEdit *>(QStringLiteral("eDateEdit"))->setDate(end);
    window.findChild<QPushButton *>(QStringLiteral("queryButton"))->click();
}

int listed(ViewWindow &window)
{
    return window.findChild<QTableView *>(QStringLiteral("hTableView"))->model()->rowCount();
}

} // namespace

class BenchHistory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void readTable();
    void open();
    void query_data();
    void query();
    void queryAfterChange();
    void clickFitsRows_data();
    void clickFitsRows();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<EventStore> m_store;
};

void BenchHistory::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString path = m_dir.filePath(QStringLiteral("event.db"));
    QVERIFY(fill(path));
    Clock::setSource([] { return Now; });
    m_store = std::make_unique<EventStore>(path);
    QVERIFY2(m_store->open(), qPrintable(m_store->lastError().debugText()));
}

void BenchHistory::cleanupTestCase()
{
    m_store.reset();
    Clock::setSource({});
}

// Reading every history row through the store, for comparison.
void BenchHistory::readTable()
{
    int count = 0;
    QBENCHMARK
    {
        count = int(m_store->history(HistoryRange(QDate(1, 1, 1), QDate(9999, 12, 31)))->size());
    }
    QCOMPARE(count, HistoryRows);
}

// Opening a browser: both tabs read, the last month listed.
void BenchHistory::open()
{
    int count = 0;
    QBENCHMARK
    {
        ViewWindow window(*m_store);
        count = listed(window);
    }
    qDebug() << "last month lists" << count << "rows";
}

void BenchHistory::query_data()
{
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::newRow("one day") << QDate(2013, 11, 1) << QDate(2013, 11, 1);
    QTest::newRow("one month") << QDate(2013, 11, 5) << QDate(2013, 12, 5);
    QTest::newRow("one year") << QDate(2013, 1, 1) << QDate(2013, 12, 31);
    QTest::newRow("everything") << QDate(2000, 1, 1) << QDate(2014, 12, 31);
}

// "查询" with a range, on an open browser, the file unchanged since it opened.
void BenchHistory::query()
{
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    ViewWindow window(*m_store);
    QBENCHMARK
    {
        ::query(window, start, end);
    }
    qDebug() << "lists" << listed(window) << "rows";
}

// "查询" right after a row was added: the history is read again. Timed by hand, so that
// the insert (and its wait for the disk) is left out; the median of nine is reported.
void BenchHistory::queryAfterChange()
{
    ViewWindow window(*m_store);
    QList<qint64> times;
    for (int i = 0; i < 9; ++i) {
        QVERIFY(m_store->addEvent(
            {QStringLiteral("9:07"), QStringLiteral("新 %1").arg(i), Kind::Daily}));
        QElapsedTimer timer;
        timer.start();
        ::query(window, QDate(2013, 11, 5), QDate(2013, 12, 5));
        times << timer.nsecsElapsed();
    }
    std::sort(times.begin(), times.end());
    QTest::setBenchmarkResult(times.at(times.size() / 2) / 1e6, QTest::WalltimeMilliseconds);
}

void BenchHistory::clickFitsRows_data()
{
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::newRow("one month") << QDate(2013, 11, 5) << QDate(2013, 12, 5);
    QTest::newRow("everything") << QDate(2000, 1, 1) << QDate(2014, 12, 31);
}

// A click on a cell fits the height of every listed row to its contents.
void BenchHistory::clickFitsRows()
{
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    ViewWindow window(*m_store);
    window.show();
    ::query(window, start, end);
    auto *view = window.findChild<QTableView *>(QStringLiteral("hTableView"));
    QBENCHMARK
    {
        view->resizeRowsToContents();
    }
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchHistory bench;
    return QTest::qExec(&bench, argc, argv);
}

#include "bench_history.moc"
