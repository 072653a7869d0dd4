#include "soundsettings.h"

#include "files.h"
#include "workspace.h"

#include <QtTest>

class TestSoundSettings : public QObject
{
    Q_OBJECT

private slots:
    void read_data()
    {
        QTest::addColumn<QString>("content"); // null: no config.txt; "/": a folder in its place
        QTest::addColumn<QString>(
            "expected"); // the sound file, then "+" when it plays, "x" when muted
        const auto row = [](const char *name, const QString &content, const char *expected) {
            QTest::newRow(name) << content << QString(expected);
        };
        row("missing file", QString(), "./dingdong.wav+");
        row("unreadable: silence", "/", "");
        row("muted, CR LF", "a.wav\r\nclosesound\r\n", "a.wav x");
        row("opensound with a blank", "a.wav\nopensound \n", "a.wav");
        row("closesound with a blank", "a.wav\nclosesound \n", "a.wav");
        row("Chinese path, no last line end", "/home/李/铃声/叮咚.wav\nopensound",
            "/home/李/铃声/叮咚.wav+");
    }
    void read()
    {
        QFETCH(QString, content);
        QFETCH(QString, expected);
        Workspace work;
        if (content == "/")
            QVERIFY(QDir().mkdir("config.txt"));
        else if (!content.isNull())
            writeFile("config.txt", content.toLocal8Bit());
        const SoundSettings settings = SoundSettings::read();
        QCOMPARE(settings.soundFile + (settings.playsSound() ? "+" : "") +
                     (settings.muted() ? " x" : ""),
                 expected);
        // Reading never creates the file.
        QCOMPARE(QFile::exists("config.txt"), !content.isNull());
    }

    void save_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("soundFile"); // null: the defaults
        QTest::addColumn<QString>("content");   // null: the save fails and changes nothing
        QTest::newRow("defaults") << "config.txt" << QString() << "./dingdong.wav\nopensound\n";
        QTest::newRow("Chinese path, muted") << "config.txt"
                                             << "/home/李/叮咚.wav"
                                             << "/home/李/叮咚.wav\nclosesound\n";
        QTest::newRow("folder missing") << "missing/config.txt"
                                        << "./b.wav" << QString();
        QTest::newRow("line break in the path") << "config.txt"
                                                << "./b.wav\nclosesound" << QString();
    }
    void save()
    {
        QFETCH(QString, path);
        QFETCH(QString, soundFile);
        QFETCH(QString, content);
        // Saved over a longer earlier content, as after choosing a shorter path.
        Workspace work;
        const QByteArray before =
            QStringLiteral("/home/li/音乐/很长的铃声文件名.wav\nopensound\n").toLocal8Bit();
        writeFile("config.txt", before);
        QString error;
        const bool saved = soundFile.isNull() ? SoundSettings::writeDefaults(path, &error)
                                              : SoundSettings::save(soundFile, true, path, &error);
        QCOMPARE(readFile("config.txt"), saved ? content.toLocal8Bit() : before);
        // A failure tells the user which file and why.
        const QString opening =
            QStringLiteral("无法保存铃声设置文件 %1：").arg(work.filePath(path));
        QVERIFY2(saved != content.isNull() &&
                     (saved || (error.startsWith(opening) && error.size() > opening.size())),
                 qPrintable(error));
    }

    void defaultSoundIsInstalledOnce()
    {
        Workspace work;
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
