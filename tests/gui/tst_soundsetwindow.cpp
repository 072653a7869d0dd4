#include "dialogrecorder.h"
#include "files.h"
#include "findwidgets.h"
// The window header needs its generated form, which is private to the gui library.
#include "ui_soundsetwindow.h"
#include "soundsetwindow.h"
#include "workspace.h"

#include <QDir>
#include <QTest>
#include <memory>

namespace {
const QByteArray Defaults("./dingdong.wav\nopensound\n");
const QByteArray Longer("/a/very/long/folder/name/that/goes/on/and/on/chime.wav\nopensound\nmore\n");
} // namespace

class TestSoundSetWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_work.reset(); // puts the previous working directory back first
        m_work = std::make_unique<Workspace>();
        QVERIFY(m_work->isValid());
    }

    void opens_data();
    void opens();
    void closes_data();
    void closes();
    void fileDialogFillsField();

private:
    std::unique_ptr<Workspace> m_work;
};

void TestSoundSetWindow::opens_data()
{
    QTest::addColumn<QString>("config"); // empty: no config.txt
    QTest::addColumn<QString>("soundFile");
    QTest::addColumn<bool>("muted");

    QTest::newRow("no config.txt") << "" << "./dingdong.wav" << false;
    QTest::newRow("closesound") << " 我的 铃声.wav \nclosesound\n" << " 我的 铃声.wav " << true;
    QTest::newRow("closesound, CR LF") << "a.wav\r\nclosesound\r\n" << "a.wav" << true;
    QTest::newRow("opensound") << "a.wav\nopensound\n" << "a.wav" << false;
    QTest::newRow("closesound with a blank") << "a.wav\nclosesound \n" << "a.wav" << false;
}

void TestSoundSetWindow::opens()
{
    QFETCH(QString, config);
    QFETCH(QString, soundFile);
    QFETCH(bool, muted);

    if (!config.isEmpty())
        writeFile("config.txt", config.toUtf8());
    DialogRecorder dialogs;
    SoundSetWindow window;
    QCOMPARE(child<QLineEdit>(window, "soundFileLineEdit")->text(), soundFile);
    QCOMPARE(child<QCheckBox>(window, "noSoundCheckBox")->isChecked(), muted);
    // Opening writes nothing but the defaults where the file was missing.
    QCOMPARE(readFile("config.txt"), config.isEmpty() ? Defaults : config.toUtf8());
    QCOMPARE(dialogs.shown.size(), 0);
}

void TestSoundSetWindow::closes_data()
{
    QTest::addColumn<QString>("soundFile");
    QTest::addColumn<bool>("muted");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("saved"); // empty: config.txt cannot be replaced

    QTest::newRow("确定, muted") << "a.wav" << true << "okButton" << "a.wav\nclosesound\n";
    QTest::newRow("确定, sound on") << "铃声 2.wav" << false << "okButton" << "铃声 2.wav\nopensound\n";
    QTest::newRow("取消") << "a.wav" << true << "cancelButton" << QString::fromUtf8(Longer);
    QTest::newRow("确定, cannot write") << "a.wav" << true << "okButton" << "";
}

void TestSoundSetWindow::closes()
{
    QFETCH(QString, soundFile);
    QFETCH(bool, muted);
    QFETCH(QString, button);
    QFETCH(QString, saved);

    writeFile("config.txt", Longer);
    DialogRecorder dialogs;
    SoundSetWindow window;
    window.show();
    if (saved.isEmpty()) // something no file can replace now stands in its place
        QVERIFY(QFile::remove("config.txt") && QDir().mkdir("config.txt"));
    child<QLineEdit>(window, "soundFileLineEdit")->setText(soundFile);
    if (muted)
        QTest::mouseClick(child<QCheckBox>(window, "noSoundCheckBox"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(window, qPrintable(button)), Qt::LeftButton);

    // A failed save is told, and the window stays open with the choice.
    QCOMPARE(window.isVisible(), saved.isEmpty());
    QCOMPARE(dialogs.shown.size(), saved.isEmpty() ? 1 : 0);
    if (saved.isEmpty())
        QVERIFY2(dialogs.shown[0].text.contains("config.txt"), qPrintable(dialogs.shown[0].text));
    else
        QCOMPARE(readFile("config.txt"), saved.toUtf8());
}

void TestSoundSetWindow::fileDialogFillsField()
{
    DialogRecorder dialogs({"", "/home/me/铃声.wav"});
    SoundSetWindow window;
    auto *field = child<QLineEdit>(window, "soundFileLineEdit");
    auto *select = child<QPushButton>(window, "selectSoundButton");
    select->click(); // cancelled
    QCOMPARE(field->text(), QStringLiteral("./dingdong.wav"));
    select->click();
    QCOMPARE(field->text(), QStringLiteral("/home/me/铃声.wav"));
    QCOMPARE(dialogs.shown.size(), 2);
    QCOMPARE(dialogs.shown[1].title, QStringLiteral("打开文件"));
    QCOMPARE(dialogs.shown[1].text, QStringLiteral("音频文件(*.wav)"));
    QCOMPARE(readFile("config.txt"), Defaults); // choosing is not saving
}

QTEST_MAIN(TestSoundSetWindow)
#include "tst_soundsetwindow.moc"
