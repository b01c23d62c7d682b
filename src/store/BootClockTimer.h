#pragma once

#include <QObject>

#include <chrono>

class QSocketNotifier;
class QTimer;

// A single-shot timer on a clock that keeps running while the machine sleeps, so a wait
// that spans a suspend ends on time after resume. Linux: a timerfd on CLOCK_BOOTTIME;
// elsewhere, or if no timerfd can be had, a QTimer.
class BootClockTimer : public QObject {
    Q_OBJECT

public:
    explicit BootClockTimer(QObject *parent = nullptr);
    ~BootClockTimer() override;

    // (Re)starts the countdown; timeout() fires once when it ends.
    void start(std::chrono::milliseconds interval);

signals:
    void timeout();

private:
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_fallback;
};
