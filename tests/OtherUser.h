#pragma once

#include "ChildProcess.h"

#include <QByteArray>

#include <unistd.h>

// A child process running job(report) as the unprivileged user nobody (the test must run as
// root); what the job writes to the file descriptor `report`, the test reads. The job should
// make system calls only: the child is a fork of a threaded program.
class OtherUser {
public:
    template <typename Job> explicit OtherUser(Job job) {
        if (pipe(m_pipe) != 0)
            return;
        const pid_t pid = fork();
        if (pid == 0) {
            ::close(m_pipe[0]);
            if (setgid(65534) == 0 && setuid(65534) == 0)
                job(m_pipe[1]);
            _exit(0);
        }
        ::close(m_pipe[1]);
        m_process = ChildProcess(pid);
    }
    ~OtherUser() { ::close(m_pipe[0]); }
    OtherUser(const OtherUser &) = delete;
    OtherUser &operator=(const OtherUser &) = delete;

    ChildProcess &process() { return m_process; }

    // Up to `size` bytes of the report; blocks until they come or the child has ended.
    QByteArray report(qsizetype size) {
        QByteArray bytes(size, '\0');
        const ssize_t got = read(m_pipe[0], bytes.data(), size_t(size));
        return bytes.left(got > 0 ? got : 0);
    }

private:
    ChildProcess m_process;
    int m_pipe[2] = {-1, -1};
};
