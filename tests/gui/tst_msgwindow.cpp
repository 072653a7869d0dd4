#include "dialogrecorder.h"
#include "eventstore.h"
#include "execonfile.h"
#include "files.h"
// The window header needs its generated form, which is private to the gui library.
#include "ui_msgwindow.h"
#include "msgwindow.h"
#include "workspace.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSoundEffect>
#include <QTest>
#include <QTextEdit>
#include <QtEndian>
#include <cmath>
#include <memory>

namespace {
// Wednesday, 5 March 2014, 20 seconds into 9:07.
const QDateTime Now(QDate(2014, 3, 5), QTime(9, 7, 20));
const QString DoneAt = QStringLiteral("2014年3月5日 9:07");
const QString DoneTag = QStringLiteral("201435");

// A short mono PCM tone of the given sample width.
void writeWav(const QString &path, int bitsPerSample)
{
    const quint32 rate = 8000;
    const int frames = 4000;
    const int width = bitsPerSample / 8;
    QByteArray samples;
    for (int i = 0; i < frames; ++i) {
        const qint32 value = qint32(std::sin(i * 0.2) * (1 << (bitsPerSample - 2)));
        for (int b = 0; b < width; ++b)
            samples.append(char((value >> (8 * b)) & 0xff));
    }
    QByteArray wav;
    auto u32 = [&wav](quint32 v) { char c[4]; qToLittleEndian(v, c); wav.append(c, 4); };
    auto u16 = [&wav](quint16 v) { char c[2]; qToLittleEndian(v, c); wav.append(c, 2); };
    wav.append("RIFF");
    u32(36 + samples.size());
    wav.append("WAVEfmt ");
    u32(16);
    u16(1); // PCM
    u16(1); // mono
    u32(rate);
    u32(rate * width);
    u16(width);
    u16(bitsPerSample);
    wav.append("data");
    u32(samples.size());
    wav.append(samples);

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(wav) != wav.size())
        qFatal("cannot write %s", qPrintable(path));
}

// The rows of a table whose time and content are these.
int countRows(const QList<QStringList> &rows, const QString &time, const QString &content)
{
    return int(std::count_if(rows.begin(), rows.end(), [&](const QStringList &row) {
        return row.size() >= 2 && row[0] == time && row[1] == content;
    }));
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
    void init();
    void cleanup();

    void showsContentReadOnly();
    void completionRecordsItem_data();
    void completionRecordsItem();
    void failedCompletionChangesNothing_data();
    void failedCompletionChangesNothing();
    void soundLoopsConfiguredFile_data();
    void soundLoopsConfiguredFile();
    void soundStopsOnEitherButton_data();
    void soundStopsOnEitherButton();
    void silentUnlessExactlyOpensound_data();
    void silentUnlessExactlyOpensound();
    void unplayableSoundIsSilent_data();
    void unplayableSoundIsSilent();

private:
    // A reminder window as the clock opens it: no parent, destroyed when closed.
    MsgWindow *open(const QString &time, const QString &content, const QString &kind)
    {
        auto *window = new MsgWindow(time, content, kind, *m_store);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        return window;
    }
    void addEvents(const QList<Event> &events)
    {
        for (const Event &event : events)
            QVERIFY2(m_store->addEvent(event), qPrintable(m_store->lastError()));
        QVERIFY2(m_store->rebuildToday(Now), qPrintable(m_store->lastError()));
    }
    static QPushButton *button(MsgWindow *window, const char *name)
    {
        return window->findChild<QPushButton *>(QLatin1String(name));
    }
    QString path(const QString &name) const { return m_work->filePath(name); }

    std::unique_ptr<Workspace> m_work;
    std::unique_ptr<EventStore> m_store;
};

void TestMsgWindow::init()
{
    m_work = std::make_unique<Workspace>(Now);
    QVERIFY(m_work->isValid());
    m_store = m_work->openStore();
    QVERIFY2(m_store->isOpen(), qPrintable(m_store->lastError()));
}

void TestMsgWindow::cleanup()
{
    deleteClosedWindows();
    m_store.reset();
    m_work.reset();
}

