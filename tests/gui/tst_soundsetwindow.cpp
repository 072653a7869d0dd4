#include "dialogrecorder.h"
#include "files.h"
#include "findwidgets.h"
// The window header needs its generated form, which is private to the gui library.
#include "ui_soundsetwindow.h"
#include "soundsetwindow.h"
#include "workspace.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

class TestSoundSetWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void missingFileGetsDefaults();
    void defaultsThatCannotBeWrittenAreReported();
    void showsFileAndMuteBox_data();
    void showsFileAndMuteBox();
    void savesBothLines_data();
    void savesBothLines();
    void shorterSaveLeavesExactlyTwoLines();
    void failedSaveKeepsWindowOpen();
    void cancelWritesNothing();
    void fileDialogFillsField_data();
    void fileDialogFillsField();

private:
    static QLineEdit *field(SoundSetWindow &w) { return child<QLineEdit>(w, "soundFileLineEdit"); }
    static QCheckBox *muteBox(SoundSetWindow &w) { return child<QCheckBox>(w, "noSoundCheckBox"); }
    static void press(SoundSetWindow &w, const char *name)
    {
        QTest::mouseClick(child<QPushButton>(w, name), Qt::LeftButton);
    }

    std::unique_ptr<Workspace> m_work;
};

void TestSoundSetWindow::init()
{
    m_work = std::make_unique<Workspace>();
    QVERIFY(m_work->isValid());
}

void TestSoundSetWindow::cleanup()
{
    m_work.reset();
}

void TestSoundSetWindow::missingFileGetsDefaults()
{
    DialogRecorder dialogs;
    SoundSetWindow window;
    QCOMPARE(readFile("config.txt"), QByteArray("./dingdong.wav\nopensound\n"));
    QCOMPARE(field(window)->text(), QStringLiteral("./dingdong.wav"));
    QVERIFY(!muteBox(window)->isChecked());
    QCOMPARE(dialogs.shown.size(), 0);
}

void TestSoundSetWindow::defaultsThatCannotBeWrittenAreReported()
{
    // The working folder vanished under the program: nowhere to write.
    QVERIFY(QDir().mkdir("gone"));
    QVERIFY(QDir::setCurrent("gone"));
    QVERIFY(QDir(m_work->path()).rmdir("gone"));

    DialogRecorder dialogs;
    SoundSetWindow window;
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, Dialogs::Kind::Error);
    QCOMPARE(dialogs.shown[0].title, QStringLiteral("铃声设置"));
    QVERIFY2(dialogs.shown[0].text.contains("config.txt"), qPrintable(dialogs.shown[0].text));
    QCOMPARE(field(window)->text(), QStringLiteral("./dingdong.wav"));
    QVERIFY(!muteBox(window)->isChecked());
}

void TestSoundSetWindow::showsFileAndMuteBox_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QString>("soundFile");
    QTest::addColumn<bool>("muted");

    QTest::newRow("closesound") << QByteArray("/home/me/bell.wav\nclosesound\n")
                                << "/home/me/bell.wav" << true;
    QTest::newRow("closesound, CR LF") << QByteArray("bell.wav\r\nclosesound\r\n") << "bell.wav"
                                       << true;
    QTest::newRow("closesound, no final newline") << QByteArray("bell.wav\nclosesound")
                                                  << "bell.wav" << true;
    QTest::newRow("opensound") << QByteArray("./dingdong.wav\nopensound\n") << "./dingdong.wav"
                               << false;
    QTest::newRow("closesound with a blank") << QByteArray("bell.wav\nclosesound \n")
                                             << "bell.wav" << false;
    QTest::newRow("other case") << QByteArray("bell.wav\nCloseSound\n") << "bell.wav" << false;
    QTest::newRow("empty second line") << QByteArray("bell.wav\n\n") << "bell.wav" << false;
    QTest::newRow("no second line") << QByteArray("bell.wav\n") << "bell.wav" << false;
    QTest::newRow("path with blanks kept") << QByteArray(" 我的 铃声.wav \nclosesound\n")
                                           << " 我的 铃声.wav " << true;
    QTest::newRow("empty path") << QByteArray("\nopensound\n") << "" << false;
}

void TestSoundSetWindow::showsFileAndMuteBox()
{
    QFETCH(QByteArray, config);
    QFETCH(QString, soundFile);
    QFETCH(bool, muted);

    writeFile("config.txt", config);
    SoundSetWindow window;
    QCOMPARE(field(window)->text(), soundFile);
    QCOMPARE(muteBox(window)->isChecked(), muted);
    QCOMPARE(readFile("config.txt"), config);
}

