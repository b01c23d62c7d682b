#pragma once

#include <QDeadlineTimer>
#include <QTest>

#include <chrono>
#include <csignal>
#include <sys/types.h>
#include <sys/wait.h>
#include <utility>

// A helper process the test started. However the test ends, a failed check included, the
// child is killed and reaped with it: an orphan would keep CTest's output pipe open.
class ChildProcess {
public:
    explicit ChildProcess(pid_t pid = -1)
        : m_pid(pid) {}
    ChildProcess(ChildProcess &&other) noexcept
        : m_pid(std::exchange(other.m_pid, -1)) {}
    ChildProcess &operator=(ChildProcess &&other) noexcept {
        end();
        m_pid = std::exchange(other.m_pid, -1);
        return *this;
    }
    ~ChildProcess() { end(); }

    pid_t pid() const { return m_pid; }

    // How the child ended: the signal that killed it, 0 if it exited, -1 while it still runs
    // after `within`. Once it has ended it is reaped and no longer ours.
    int terminationSignal(std::chrono::milliseconds within) {
        int status = 0;
        const QDeadlineTimer deadline(within);
        while (m_pid > 0 && waitpid(m_pid, &status, WNOHANG) == 0) {
            if (deadline.hasExpired())
                return -1;
            QTest::qWait(5);
        }
        m_pid = -1;
        return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }

    void end() {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid;
};