void TestMsgWindow::showsContentReadOnly()
{
    writeFile("config.txt", "chime.wav\nclosesound\n");
    const QString content = QStringLiteral("<b>不是粗体</b>\n第二行 ");
    QPointer<MsgWindow> window = open("9:07", content, "t");
    QCOMPARE(window->windowFlags(),
             Qt::ToolTip | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);

    auto *text = window->findChild<QTextEdit *>("msgTextEdit");
    QCOMPARE(text->toPlainText(), content);
    QTest::keyClicks(text, "typed");
    QCOMPARE(text->toPlainText(), content);
    delete window;
}

void TestMsgWindow::completionRecordsItem_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("copies");
    QTest::addColumn<int>("eventsLeft");

    QTest::newRow("once-only") << DoneAt << "y" << 1 << 0;
    QTest::newRow("once-only, stored twice") << DoneAt << "y" << 2 << 0;
    QTest::newRow("yearly") << "3月5日 9:07" << "m" << 1 << 1;
    QTest::newRow("monthly") << "5日 9:07" << "d" << 1 << 1;
    QTest::newRow("daily") << "9:07" << "t" << 1 << 1;
    QTest::newRow("daily, stored twice") << "9:07" << "t" << 2 << 2;
    QTest::newRow("weekly") << "星期三 9:07" << "w" << 1 << 1;
}

void TestMsgWindow::completionRecordsItem()
{
    QFETCH(QString, time);
    QFETCH(QString, kind);
    QFETCH(int, copies);
    QFETCH(int, eventsLeft);

    writeFile("config.txt", "chime.wav\nclosesound\n");
    const QString content = QStringLiteral("开会\n带上报告");
    const Event other{time, QStringLiteral("别的事"), kind};
    QList<Event> events(copies, Event{time, content, kind});
    events.append(other);
    addEvents(events);
    QCOMPARE(countRows(m_store->rows("todayeventtable"), time, content), copies);

    DialogRecorder dialogs;
    QPointer<MsgWindow> window = open(time, content, kind);
    QSignalSpy completed(window.data(), &MsgWindow::completedSignal);
    QTest::mouseClick(button(window, "doButton"), Qt::LeftButton);

    QCOMPARE(completed.size(), 1);
    QCOMPARE(dialogs.shown.size(), 0);
    QCOMPARE(m_store->rows("historyeventtable"),
             (QList<QStringList>{{time, content, "完成", DoneAt, DoneTag}}));
    QCOMPARE(m_store->rows("tceventtable"), (QList<QStringList>{{time, content, DoneAt}}));
    const QList<QStringList> stored = m_store->rows("eventtable");
    QCOMPARE(countRows(stored, time, content), eventsLeft);
    QCOMPARE(countRows(stored, other.time, other.content), 1);
    const QList<QStringList> today = m_store->rows("todayeventtable");
    QCOMPARE(countRows(today, time, content), 0);
    QCOMPARE(countRows(today, other.time, other.content), 1);

    QVERIFY(!window->isVisible());
    deleteClosedWindows();
    QVERIFY(window.isNull());
}

void TestMsgWindow::failedCompletionChangesNothing_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::newRow("history refuses the row")
        << "before insert on historyeventtable";
    QTest::newRow("completions refuse the row") << "before insert on tceventtable";
    QTest::newRow("event cannot be removed") << "before delete on eventtable";
    QTest::newRow("today's list cannot be changed") << "before delete on todayeventtable";
}

