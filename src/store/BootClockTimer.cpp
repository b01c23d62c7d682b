#include "BootClockTimer.h"

#include <QSocketNotifier>
#include <QTimer>

#ifdef Q_OS_LINUX
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>
#endif

BootClockTimer::BootClockTimer(QObject *parent)
    : QObject(parent)
    , m_fallback(new QTimer(this)) {
    m_fallback->setSingleShot(true);
    m_fallback->setTimerType(Qt::PreciseTimer);
    connect(m_fallback, &QTimer::timeout, this, &BootClockTimer::timeout);
#ifdef Q_OS_LINUX
    m_fd = timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd >= 0) {
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            quint64 expirations = 0;
            if (::read(m_fd, &expirations, sizeof expirations) == sizeof expirations)
                emit timeout();
        });
    }
#endif
}

BootClockTimer::~BootClockTimer() {
#ifdef Q_OS_LINUX
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
#endif
}

void BootClockTimer::start(std::chrono::milliseconds interval) {
#ifdef Q_OS_LINUX
    if (m_fd >= 0) {
        // A zero it_value would disarm the timer; the shortest wait is one nanosecond.
        const auto ns = std::max<long long>(1, std::chrono::nanoseconds(interval).count());
        itimerspec delay{};
        delay.it_value.tv_sec = time_t(ns / 1'000'000'000);
        delay.it_value.tv_nsec = long(ns % 1'000'000'000);
        if (timerfd_settime(m_fd, 0, &delay, nullptr) == 0)
            return;
    }
#endif
    m_fallback->start(interval);
}