void TestSoundSetWindow::savesBothLines_data()
{
    QTest::addColumn<QString>("soundFile");
    QTest::addColumn<bool>("muted");
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("muted") << "/home/me/bell.wav" << true
                           << QByteArray("/home/me/bell.wav\nclosesound\n");
    QTest::newRow("sound on") << "/home/me/bell.wav" << false
                              << QByteArray("/home/me/bell.wav\nopensound\n");
    QTest::newRow("typed path, unchecked") << "铃声 2.wav" << false
                                           << QByteArray("铃声 2.wav\nopensound\n");
    QTest::newRow("empty path") << "" << true << QByteArray("\nclosesound\n");
}

void TestSoundSetWindow::savesBothLines()
{
    QFETCH(QString, soundFile);
    QFETCH(bool, muted);
    QFETCH(QByteArray, saved);

    writeFile("config.txt", "./dingdong.wav\nopensound\n");
    DialogRecorder dialogs;
    SoundSetWindow window;
    window.show();
    field(window)->setText(soundFile);
    if (muted)
        QTest::mouseClick(muteBox(window), Qt::LeftButton);
    QCOMPARE(muteBox(window)->isChecked(), muted);
    press(window, "okButton");

    QCOMPARE(readFile("config.txt"), saved);
    QVERIFY(!window.isVisible());
    QCOMPARE(dialogs.shown.size(), 0);

    // A settings window opened afterwards shows what was saved.
    SoundSetWindow again;
    QCOMPARE(field(again)->text(), soundFile);
    QCOMPARE(muteBox(again)->isChecked(), muted);
}

void TestSoundSetWindow::shorterSaveLeavesExactlyTwoLines()
{
    writeFile("config.txt", "/a/very/long/folder/name/that/goes/on/and/on/chime.wav\n"
                            "closesound\nsomething else\n");
    SoundSetWindow window;
    window.show();
    QVERIFY(muteBox(window)->isChecked());
    field(window)->setText("a.wav");
    QTest::mouseClick(muteBox(window), Qt::LeftButton);
    press(window, "okButton");

    QCOMPARE(readFile("config.txt"), QByteArray("a.wav\nopensound\n"));
    SoundSetWindow again;
    QCOMPARE(field(again)->text(), QStringLiteral("a.wav"));
    QVERIFY(!muteBox(again)->isChecked());
}

void TestSoundSetWindow::failedSaveKeepsWindowOpen()
{
    writeFile("config.txt", "bell.wav\nopensound\n");
    DialogRecorder dialogs;
    SoundSetWindow window;
    window.show();
    // Something now stands in the file's place that cannot be replaced by a file.
    QVERIFY(QFile::remove("config.txt"));
    QVERIFY(QDir().mkdir("config.txt"));
    field(window)->setText("other.wav");
    press(window, "okButton");

    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, Dialogs::Kind::Error);
    QCOMPARE(dialogs.shown[0].title, QStringLiteral("铃声设置"));
    QVERIFY2(dialogs.shown[0].text.contains("config.txt"), qPrintable(dialogs.shown[0].text));
    QVERIFY(window.isVisible());
    QCOMPARE(field(window)->text(), QStringLiteral("other.wav"));
}

void TestSoundSetWindow::cancelWritesNothing()
{
    const QByteArray config("bell.wav\nclosesound\n");
    writeFile("config.txt", config);
    SoundSetWindow window;
    window.show();
    field(window)->setText("other.wav");
    QTest::mouseClick(muteBox(window), Qt::LeftButton);
    press(window, "cancelButton");

    QVERIFY(!window.isVisible());
    QCOMPARE(readFile("config.txt"), config);
}

void TestSoundSetWindow::fileDialogFillsField_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("shown");

    QTest::newRow("a file chosen") << "/home/me/sounds/铃声.wav" << "/home/me/sounds/铃声.wav";
    QTest::newRow("cancelled") << "" << "bell.wav";
}

void TestSoundSetWindow::fileDialogFillsField()
{
    QFETCH(QString, chosen);
    QFETCH(QString, shown);

    const QByteArray config("bell.wav\nclosesound\n");
    writeFile("config.txt", config);
    DialogRecorder dialogs({chosen});
    SoundSetWindow window;
    window.show();
    press(window, "selectSoundButton");

    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, Dialogs::Kind::OpenFile);
    QCOMPARE(dialogs.shown[0].title, QStringLiteral("打开文件"));
    QCOMPARE(dialogs.shown[0].text, QStringLiteral("音频文件(*.wav)"));
    QCOMPARE(field(window)->text(), shown);
    QVERIFY(muteBox(window)->isChecked());
    // Choosing is not saving.
    QCOMPARE(readFile("config.txt"), config);
    QVERIFY(window.isVisible());
}

QTEST_MAIN(TestSoundSetWindow)
#include "tst_soundsetwindow.moc"
