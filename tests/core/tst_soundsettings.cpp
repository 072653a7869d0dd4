#include "soundsettings.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Text as the system locale writes it.
QByteArray local(const QString &text)
{
    QStringEncoder encoder(QStringConverter::System);
    return encoder(text);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSoundSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void missingFileGivesDefaults();
    void read_data();
    void read();
    void unreadableFileIsSilent_data();
    void unreadableFileIsSilent();
    void save_data();
    void save();
    void writeDefaults();
    void shorterPathOverLongerLeavesTwoLines();
    void defaultPathIsInWorkingDirectory();
    void saveIntoMissingFolderFails();
    void lineBreakInPathIsRefused();

private:
    QString configPath() const { return m_dir->filePath(QStringLiteral("config.txt")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previousDir;
};

void TestSoundSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void TestSoundSettings::cleanup()
{
    QDir::setCurrent(m_previousDir);
    m_dir.reset();
}

void TestSoundSettings::missingFileGivesDefaults()
{
    const SoundSettings settings = SoundSettings::read(configPath());
    QVERIFY(!settings.fileExists);
    QCOMPARE(settings.soundFile, QString("./dingdong.wav"));
    QCOMPARE(settings.soundSwitch, QString("opensound"));
    QVERIFY(settings.playsSound());
    QVERIFY(!settings.muted());
    // Reading never creates the file.
    QVERIFY(!QFile::exists(configPath()));
}

void TestSoundSettings::read_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("soundFile");
    QTest::addColumn<QString>("soundSwitch");
    QTest::addColumn<bool>("plays");
    QTest::addColumn<bool>("muted");

    QTest::newRow("sound on") << "./dingdong.wav\nopensound\n"
                              << "./dingdong.wav"
                              << "opensound" << true << false;
    QTest::newRow("muted") << "/home/li/ring.wav\nclosesound\n"
                           << "/home/li/ring.wav"
                           << "closesound" << false << true;
    QTest::newRow("CR LF, sound on") << "a.wav\r\nopensound\r\n"
                                     << "a.wav"
                                     << "opensound" << true << false;
    QTest::newRow("CR LF, muted") << "a.wav\r\nclosesound\r\n"
                                  << "a.wav"
                                  << "closesound" << false << true;
    QTest::newRow("no newline at the end") << "a.wav\nopensound"
                                           << "a.wav"
                                           << "opensound" << true << false;
    QTest::newRow("opensound with a blank") << "a.wav\nopensound \n"
                                            << "a.wav"
                                            << "opensound " << false << false;
    QTest::newRow("closesound with a blank") << "a.wav\nclosesound \n"
                                             << "a.wav"
                                             << "closesound " << false << false;
    QTest::newRow("upper case") << "a.wav\nOPENSOUND\n"
                                << "a.wav"
                                << "OPENSOUND" << false << false;
    QTest::newRow("empty second line") << "a.wav\n\n"
                                       << "a.wav"
                                       << "" << false << false;
    QTest::newRow("missing second line") << "a.wav\n"
                                         << "a.wav"
                                         << "" << false << false;
    QTest::newRow("empty file") << ""
                                << ""
                                << "" << false << false;
    QTest::newRow("blanks in the path kept") << " ./my ring.wav \nopensound\n"
                                             << " ./my ring.wav "
                                             << "opensound" << true << false;
    QTest::newRow("lines after the second ignored") << "a.wav\nclosesound\nopensound\n"
                                                    << "a.wav"
                                                    << "closesound" << false << true;
    QTest::newRow("Chinese path") << "/home/李/铃声/叮咚.wav\nopensound\n"
                                  << "/home/李/铃声/叮咚.wav"
                                  << "opensound" << true << false;
}

void TestSoundSettings::read()
{
    QFETCH(QString, content);
    QFETCH(QString, soundFile);
    QFETCH(QString, soundSwitch);
    QFETCH(bool, plays);
    QFETCH(bool, muted);

    QVERIFY(writeFile(configPath(), local(content)));
    const SoundSettings settings = SoundSettings::read(configPath());
    QVERIFY(settings.fileExists);
    QCOMPARE(settings.soundFile, soundFile);
    QCOMPARE(settings.soundSwitch, soundSwitch);
    QCOMPARE(settings.playsSound(), plays);
    QCOMPARE(settings.muted(), muted);
}

void TestSoundSettings::unreadableFileIsSilent_data()
{
    QTest::addColumn<bool>("folder");
    QTest::newRow("a folder in its place") << true;
    QTest::newRow("no permission to read") << false;
}

void TestSoundSettings::unreadableFileIsSilent()
{
    QFETCH(bool, folder);
    if (folder) {
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("config.txt")));
    } else {
        QVERIFY(writeFile(configPath(), "./dingdong.wav\nopensound\n"));
        QVERIFY(QFile::setPermissions(configPath(), QFileDevice::WriteOwner));
        if (QFile(configPath()).open(QIODevice::ReadOnly))
            QSKIP("this user can read a file without read permission");
    }

    const SoundSettings settings = SoundSettings::read(configPath());
    QVERIFY(settings.fileExists);
    QCOMPARE(settings.soundFile, QString());
    QCOMPARE(settings.soundSwitch, QString());
    QVERIFY(!settings.playsSound());
    QVERIFY(!settings.muted());
}

