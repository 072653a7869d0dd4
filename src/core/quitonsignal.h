#pragma once

#include <QObject>

class QSocketNotifier;

// Ends the event loop cleanly on SIGTERM and SIGINT, as a desktop sends them at logout and
// shutdown, and on SIGHUP, as a closed terminal or an ended session sends it, so that what
// the program does before it quits (noting the last minute it checked) still happens. The signal
// handler only writes a byte to a pipe; the quitting itself happens in the event loop.
class QuitOnSignal : public QObject
{
    Q_OBJECT
public:
    explicit QuitOnSignal(QObject *parent = nullptr);
    ~QuitOnSignal() override;

private:
    QSocketNotifier *m_notifier = nullptr;
};