void TestMsgWindow::failedCompletionChangesNothing()
{
    QFETCH(QString, trigger);

    writeWav(path("chime.wav"), 16);
    writeFile("config.txt", "chime.wav\nopensound\n");
    addEvents({{DoneAt, "开会", "y"}});
    const QStringList tables{"eventtable", "todayeventtable", "historyeventtable",
                             "tceventtable"};
    QList<QList<QStringList>> before;
    for (const QString &table : tables)
        before << m_store->rows(table);
    QVERIFY(execOnFile({"create trigger refuse " + trigger
                        + " begin select raise(abort, 'disk says no'); end"}));

    DialogRecorder dialogs;
    QPointer<MsgWindow> window = open(DoneAt, "开会", "y");
    QSignalSpy completed(window.data(), &MsgWindow::completedSignal);
    auto *sound = window->findChild<QSoundEffect *>();
    QVERIFY(sound);
    QTest::mouseClick(button(window, "doButton"), Qt::LeftButton);

    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, Dialogs::Kind::Error);
    QCOMPARE(dialogs.shown[0].title, QStringLiteral("提醒"));
    const QString prefix = QStringLiteral("事项完成失败：");
    QVERIFY2(dialogs.shown[0].text.startsWith(prefix), qPrintable(dialogs.shown[0].text));
    QVERIFY2(dialogs.shown[0].text.size() > prefix.size(), "the reason is missing");
    QCOMPARE(completed.size(), 0);
    deleteClosedWindows();
    QVERIFY(!window.isNull());
    QVERIFY(window->isVisible());
    QVERIFY(!sound->isPlaying());
    for (int i = 0; i < tables.size(); ++i)
        QCOMPARE(m_store->rows(tables[i]), before[i]);

    // Once the cause is gone, the same window completes the item.
    QVERIFY(execOnFile({"drop trigger refuse"}));
    QTest::mouseClick(button(window, "doButton"), Qt::LeftButton);
    QCOMPARE(completed.size(), 1);
    QCOMPARE(m_store->rows("historyeventtable"),
             (QList<QStringList>{{DoneAt, "开会", "完成", DoneAt, DoneTag}}));
    QCOMPARE(m_store->rows("eventtable"), QList<QStringList>());
    deleteClosedWindows();
    QVERIFY(window.isNull());
}

void TestMsgWindow::soundLoopsConfiguredFile_data()
{
    QTest::addColumn<QByteArray>("config"); // empty: no config.txt
    QTest::addColumn<QString>("soundFile");

    QTest::newRow("relative path") << QByteArray("chime.wav\nopensound\n") << "chime.wav";
    QTest::newRow("absolute path, CR LF line ends")
        << QByteArray("@/铃声/bell.wav\r\nopensound\r\n") << "铃声/bell.wav";
    QTest::newRow("lines after the second ignored")
        << QByteArray("chime.wav\nopensound\nclosesound\n") << "chime.wav";
    QTest::newRow("no config.txt: the default sound") << QByteArray() << "dingdong.wav";
}

void TestMsgWindow::soundLoopsConfiguredFile()
{
    QFETCH(QByteArray, config);
    QFETCH(QString, soundFile);

    QDir().mkpath(QFileInfo(path(soundFile)).path());
    writeWav(path(soundFile), 16);
    if (!config.isEmpty())
        writeFile("config.txt", config.replace('@', QFile::encodeName(m_work->path())));

    QPointer<MsgWindow> window = open("9:07", "喝水", "t");
    const QList<QSoundEffect *> effects = window->findChildren<QSoundEffect *>();
    QCOMPARE(effects.size(), 1);
    QSoundEffect *sound = effects.first();
    QCOMPARE(sound->source(), QUrl::fromLocalFile(path(soundFile)));
    QCOMPARE(sound->loopCount(), int(QSoundEffect::Infinite));
    QVERIFY(sound->isPlaying());
    // The file decodes; whether a sound device exists does not matter here.
    QTRY_COMPARE(sound->status(), QSoundEffect::Ready);
    QVERIFY(sound->isPlaying());
    if (config.isEmpty())
        QVERIFY(!QFile::exists("config.txt"));
    delete window;
}

void TestMsgWindow::soundStopsOnEitherButton_data()
{
    QTest::addColumn<QString>("buttonName");
    QTest::newRow("稍等") << "quietButton";
    QTest::newRow("完成") << "doButton";
}

void TestMsgWindow::soundStopsOnEitherButton()
{
    QFETCH(QString, buttonName);

    writeWav(path("chime.wav"), 16);
    writeFile("config.txt", "chime.wav\nopensound\n");
    addEvents({{"9:07", "喝水", "t"}});
    QPointer<MsgWindow> window = open("9:07", "喝水", "t");
    QSignalSpy completed(window.data(), &MsgWindow::completedSignal);
    QPointer<QSoundEffect> sound = window->findChild<QSoundEffect *>();
    QVERIFY(sound);
    QTRY_COMPARE(sound->status(), QSoundEffect::Ready);
    QVERIFY(sound->isPlaying());

    QTest::mouseClick(button(window, qPrintable(buttonName)), Qt::LeftButton);
    QVERIFY(!sound->isPlaying());
    if (buttonName == "quietButton") {
        // Silenced, but still waiting for "完成"; a second press does no harm.
        QVERIFY(window->isVisible());
        QTest::mouseClick(button(window, "quietButton"), Qt::LeftButton);
        QVERIFY(!sound->isPlaying());
        QCOMPARE(completed.size(), 0);
        QTest::mouseClick(button(window, "doButton"), Qt::LeftButton);
    }
    QCOMPARE(completed.size(), 1);
    deleteClosedWindows();
    QVERIFY(window.isNull());
    QVERIFY(sound.isNull());
}

