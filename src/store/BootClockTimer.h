#pragma once

#include <QObject>

#include <chrono>

class QSocketNotifier;
class QTimer;

// A single-shot timer on a clock that keeps running while the machine sleeps, so a wait
// that spans a suspend ends on time after resume. Linux: timerfd on CLOCK_BOOTTIME.
class BootClockTimer : public QObject
{
    Q_OBJECT

public:
    explicit BootClockTimer(QObject *parent = nullptr);
    ~BootClockTimer() override;

    // (Re)starts the countdown; timeout() fires once when it ends.
    void start(std::chrono::milliseconds interval);
    bool isActive() const { return m_active; }

signals:
    void timeout();

private:
    void expire();

    bool m_active = false;
#ifdef Q_OS_LINUX
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
#else
    QTimer *m_timer = nullptr;
#endif
};
