#include "dialogrecorder.h"
#include "eventstore.h"
#include "execonfile.h"
#include "files.h"
// The window header needs its generated form, which is private to the gui library.
#include "ui_msgwindow.h"
#include "msgwindow.h"
#include "workspace.h"

#include <QDataStream>
#include <QPointer>
#include <QSignalSpy>
#include <QSoundEffect>
#include <QTest>
#include <memory>

namespace {
// Wednesday, 5 March 2014, 20 seconds into 9:07.
const QDateTime Now(QDate(2014, 3, 5), QTime(9, 7, 20));
const QString DoneAt = QStringLiteral("2014年3月5日 9:07");

// Half a second of silence as a mono PCM WAV of the given sample width.
QByteArray wav(quint16 bits)
{
    const quint32 rate = 8000, width = bits / 8, size = rate / 2 * width;
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + size);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << rate << rate * width << quint16(width) << bits;
    out.writeRawData("data", 4);
    out << size;
    return data + QByteArray(int(size), '\0');
}

void deleteClosedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
} // namespace

class TestMsgWindow : public QObject
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
        deleteClosedWindows();
        m_store.reset();
        m_work.reset();
    }

    void completion_data();
    void completion();
    void sound_data();
    void sound();

private:
    // A reminder window as the clock opens it: no parent, destroyed when closed.
    QPointer<MsgWindow> open(const QString &time, const QString &content, const QString &kind)
    {
        auto *window = new MsgWindow(time, content, kind, *m_store);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        return window;
    }

    std::unique_ptr<Workspace> m_work;
    std::unique_ptr<EventStore> m_store;
};

void TestMsgWindow::completion_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("copies");
    QTest::addColumn<int>("eventsLeft"); // -1: the writes fail

    QTest::newRow("once-only") << DoneAt << "y" << 1 << 0;
    QTest::newRow("once-only, stored twice") << DoneAt << "y" << 2 << 0;
    QTest::newRow("yearly") << "3月5日 9:07" << "m" << 1 << 1;
    QTest::newRow("daily, stored twice") << "9:07" << "t" << 2 << 2;
    QTest::newRow("once-only, writes fail") << DoneAt << "y" << 1 << -1;
}

void TestMsgWindow::completion()
{
    QFETCH(QString, time);
    QFETCH(QString, kind);
    QFETCH(int, copies);
    QFETCH(int, eventsLeft);

    writeFile("a.wav", wav(16));
    writeFile("config.txt", "a.wav\nopensound\n");
    const QString content = QStringLiteral("开会\n带上报告");
    const QStringList other{time, QStringLiteral("别的事"), kind};
    for (int i = 0; i < copies; ++i)
        QVERIFY(m_store->addEvent({time, content, kind}));
    QVERIFY(m_store->addEvent({other[0], other[1], other[2]}));
    QVERIFY(m_store->rebuildToday(Now));
    const QStringList tables{"historyeventtable", "tceventtable", "eventtable", "todayeventtable"};
    QList<QList<QStringList>> expected;
    if (eventsLeft < 0) {
        for (const QString &table : tables)
            expected << m_store->rows(table);
        // The last of the writes fails: the earlier ones must not stay behind.
        QVERIFY(execOnFile({"create trigger refuse before delete on todayeventtable"
                            " begin select raise(abort, 'disk says no'); end"}));
    } else {
        expected << QList<QStringList>{{time, content, "完成", DoneAt, "201435"}}
                 << QList<QStringList>{{time, content, DoneAt}}
                 << QList<QStringList>(eventsLeft, {time, content, kind}) + QList<QStringList>{other}
                 << QList<QStringList>{other.mid(0, 2)};
    }

    DialogRecorder dialogs;
    QPointer<MsgWindow> window = open(time, content, kind);
    auto *text = window->findChild<QTextEdit *>("msgTextEdit");
    QTest::keyClicks(text, "typed");
    QCOMPARE(text->toPlainText(), content);
    QSignalSpy completed(window.data(), &MsgWindow::completedSignal);
    QPointer<QSoundEffect> sound = window->findChild<QSoundEffect *>();
    window->findChild<QPushButton *>("doButton")->click();

    for (int i = 0; i < tables.size(); ++i)
        QCOMPARE(m_store->rows(tables[i]), expected[i]);
    QCOMPARE(completed.size(), eventsLeft < 0 ? 0 : 1);
    deleteClosedWindows();
    QCOMPARE(window.isNull(), eventsLeft >= 0);
    QCOMPARE(dialogs.shown.size(), eventsLeft < 0 ? 1 : 0);
    if (eventsLeft < 0) {
        // Told, and still there with the sound off, to be tried again.
        QVERIFY(window->isVisible() && sound && !sound->isPlaying());
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("提醒"));
        QVERIFY2(dialogs.shown[0].text.startsWith(QStringLiteral("事项完成失败："))
                     && dialogs.shown[0].text.contains("disk says no"),
                 qPrintable(dialogs.shown[0].text));
    }
}

