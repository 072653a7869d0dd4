#pragma once

#include <QObject>

class QSocketNotifier;
class QTimer;

// Wakes the program after a span of real time, time spent suspended included, so that a
// wake aimed at a moment hours ahead still comes at that moment of the wall clock after
// the computer slept. Setting the clock (by hand, or by the network time) wakes it at once,
// so that its owner can aim again. Where the system offers no such timers it falls back to
// an ordinary timer, which does not count suspended time.
class WakeTimer : public QObject
{
    Q_OBJECT
public:
    explicit WakeTimer(QObject *parent = nullptr);
    ~WakeTimer() override;

    // Wakes once, after `msecs` milliseconds (at once for none); replaces the wake before.
    void start(qint64 msecs);

signals:
    void woke();

private:
    void watchClock();
    void readTimer();
    void readClock();

    int m_timer = -1; // runs on the boot clock, which goes on during a suspend
    int m_clock = -1; // only reports the wall clock being set
    QSocketNotifier *m_timerNotifier = nullptr;
    QSocketNotifier *m_clockNotifier = nullptr;
    QTimer *m_fallback = nullptr;
};
