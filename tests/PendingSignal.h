#pragma once

#include <QFile>
#include <QString>

#include <csignal>

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