void TestMsgWindow::silentUnlessExactlyOpensound_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::newRow("closesound") << QByteArray("chime.wav\nclosesound\n");
    QTest::newRow("empty second line") << QByteArray("chime.wav\n\n");
    QTest::newRow("no second line") << QByteArray("chime.wav\n");
    QTest::newRow("opensound with a blank") << QByteArray("chime.wav\nopensound \n");
    QTest::newRow("other case") << QByteArray("chime.wav\nOpenSound\n");
    QTest::newRow("empty file") << QByteArray("");
}

void TestMsgWindow::silentUnlessExactlyOpensound()
{
    QFETCH(QByteArray, config);

    writeWav(path("chime.wav"), 16);
    writeFile("config.txt", config);
    addEvents({{"9:07", "喝水", "t"}});
    QPointer<MsgWindow> window = open("9:07", "喝水", "t");
    QSignalSpy completed(window.data(), &MsgWindow::completedSignal);
    QCOMPARE(window->findChildren<QSoundEffect *>().size(), 0);

    QTest::mouseClick(button(window, "quietButton"), Qt::LeftButton);
    QVERIFY(window->isVisible());
    QTest::mouseClick(button(window, "doButton"), Qt::LeftButton);
    QCOMPARE(completed.size(), 1);
    QCOMPARE(m_store->rows("tceventtable").size(), 1);
    deleteClosedWindows();
    QVERIFY(window.isNull());
}

void TestMsgWindow::unplayableSoundIsSilent_data()
{
    QTest::addColumn<QString>("soundFile");
    QTest::addColumn<QByteArray>("fileContent"); // empty: no such file
    QTest::addColumn<bool>("decodes");

    QTest::newRow("missing file") << "nope.wav" << QByteArray() << false;
    QTest::newRow("not a WAV") << "junk.wav" << QByteArray("RIFF but not really") << false;
    QTest::newRow("a folder") << "." << QByteArray() << false;
    // Whether 24-bit samples play depends on the Qt version: it must only never crash.
    QTest::newRow("24-bit WAV") << "deep.wav" << QByteArray("24") << true;
}

void TestMsgWindow::unplayableSoundIsSilent()
{
    QFETCH(QString, soundFile);
    QFETCH(QByteArray, fileContent);
    QFETCH(bool, decodes);

    if (fileContent == "24")
        writeWav(path(soundFile), 24);
    else if (!fileContent.isEmpty())
        writeFile(soundFile, fileContent);
    writeFile("config.txt", soundFile.toUtf8() + "\nopensound\n");
    addEvents({{"9:07", "喝水", "t"}});

    QPointer<MsgWindow> window = open("9:07", "喝水", "t");
    QSignalSpy completed(window.data(), &MsgWindow::completedSignal);
    QPointer<QSoundEffect> sound = window->findChild<QSoundEffect *>();
    QVERIFY(sound);
    QTRY_VERIFY(sound->status() != QSoundEffect::Loading);
    if (!decodes) {
        QCOMPARE(sound->status(), QSoundEffect::Error);
        QVERIFY(!sound->isPlaying());
    }

    QTest::mouseClick(button(window, "quietButton"), Qt::LeftButton);
    QVERIFY(!sound->isPlaying());
    QTest::mouseClick(button(window, "doButton"), Qt::LeftButton);
    QCOMPARE(completed.size(), 1);
    deleteClosedWindows();
    QVERIFY(window.isNull());
    QVERIFY(sound.isNull());
}

QTEST_MAIN(TestMsgWindow)
#include "tst_msgwindow.moc"
