#pragma once

#include <QFile>
#include <QProcess>
#include <QString>

#include <csignal>
#include <signal.h>

// Whether a SIGTERM waits, blocked, for the process: a stop that reached a process which
// blocks the signal, so the test can see it arrive without the process ending.
inline bool termPending(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("ShdPnd:"))
            return line.mid(7).trimmed().toULongLong(nullptr, 16) & (1ULL << (SIGTERM - 1));
    }
    return false;
}

// A real process, named as lsof would name it ("sleep"), that blocks SIGTERM so that a polite
// stop stays pending where termPending() sees it. Killed when `sleeper` is destroyed.
inline bool startTermBlockingSleeper(QProcess &sleeper) {
    sleeper.setChildProcessModifier([] {
        sigset_t term;
        sigemptyset(&term);
        sigaddset(&term, SIGTERM);
        sigprocmask(SIG_BLOCK, &term, nullptr);
    });
    sleeper.start(QStringLiteral("/bin/sleep"), {QStringLiteral("60")});
    return sleeper.waitForStarted();
}
