#include "ScanGate.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>

namespace {

// Sorted, without the owner: the set of sockets the gate compares.
QList<KernelSocket> socketSet(QList<KernelSocket> table) {
    for (KernelSocket &socket : table)
        socket.uid = 0;
    std::sort(table.begin(), table.end());
    return table;
}

// Cheap: no /proc walk. EPERM means it exists but belongs to someone else.
bool processExists(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace

std::chrono::nanoseconds ScanGate::bootClock() {
    timespec now{};
#ifdef CLOCK_BOOTTIME
    clock_gettime(CLOCK_BOOTTIME, &now);
#else
    clock_gettime(CLOCK_MONOTONIC, &now);
#endif
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

ScanGate::ScanGate(Clock clock)
    : m_clock(std::move(clock)) {}

std::optional<QList<PortEntry>> ScanGate::reusableListing(const QList<KernelSocket> &table) const {
    if (!m_lastRun || m_clock() - m_lastRun->startedAt >= maxAge)
        return std::nullopt;
    if (socketSet(table) != m_lastRun->table)
        return std::nullopt;
    const bool allAlive =
        std::all_of(m_lastListing.cbegin(), m_lastListing.cend(),
                    [](const PortEntry &e) { return e.pid <= 0 || processExists(e.pid); });
    if (!allAlive)
        return std::nullopt;
    return m_lastListing;
}

ScanGate::Run ScanGate::lsofStarting(const QList<KernelSocket> &table) {
    return Run{++m_runsStarted, m_clock(), socketSet(table)};
}

void ScanGate::lsofFinished(const Run &run, const QList<PortEntry> &listing) {
    if (m_lastRun && m_lastRun->sequence > run.sequence)
        return;
    m_lastRun = run;
    m_lastListing = listing;
}

void ScanGate::lsofFailed() {
    m_lastRun.reset();
    m_lastListing.clear();
}
