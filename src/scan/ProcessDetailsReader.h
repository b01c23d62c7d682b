#pragma once

#include "PortEntry.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

#include <sys/types.h>

// Fills in the details of the current user's listening processes from /proc, reading each
// process once: it is remembered by pid and start time, so a pid the kernel hands to a new
// process is read again. One per store; safe to use from overlapping scans.
class ProcessDetailsReader {
public:
    // `procRoot` is where the process directories are; tests point it at a tree of their own.
    explicit ProcessDetailsReader(const QString &homeDirectory,
                                  const QByteArray &procRoot = QByteArrayLiteral("/proc"));

    // Sets `process` on every entry whose /proc directory belongs to this user (by uid), and
    // clears it on all others, which are never read. Processes no longer listed are forgotten.
    void fill(QList<PortEntry> &entries);

private:
    struct Known {
        quint64 startTicks = 0;
        SharedProcessDetails details;
    };
    // The details of an own process: remembered, or read now.
    SharedProcessDetails detailsOf(pid_t pid, QHash<pid_t, Known> &seen);

    const QString m_home;
    const QByteArray m_procRoot;
    QMutex m_mutex;
    QHash<pid_t, Known> m_known;
};
