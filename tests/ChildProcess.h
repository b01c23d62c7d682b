#pragma once

#include <csignal>
#include <sys/types.h>
#include <sys/wait.h>

// A helper process the test started: killed and reaped when the test leaves, even through a
// failed check.
class ChildProcess {
public:
    explicit ChildProcess(pid_t pid = -1)
        : m_pid(pid) {}
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;
    ~ChildProcess() { end(); }

    pid_t pid() const { return m_pid; }

    // Still running (a zombie counts as ended)?
    bool running() {
        if (m_pid <= 0)
            return false;
        if (::waitpid(m_pid, nullptr, WNOHANG) == 0)
            return true;
        m_pid = -1;
        return false;
    }

    void end() {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid;
};
