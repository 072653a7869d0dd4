#include "soundsettings.h"
#include "workspace.h"

#include <QtTest>

class TestSoundSettings : public QObject
{
    Q_OBJECT

private slots:
    void readAndSave_data()
    {
        // Content null: no config.txt, "/": a folder in its place. Read: the sound file, then
        // "+" when it plays, " x" when muted. Saved: what saving it muted from another path writes.
        columns<QString, QString, QString>("content", "read", "saved");
        row("unreadable: silence", "/", "", "");
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
        else if (!content.isNull())
            writeFile("config.txt", content.toLocal8Bit());
        const SoundSettings settings = SoundSettings::read();
        QCOMPARE(settings.soundFile + (settings.playsSound() ? "+" : "") +
                     (settings.muted() ? " x" : ""),
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

    void whatCannotBeSaved()
    {
        Workspace work;
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
