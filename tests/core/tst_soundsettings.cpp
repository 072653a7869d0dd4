#include "soundsettings.h"

#include "files.h"
#include "workspace.h"

#include <QtTest>

class TestSoundSettings : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void unreadableFileIsSilent();
    void saveReplacesTheWholeFile_data();
    void saveReplacesTheWholeFile();
    void failedSaveChangesNothing_data();
    void failedSaveChangesNothing();
};

void TestSoundSettings::read_data()
{
    QTest::addColumn<QString>("content"); // null: no config.txt
    QTest::addColumn<QString>("soundFile");
    QTest::addColumn<bool>("plays");
    QTest::addColumn<bool>("muted"); // the settings window ticks its mute box

    QTest::newRow("missing file") << QString() << "./dingdong.wav" << true << false;
    QTest::newRow("muted") << "/home/li/a.wav\nclosesound\n" << "/home/li/a.wav" << false << true;
    QTest::newRow("CR LF") << "a.wav\r\nclosesound\r\n" << "a.wav" << false << true;
    QTest::newRow("opensound with a blank") << "a.wav\nopensound \n" << "a.wav" << false << false;
    QTest::newRow("closesound with a blank") << "a.wav\nclosesound \n" << "a.wav" << false << false;
    QTest::newRow("empty second line") << "a.wav\n\n" << "a.wav" << false << false;
    QTest::newRow("Chinese path")
        << "/home/李/铃声/叮咚.wav\nopensound\n" << "/home/李/铃声/叮咚.wav" << true << false;
}

void TestSoundSettings::read()
{
    QFETCH(QString, content);
    QFETCH(QString, soundFile);
    QFETCH(bool, plays);
    QFETCH(bool, muted);

    Workspace workspace;
    if (!content.isNull())
        writeFile(QStringLiteral("config.txt"), content.toLocal8Bit());
    const SoundSettings settings = SoundSettings::read();
    QCOMPARE(settings.soundFile, soundFile);
    QCOMPARE(settings.playsSound(), plays);
    QCOMPARE(settings.muted(), muted);
    // Reading never creates the file.
    QCOMPARE(settings.fileExists, !content.isNull());
    QCOMPARE(QFile::exists(QStringLiteral("config.txt")), !content.isNull());
}

void TestSoundSettings::unreadableFileIsSilent()
{
    Workspace workspace;
    QVERIFY(QDir().mkdir(QStringLiteral("config.txt")));
    const SoundSettings settings = SoundSettings::read();
    QVERIFY(settings.fileExists && !settings.playsSound() && !settings.muted());
}

void TestSoundSettings::saveReplacesTheWholeFile_data()
{
    QTest::addColumn<QString>("soundFile"); // null: the defaults, as when the file was missing
    QTest::addColumn<bool>("muted");
    QTest::addColumn<QString>("content");
    QTest::newRow("defaults") << QString() << false << "./dingdong.wav\nopensound\n";
    QTest::newRow("sound on") << "./b.wav" << false << "./b.wav\nopensound\n";
    QTest::newRow("muted") << "./b.wav" << true << "./b.wav\nclosesound\n";
    QTest::newRow("Chinese path") << "/home/李/叮咚.wav" << false << "/home/李/叮咚.wav\nopensound\n";
}

void TestSoundSettings::saveReplacesTheWholeFile()
{
    QFETCH(QString, soundFile);
    QFETCH(bool, muted);
    QFETCH(QString, content);

    // Saved over a longer earlier content, as after choosing a shorter path.
    Workspace workspace;
    QVERIFY(SoundSettings::save(QStringLiteral("/home/li/音乐/很长的铃声文件名.wav"), !muted));
    QVERIFY(soundFile.isNull() ? SoundSettings::writeDefaults()
                               : SoundSettings::save(soundFile, muted));
    QCOMPARE(readFile(QStringLiteral("config.txt")), content.toLocal8Bit());
}

void TestSoundSettings::failedSaveChangesNothing_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("soundFile");
    QTest::newRow("folder missing") << "missing/config.txt" << "./b.wav";
    QTest::newRow("line break in the path") << "config.txt" << "./b.wav\nclosesound";
}

void TestSoundSettings::failedSaveChangesNothing()
{
    QFETCH(QString, path);
    QFETCH(QString, soundFile);

    Workspace workspace;
    writeFile(QStringLiteral("config.txt"), "./a.wav\nopensound\n");
    QString error;
    QVERIFY(!SoundSettings::save(soundFile, false, path, &error));
    // The user is told which file and why.
    const QString opening = QStringLiteral("无法保存铃声设置文件 %1：").arg(workspace.filePath(path));
    QVERIFY2(error.startsWith(opening) && error.size() > opening.size(), qPrintable(error));
    QCOMPARE(readFile(QStringLiteral("config.txt")), QByteArray("./a.wav\nopensound\n"));
    QVERIFY(!QFile::exists(QStringLiteral("missing")));
}

QTEST_GUILESS_MAIN(TestSoundSettings)
#include "tst_soundsettings.moc"
