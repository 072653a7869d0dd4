#include "waketimer.h"

#include <QSocketNotifier>
#include <QTimer>

#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <limits>

WakeTimer::WakeTimer(QObject *parent) : QObject(parent)
{
    m_timer = timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_timer < 0) {
        m_fallback = new QTimer(this);
        m_fallback->setSingleShot(true);
        m_fallback->setTimerType(Qt::PreciseTimer);
        connect(m_fallback, &QTimer::timeout, this, &WakeTimer::woke);
        return;
    }
    m_timerNotifier = new QSocketNotifier(m_timer, QSocketNotifier::Read, this);
    connect(m_timerNotifier, &QSocketNotifier::activated, this, &WakeTimer::readTimer);
    m_clock = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_clock >= 0) {
        m_clockNotifier = new QSocketNotifier(m_clock, QSocketNotifier::Read, this);
        connect(m_clockNotifier, &QSocketNotifier::activated, this, &WakeTimer::readClock);
        watchClock();
    }
}

WakeTimer::~WakeTimer()
{
    delete m_timerNotifier;
    delete m_clockNotifier;
    for (int fd : {m_timer, m_clock}) {
        if (fd >= 0)
            ::close(fd);
    }
}

void WakeTimer::start(qint64 msecs)
{
    msecs = qMax<qint64>(msecs, 1); // a zero time would disarm the timer
    if (m_fallback) {
        m_fallback->start(int(qMin<qint64>(msecs, std::numeric_limits<int>::max())));
        return;
    }
    itimerspec setting{};
    setting.it_value.tv_sec = time_t(msecs / 1000);
    setting.it_value.tv_nsec = long(msecs % 1000) * 1000000;
    timerfd_settime(m_timer, 0, &setting, nullptr);
}

void WakeTimer::watchClock()
{
    // A moment ten years ahead, which never comes: the timer is there only to be cancelled
    // when the clock is set.
    itimerspec setting{};
    clock_gettime(CLOCK_REALTIME, &setting.it_value);
    setting.it_value.tv_sec += 10 * 366 * 24 * 3600;
    timerfd_settime(m_clock, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &setting, nullptr);
}

void WakeTimer::readTimer()
{
    std::uint64_t expirations = 0;
    if (::read(m_timer, &expirations, sizeof expirations) == sizeof expirations)
        emit woke();
}

void WakeTimer::readClock()
{
    std::uint64_t expirations = 0;
    if (::read(m_clock, &expirations, sizeof expirations) < 0 && errno == ECANCELED) {
        watchClock();
        emit woke();
    }
}
