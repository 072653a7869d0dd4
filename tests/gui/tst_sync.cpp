#include "syncaccount.h"
#include "syncrunner.h"
#include "syncwindow.h"
#include "windows.h"

#include <QSignalSpy>

// The sync as the user meets it, with a stand-in for `tasquill sync` that notes its
// arguments and standard input, names two calendars, and writes event.db as a sync would.
class TestSync : public QObject
{
    Q_OBJECT
    static QString standIn()
    {
        writeFile("tasquill", R"(#!/bin/sh
d=$(dirname "$0")
{ echo ---; printf '%s\n' "$@"; } >> "$d/args"
[ -e "$d/slow" ] && sleep 1
[ -e "$d/crash" ] && kill -9 $$
cat >> "$d/stdin"
case " $* " in *" --trust "*) ;; *) if [ -e "$d/untrusted" ]; then
    echo "证书指纹 SHA-256：AB:CD:EF" >&2; exit 1; fi ;; esac
case "$2" in --calendars) printf '工作\n家庭\n' ;; --set) echo 同步账户已保存。 ;;
    --dir) echo x >> "$3/event.db"; echo 同步完成。 ;; esac
)");
        QFile::setPermissions("tasquill", QFile::ReadOwner | QFile::ExeOwner);
        return QDir::current().filePath("tasquill");
    }
    // Each run's arguments, joined by spaces.
    static QStringList runs()
    {
        QStringList runs = QString::fromUtf8(readFile("args")).split("---\n", Qt::SkipEmptyParts);
        for (QString &run : runs)
            run = run.trimmed().replace('\n', ' ');
        return runs;
    }

private slots:
    // 连接 meets an untrusted certificate: the user is shown its fingerprint and, accepting
    // it, gets the calendars; 保存 makes a calendar of its own. The password goes only to
    // standard input.
    void settingsWindow()
    {
        Workspace work;
        const QString program = standIn(), dir = work.path();
        writeFile("untrusted", "");
        DialogRecorder dialogs({"yes"});
        SyncWindow window(program, dir);
        window.show();
        child<QLineEdit>(window, "serverLineEdit")->setText("https://dav.example.org/");
        child<QLineEdit>(window, "userLineEdit")->setText("anna");
        child<QLineEdit>(window, "passwordLineEdit")->setText("geheim 1");
        press(window, "connectButton");
        auto *calendars = child<QComboBox>(window, "calendarComboBox");
        QTRY_COMPARE(calendars->count(), 3);
        QCOMPARE(
            QStringList({calendars->itemText(0), calendars->itemText(1), calendars->itemText(2)}),
            QStringList({"工作", "家庭", "新建日历"}));
        QVERIFY2(dialogs.text(0).contains("AB:CD:EF"), qPrintable(dialogs.text(0)));
        calendars->setCurrentIndex(2);
        press(window, "saveButton");
        QTRY_VERIFY(!window.isVisible());
        QCOMPARE(dialogs.shown.mid(1), QStringList("同步账户已保存。"));
        const QString account = "https://dav.example.org/ anna";
        QCOMPARE(runs(),
                 QStringList({"sync --calendars " + account + " --dir " + dir,
                              "sync --calendars " + account + " --trust AB:CD:EF --dir " + dir,
                              "sync --set " + account +
                                  " --calendar Tasquill --trust AB:CD:EF --dir " + dir}));
        QCOMPARE(readFile("stdin"), QByteArray("geheim 1\n").repeated(3));
    }

    // Without an account nothing runs, and 立即同步 says why. With one, a burst of changes
    // makes one sync, and the sync's own write to event.db makes none.
    void backgroundSyncs()
    {
        Workspace work;
        SyncRunner runner(standIn(), work.path());
        QSignalSpy finished(&runner, &SyncRunner::finished);
        runner.syncNow();
        QCOMPARE(finished.value(0),
                 QVariantList({false, "尚未设置同步账户，请先在“同步设置…”中设置。"}));
        QVERIFY(!QFile::exists("args"));

        SyncAccount account;
        account.server = QUrl("https://dav.example.org/");
        account.calendar = QUrl("https://dav.example.org/anna/tasquill/");
        QVERIFY(account.save(work.path()));
        for (const char *text : {"a", "b", "c"}) {
            writeFile("event.db", text);
            runner.localChange();
        }
        QVERIFY(finished.wait(SyncRunner::ChangeDelayMs + 5000));
        QCOMPARE(finished.value(1), QVariantList({true, "同步完成。"}));
        runner.localChange(); // the sync's own write, as the file's watch tells it
        QTest::qWait(SyncRunner::ChangeDelayMs + 500);
        QCOMPARE(runs(), QStringList("sync --dir " + work.path()));
        QCOMPARE(finished.count(), 2);

        // Another program's write while a sync runs: one more sync after it, and only one.
        writeFile("slow", "");
        runner.syncNow();
        QTRY_VERIFY(runner.isRunning());
        writeFile("event.db", "another program's");
        runner.localChange();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 4, 10000);
        QTest::qWait(SyncRunner::ChangeDelayMs + 500);
        QCOMPARE(runs().size(), 3);

        // A sync program that dies is told as such.
        QFile::remove("slow");
        writeFile("crash", "");
        runner.syncNow();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 5, 10000);
        QCOMPARE(finished.value(4), QVariantList({false, "同步程序没有正常结束。"}));
    }
};

QTEST_MAIN(TestSync)
#include "tst_sync.moc"