void TestSoundSettings::save_data()
{
    QTest::addColumn<QString>("soundFile");
    QTest::addColumn<bool>("muted");
    QTest::addColumn<QString>("content");

    QTest::newRow("sound on") << "/home/li/ring.wav" << false << "/home/li/ring.wav\nopensound\n";
    QTest::newRow("muted") << "/home/li/ring.wav" << true << "/home/li/ring.wav\nclosesound\n";
    QTest::newRow("empty path") << "" << false << "\nopensound\n";
    QTest::newRow("blanks kept") << " ./my ring.wav " << true << " ./my ring.wav \nclosesound\n";
    QTest::newRow("Chinese path") << "/home/李/铃声/叮咚.wav" << false
                                  << "/home/李/铃声/叮咚.wav\nopensound\n";
}

void TestSoundSettings::save()
{
    QFETCH(QString, soundFile);
    QFETCH(bool, muted);
    QFETCH(QString, content);

    QString error;
    QVERIFY2(SoundSettings::save(soundFile, muted, configPath(), &error), qPrintable(error));
    QCOMPARE(readFile(configPath()), local(content));

    const SoundSettings settings = SoundSettings::read(configPath());
    QCOMPARE(settings.soundFile, soundFile);
    QCOMPARE(settings.muted(), muted);
    QCOMPARE(settings.playsSound(), !muted);
}

void TestSoundSettings::writeDefaults()
{
    QVERIFY(SoundSettings::writeDefaults(configPath()));
    QCOMPARE(readFile(configPath()), QByteArray("./dingdong.wav\nopensound\n"));
}

void TestSoundSettings::shorterPathOverLongerLeavesTwoLines()
{
    const QString longer = QStringLiteral("/home/li/音乐/提醒/一段很长很长的铃声文件名.wav");
    QVERIFY(SoundSettings::save(longer, true, configPath()));
    QVERIFY(SoundSettings::save(QStringLiteral("./b.wav"), false, configPath()));

    QCOMPARE(readFile(configPath()), QByteArray("./b.wav\nopensound\n"));
    const SoundSettings settings = SoundSettings::read(configPath());
    QCOMPARE(settings.soundFile, QString("./b.wav"));
    QVERIFY(settings.playsSound());
}

void TestSoundSettings::defaultPathIsInWorkingDirectory()
{
    QVERIFY(SoundSettings::save(QStringLiteral("./c.wav"), true));
    QCOMPARE(readFile(configPath()), QByteArray("./c.wav\nclosesound\n"));
    QCOMPARE(SoundSettings::read().soundFile, QString("./c.wav"));
    QVERIFY(SoundSettings::read().muted());
}

void TestSoundSettings::saveIntoMissingFolderFails()
{
    const QString folder = m_dir->filePath(QStringLiteral("missing"));
    const QString path = folder + QStringLiteral("/config.txt");

    QString error;
    QVERIFY(!SoundSettings::save(QStringLiteral("./a.wav"), false, path, &error));
    const QString opening = QStringLiteral("无法保存铃声设置文件 ") + path + QStringLiteral("：");
    QVERIFY2(error.startsWith(opening), qPrintable(error));
    QVERIFY2(error.size() > opening.size(), qPrintable(error)); // the reason follows
    QVERIFY(!QFile::exists(path));
    QVERIFY(!QFile::exists(folder));

    error.clear();
    QVERIFY(!SoundSettings::writeDefaults(path, &error));
    QVERIFY(error.contains(path));
}

void TestSoundSettings::lineBreakInPathIsRefused()
{
    QVERIFY(SoundSettings::save(QStringLiteral("./a.wav"), false, configPath()));

    QString error;
    QVERIFY(
        !SoundSettings::save(QStringLiteral("./b.wav\nclosesound"), false, configPath(), &error));
    QVERIFY(error.contains(configPath()));
    // The earlier settings are untouched.
    QCOMPARE(readFile(configPath()), QByteArray("./a.wav\nopensound\n"));
}

QTEST_GUILESS_MAIN(TestSoundSettings)
#include "tst_soundsettings.moc"