void TestMsgWindow::sound_data()
{
    QTest::addColumn<QString>("config"); // empty: no config.txt
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("bits"); // of the WAV written there; 0: a file that is no WAV
    QTest::addColumn<int>("plays"); // 1 loops, 0 silent, -1 either (but never a crash)
    QTest::addColumn<bool>("quietFirst"); // "稍等" before "完成"

    QTest::newRow("relative path") << "a.wav\nopensound\n" << "a.wav" << 16 << 1 << true;
    QTest::newRow("absolute, CR LF") << "@/铃声.wav\r\nopensound\r\n" << "铃声.wav" << 16 << 1 << false;
    QTest::newRow("no config.txt") << "" << "dingdong.wav" << 16 << 1 << false;
    QTest::newRow("closesound") << "a.wav\nclosesound\n" << "a.wav" << 16 << 0 << true;
    QTest::newRow("empty second line") << "a.wav\n\n" << "a.wav" << 16 << 0 << false;
    QTest::newRow("opensound with a blank") << "a.wav\nopensound \n" << "a.wav" << 16 << 0 << false;
    QTest::newRow("missing file") << "nope.wav\nopensound\n" << "a.wav" << 16 << 0 << true;
    QTest::newRow("not a WAV") << "junk.wav\nopensound\n" << "junk.wav" << 0 << 0 << false;
    QTest::newRow("24-bit WAV") << "deep.wav\nopensound\n" << "deep.wav" << 24 << -1 << true;
}

void TestMsgWindow::sound()
{
    QFETCH(QString, config);
    QFETCH(QString, file);
    QFETCH(int, bits);
    QFETCH(int, plays);
    QFETCH(bool, quietFirst);

    writeFile(file, bits ? wav(quint16(bits)) : QByteArray("RIFF but not really"));
    if (!config.isEmpty())
        writeFile("config.txt", config.replace('@', m_work->path()).toUtf8());

    QPointer<MsgWindow> window = open("9:07", "喝水", "t");
    QSignalSpy completed(window.data(), &MsgWindow::completedSignal);
    QPointer<QSoundEffect> sound = window->findChild<QSoundEffect *>();
    if (plays == 1) {
        QVERIFY(sound);
        QCOMPARE(sound->source(), QUrl::fromLocalFile(m_work->filePath(file)));
        QCOMPARE(sound->loopCount(), int(QSoundEffect::Infinite));
        // The file decodes; whether a sound device exists does not matter here.
        QTRY_COMPARE(sound->status(), QSoundEffect::Ready);
        QVERIFY(sound->isPlaying());
    } else if (sound) {
        QTRY_VERIFY(sound->status() != QSoundEffect::Loading);
        QVERIFY(plays == -1 || (sound->status() == QSoundEffect::Error && !sound->isPlaying()));
    }

    window->findChild<QPushButton *>(quietFirst ? "quietButton" : "doButton")->click();
    QVERIFY(!sound || !sound->isPlaying());
    if (quietFirst) {
        // Silenced, but still waiting for "完成".
        QVERIFY(window->isVisible());
        QCOMPARE(completed.size(), 0);
        window->findChild<QPushButton *>("doButton")->click();
    }
    QCOMPARE(completed.size(), 1);
    deleteClosedWindows();
    QVERIFY(window.isNull());
}

QTEST_MAIN(TestMsgWindow)
#include "tst_msgwindow.moc"
