#include "soundsettings.h"
#include "workspace.h"

#include <QtTest>

class TestSoundSettings : public QObject
{
    Q_OBJECT

private slots:
    void readAndSave_data()
    {
        // Content null: no config.txt, "/": a folder, "|": a FIFO. Read: the sound file, then "+"
        // when it plays, " x" muted, "!" told unreadable. Saved: what saving it muted writes.
        columns<QString, QString, QString>("content", "read", "saved");
        row("a folder: silence", "/", "!", "");
        row("a FIFO: silence at once", "|", "!", "\nclosesound\n");
        row("over 64 KB: silence", QString(65536, 'a') + "\nopensound\n", "!", "\nclosesound\n");
        row("missing file", QString(), "./dingdong.wav+", "./dingdong.wav\nclosesound\n");
        row("muted, CR LF", "a.wav\r\nclosesound\r\n", "a.wav x", "a.wav\nclosesound\n");
        row("Chinese path, no last line end", "/home/李/叮咚.wav\nopensound", "/home/李/叮咚.wav+",
            "/home/李/叮咚.wav\nclosesound\n");
    }
    void readAndSave()
    {
        QFETCH(QString, content);
        QFETCH(QString, read);
        QFETCH(QString, saved);
        Workspace work;
        if (content == "/")
            QVERIFY(QDir().mkdir("config.txt"));
        else if (content == "|")
            QVERIFY(QProcess::execute("mkfifo", {"config.txt"}) == 0);
        else if (!content.isNull())
            writeFile("config.txt", content.toLocal8Bit());
        // Opened to read, a FIFO waits for a writer (and the test with it): one comes in a second.
        QScopedPointer<QThread> writer(QThread::create([&] {
            QThread::sleep(content == "|" ? 1 : 0);
            QFile("config.txt").open(QIODevice::ReadWrite | QIODevice::ExistingOnly);
        }));
        writer->start();
        const SoundSettings settings = SoundSettings::read();
        writer->wait();
        QCOMPARE(settings.soundFile + (settings.playsSound() ? "+" : "") +
                     (settings.muted() ? " x" : "") + (settings.error.isEmpty() ? "" : "!"),
                 read);
        QCOMPARE(QFile::exists("config.txt"), !content.isNull()); // reading never creates it
        QString error;
        QCOMPARE(SoundSettings::save(settings.soundFile, true, "config.txt", &error),
                 !saved.isEmpty());
        QCOMPARE(readFile("config.txt"),
                 saved.isEmpty() ? QByteArray("<unreadable>") : saved.toLocal8Bit());
        QVERIFY2(!saved.isEmpty() ||
                     error.startsWith("无法保存铃声设置文件 " + work.filePath("config.txt") + "："),
                 qPrintable(error));
    }

    void whatIsRefused()
    {
        Workspace work;
        QFile sound("big.wav"); // the player reads a sound file whole: over 50 MB, the user is told
        QVERIFY(sound.open(QIODevice::WriteOnly) && sound.resize((50 << 20) + 1));
        QVERIFY(SoundSettings::soundFileProblem("big.wav").startsWith(
            "提醒铃声文件 " + work.filePath("big.wav") + " 大于 50 MB"));
        QVERIFY(!SoundSettings::save("./b.wav\nclosesound", false)); // it would become line 2
        QVERIFY(!SoundSettings::save("./b.wav", false, "missing/config.txt"));
        QVERIFY(!QFile::exists("config.txt") && !QFile::exists("missing"));
        QVERIFY(SoundSettings::writeDefaults());
        QCOMPARE(readFile("config.txt"), QByteArray("./dingdong.wav\nopensound\n"));
        SoundSettings::installDefaultSound();
        QVERIFY(readFile("dingdong.wav").startsWith("RIFF") &&
                QFileInfo("dingdong.wav").isWritable());
        writeFile("dingdong.wav", "mine"); // the user's own sound is never replaced
        SoundSettings::installDefaultSound();
        QCOMPARE(readFile("dingdong.wav"), QByteArray("mine"));
    }
};

QTEST_GUILESS_MAIN(TestSoundSettings)
#include "tst_soundsettings.moc"
