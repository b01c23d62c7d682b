#pragma once

#include "scan/KernelSocket.h"
#include "scan/PortEntry.h"

#include <QList>

#include <chrono>
#include <functional>
#include <optional>

// Decides for each poll whether lsof must run again, or whether its last listing still
// explains the kernel's fresh table of listening sockets. lsof costs in proportion to the
// machine's open files; the table costs microseconds.
class ScanGate {
public:
    using Clock = std::function<std::chrono::nanoseconds()>;

    // A listing older than this is not reused, so renamed or replaced processes show up.
    static constexpr std::chrono::seconds maxAge{60};

    // A clock that counts while the machine sleeps.
    static std::chrono::nanoseconds bootClock();

    explicit ScanGate(Clock clock = bootClock);

    // An lsof run in progress: what it was started for.
    struct Run {
        quint64 sequence = 0;
        std::chrono::nanoseconds startedAt{};
        QList<KernelSocket> table;
    };

    // The last listing, when the table's sockets (family, address, port, inode) are those of
    // its run, every listed process still exists, and it is younger than maxAge.
    std::optional<QList<PortEntry>> reusableListing(const QList<KernelSocket> &table) const;

    Run lsofStarting(const QList<KernelSocket> &table);
    // Kept unless a run started later has already been kept.
    void lsofFinished(const Run &run, const QList<PortEntry> &listing);
    // The next poll runs lsof again.
    void lsofFailed();

private:
    Clock m_clock;
    quint64 m_runsStarted = 0;
    std::optional<Run> m_lastRun;
    QList<PortEntry> m_lastListing;
};
