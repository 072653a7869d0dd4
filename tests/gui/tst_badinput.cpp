#include "dbfile.h"
#include "dialogrecorder.h"
#include "files.h"
#include "findwidgets.h"
#include "mainwindow.h"
#include "msgwindow.h"
#include "workspace.h"

#include <QDataStream>
#include <QProcess>
#include <QTest>
#include <QTextEdit>

#include <unistd.h>

namespace {
// Half a second of silence as a mono PCM WAV of `bits` per sample.
QByteArray wav(quint16 bits)
{
    const quint32 rate = 8000, width = bits / 8, size = rate / 2 * width;
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFFxxxxWAVEfmt ", 16);
    out << quint32(16) << quint16(1) << quint16(1) << rate << rate * width << quint16(width)
        << bits;
    out.writeRawData("data", 4);
    out << size;
    return data + QByteArray(int(size), '\0');
}

bool setReadOnly(const QString &path, bool on)
{
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner |
                                    (on ? QFile::Permissions() : QFile::WriteOwner));
    return geteuid() != 0 || QProcess::execute("chattr", {on ? "+i" : "-i", path}) == 0;
}
} // namespace

// Whatever lies in the working folder, the program starts, tells the user where they must
// act, changes nothing it cannot read, and goes on reminding of the rows it can read.
class TestBadInput : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { qDeleteAll(visibleWindows<MsgWindow>()); }
    void badInput_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("told");     // a part of what the user is told; empty: nothing
        QTest::addColumn<QString>("reminded"); // the contents of the reminders of 9:07
        const auto row = [](const char *what, const char *told, const char *reminded) {
            QTest::newRow(what) << QString(what) << QString(told) << QString(reminded);
        };
        row("event.db empty", "", "");
        row("event.db random bytes", "这不是数据库文件", "");
        row("event.db cut short", "这不是数据库文件", "");
        row("event.db a folder", "无法打开该文件", "");
        row("event.db read-only", "只能读取", "早会|喝水");
        row("folder read-only", "只能读取", "早会|喝水");
        row("config.txt empty", "", "早会|喝水");
        row("config.txt one line", "", "早会|喝水");
        row("config.txt binary", "", "早会|喝水");
        row("config.txt 10 MB", "无法播放提醒铃声", "早会|喝水");
        row("config.txt CR LF, Chinese path with blanks", "", "早会|喝水");
        row("sound missing", "无法播放提醒铃声", "早会|喝水");
        row("sound empty", "无法播放提醒铃声", "早会|喝水");
        row("sound not a WAV", "无法播放提醒铃声", "早会|喝水");
        row("sound 24-bit", "?", "早会|喝水");
        row("content 1 MB, emoji, quotes, blanks, broken times", "",
            "早会|喝水|😀 'a\"b'; drop table x;|   ");
    }
    void badInput()
    {
        QFETCH(QString, what);
        QFETCH(QString, told);
        QFETCH(QString, reminded);
        Workspace work(QDateTime(QDate(2014, 3, 5), QTime(9, 7, 30)));
        // An earlier version's file with two reminders of 9:07.
        QVERIFY(DbFile::exec(
            "create table eventtable(时间 QString, 内容 QString, 类型 QString); create table "
            "tceventtable(时间, 内容, 完成时间); insert into eventtable values('9:07', '早会', "
            "'t'), "
            "('9:07', '喝水', 't')"));
        const QByteArray good = readFile("event.db");
        if (what == "event.db empty")
            writeFile("event.db", "");
        if (what == "event.db random bytes")
            writeFile("event.db", QByteArray(5000, '\x5a'));
        if (what == "event.db cut short")
            writeFile("event.db", good.left(1500));
        if (what == "event.db a folder")
            QVERIFY(QFile::remove("event.db") && QDir().mkdir("event.db"));
        if (what.startsWith("config.txt"))
            QVERIFY(QFile::copy(":/sounds/dingdong.wav", "铃声 叮咚.wav"));
        const QMap<QString, QByteArray> configs = {
            {"config.txt empty", ""},
            {"config.txt one line", "铃声 叮咚.wav"},
            {"config.txt binary", QByteArray(300, '\0') + "\xff\xfe"},
            {"config.txt 10 MB", QByteArray(10 << 20, 'a') + "\nopensound\n"},
            {"config.txt CR LF, Chinese path with blanks",
             (work.path() + "/铃声 叮咚.wav\r\nopensound\r\n").toUtf8()},
            {"sound missing", "nope.wav\nopensound\n"},
            {"sound empty", "empty.wav\nopensound\n"},
            {"sound not a WAV", "event.db\nopensound\n"},
            {"sound 24-bit", "deep.wav\nopensound\n"}};
        if (configs.contains(what))
            writeFile("config.txt", configs.value(what));
        writeFile("empty.wav", "");
        writeFile("deep.wav", wav(24));
        if (what.startsWith("content"))
            QVERIFY(DbFile::exec("insert into eventtable values ('9:07', '" +
                                 QString(1 << 20, 'x') +
                                 "', 't'), "
                                 "('9:07', '😀 ''a\"b''; drop table x;', 't'), ('9:07', '   ', "
                                 "'m'), (null, null, null), "
                                 "('9:7', '坏', 't'), ('09:07', '坏', 't'), ('9:07 ', '坏', 't'), "
                                 "(' 9:07', '坏', 't')"));
        if (what.contains("read-only") &&
            !setReadOnly(what.startsWith("folder") ? work.path() : "event.db", true))
            QSKIP("nothing stops a write here");
        const QByteArray before = readFile("event.db");

        DialogRecorder dialogs;
        auto main = std::make_unique<MainWindow>();
        main->checkReminders(work.now());
        QStringList shown;
        for (MsgWindow *reminder : visibleWindows<MsgWindow>())
            shown << child<QTextEdit>(*reminder, "msgTextEdit")->toPlainText().left(4000);
        std::sort(shown.begin(), shown.end());
        QStringList expected = reminded.split('|', Qt::SkipEmptyParts);
        if (what.startsWith("content"))
            expected << QString(4000, 'x'); // only the beginning, at first
        std::sort(expected.begin(), expected.end());
        QCOMPARE(shown, expected);
        QTest::qWait(500); // a sound that cannot be played shows as it is loaded
        QStringList texts;
        for (const Dialogs::Request &request : dialogs.shown)
            texts << request.text;
        QVERIFY2(told == "?" ||
                     (told.isEmpty() ? texts.isEmpty() : texts.join('\n').contains(told)),
                 qPrintable(texts.join('\n')));
        qDeleteAll(visibleWindows<MsgWindow>());
        main.reset();
        setReadOnly(work.path(), false), setReadOnly("event.db", false);
        // Nothing it could not read is changed.
        QVERIFY(!reminded.isEmpty() || readFile("event.db") == before || before.isEmpty());
    }
};

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
