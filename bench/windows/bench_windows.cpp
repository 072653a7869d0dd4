// Opens and closes each window the user can open, many times over, in one process, and
// prints what the process holds before and after: the heap in use (mallinfo2) and the
// anonymous resident memory (/proc/self/status). A window that leaves something behind
// shows as growth per opening. The first rounds fill the caches (fonts, icons, Qt's pixmap
// cache, the sound plugin) and are not counted.
//
//   bench_windows [rounds]      150 rounds by default; prints a Markdown section

#include "eventstore.h"
#include "mainwindow.h"
#include "msgwindow.h"
#include "reminderchime.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <malloc.h>

#include <cstdio>

namespace {

constexpr int WarmUpRounds = 50;

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

// Closes every top-level window but the main window, as the user's click on × does.
void closeWindows(const QWidget *main)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget != main && widget->isVisible())
            widget->close();
    }
    settle();
}

struct Memory
{
    double heapKiB;
    double anonKiB;
};

Memory measure()
{
    settle();
    malloc_trim(0);
    QFile status(QStringLiteral("/proc/self/status"));
    double anon = 0;
    if (status.open(QIODevice::ReadOnly)) {
        const QString text = QString::fromLatin1(status.readAll());
        anon = QRegularExpression(QStringLiteral("RssAnon:\\s+(\\d+)"))
                   .match(text)
                   .captured(1)
                   .toDouble();
    }
    return {mallinfo2().uordblks / 1024.0, anon};
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 150;
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        return 1;
    MainWindow main;
    EventStore store(QStringLiteral("event.db"));
    if (!store.open())
        return 1;
    ReminderChime chime;
    const Reminder reminder{
        {QStringLiteral("9:07"), QStringLiteral("给花浇水\n带上剪刀"), Kind::Daily}, {}};

    const auto round = [&] {
        main.show();
        main.hide();
        main.callSetwindow();
        closeWindows(&main);
        main.callViewwindow();
        closeWindows(&main);
        main.callSoundSetWindow();
        closeWindows(&main);
        auto *window = new MsgWindow(reminder, store, &chime);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        closeWindows(&main);
    };
    for (int i = 0; i < WarmUpRounds; ++i)
        round();
    const Memory before = measure();
    for (int i = 0; i < rounds; ++i)
        round();
    const Memory after = measure();
    const int opened = rounds * 5;
    QTextStream out(stdout);
    out << "| Memory | after " << WarmUpRounds << " rounds (KiB) | after " << rounds
        << " more (KiB) | per window opened (bytes) |\n"
        << "|---|---:|---:|---:|\n";
    const auto line = [&](const char *what, double a, double b) {
        out << "| " << what << " | " << qRound(a) << " | " << qRound(b) << " | "
            << qRound((b - a) * 1024 / opened) << " |\n";
    };
    line("heap in use (mallinfo2)", before.heapKiB, after.heapKiB);
    line("anonymous resident (RssAnon)", before.anonKiB, after.anonKiB);
    return 0;
}
