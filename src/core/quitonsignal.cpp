#include "quitonsignal.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QThread>

#include <csignal>
#include <iterator>
#include <sys/socket.h>
#include <unistd.h>

namespace {
Q_LOGGING_CATEGORY(lcSignal, "tasquill.signal")

// Each ends the program as a user or a desktop means it to, never as a crash.
constexpr int QuitSignals[] = {SIGTERM, SIGINT, SIGHUP};
// What each did before; one ignored at the start stays ignored (nohup, a script's
// background job), as the one who started the program asked.
struct sigaction previous[std::size(QuitSignals)];

int pipeEnds[2] = {-1, -1};

// Ends the program's event loop. exit(), not quit(): quit() asks the windows first. A
// message box shown during start-up runs a loop of its own before the program's loop runs;
// exit() ends only that one, so the program's loop is ended once it runs.
void quitWhenRunning()
{
    QCoreApplication::exit(0);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [] {
            if (QThread::currentThread()->loopLevel() == 0)
                quitWhenRunning();
            else
                QCoreApplication::exit(0);
        },
        Qt::QueuedConnection);
}

void onSignal(int)
{
    const char byte = 1;
    // Nothing else is safe in a signal handler; a full pipe already holds a quit.
    [[maybe_unused]] const auto written = ::write(pipeEnds[0], &byte, 1);
}
} // namespace

QuitOnSignal::QuitOnSignal(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0) {
        qCWarning(lcSignal) << "cannot watch for SIGTERM, SIGINT and SIGHUP";
        return;
    }
    m_notifier = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [] {
        char byte;
        [[maybe_unused]] const auto read = ::read(pipeEnds[1], &byte, 1);
        qCInfo(lcSignal) << "quitting on a signal";
        quitWhenRunning();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(QuitSignals); ++i) {
        sigaction(QuitSignals[i], nullptr, &previous[i]);
        if (previous[i].sa_handler != SIG_IGN)
            sigaction(QuitSignals[i], &action, nullptr);
    }
}

QuitOnSignal::~QuitOnSignal()
{
    for (std::size_t i = 0; i < std::size(QuitSignals); ++i)
        sigaction(QuitSignals[i], &previous[i], nullptr);
}
