#pragma once

#include "ScanGate.h"
#include "scan/KernelSocket.h"
#include "scan/PortEntry.h"
#include "scan/PortScanner.h"

#include <QFuture>
#include <QList>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

class BootClockTimer;

// The one observable source of what is listening, with the user's actions on a listener.
// Lives on the GUI thread; every write to its state emits changed().
class PortsStore : public QObject {
    Q_OBJECT

public:
    enum class KillResult { ok, notPermitted, failed };
    Q_ENUM(KillResult)

    using ScanFunction = std::function<QFuture<PortScanner::Result>()>;
    // The kernel's listening sockets, or nullopt when they cannot be had.
    using KernelTableFunction = std::function<std::optional<QList<KernelSocket>>()>;

    // Fills in the entries' process details; runs on the scan's worker thread.
    using ProcessDetailsFunction = std::function<void(QList<PortEntry> &)>;

    // Where listings come from. Without a kernel table every scan is lsof alone; without
    // process details the entries have none.
    struct Sources {
        ScanFunction lsof;
        KernelTableFunction kernelTable;
        ProcessDetailsFunction processDetails = {};
        ScanGate::Clock clock = ScanGate::bootClock;
        // Off: lsof on every poll, as a baseline to measure the gate against.
        bool gated = true;
    };
    // The real lsof and, on Linux, the real kernel table and the details of the user's own
    // processes, each read once.
    static Sources systemSources(bool gated = true);

    static constexpr std::chrono::milliseconds pollInterval{4000};
    static constexpr std::chrono::milliseconds followUpDelay{600};

    // Scans the real system: once as soon as the event loop runs, then 4 s after each poll.
    explicit PortsStore(QObject *parent = nullptr);
    // Given sources and intervals, for tests and benchmarks.
    PortsStore(Sources sources, std::chrono::milliseconds pollInterval,
               std::chrono::milliseconds followUpDelay, QObject *parent = nullptr);
    // For tests: a given lsof scanner alone.
    PortsStore(ScanFunction scan, std::chrono::milliseconds pollInterval,
               std::chrono::milliseconds followUpDelay, QObject *parent = nullptr);
    ~PortsStore() override;

    const QList<PortEntry> &entries() const { return m_entries; }
    const std::optional<QString> &lastError() const { return m_lastError; }
    bool isScanning() const { return m_isScanning; }

    // Listeners that are not system listeners, by port; ties keep scan order.
    QList<PortEntry> userEntries() const;
    // System listeners, by port; ties keep scan order.
    QList<PortEntry> systemEntries() const;

    // Runs one full scan (lsof included) and publishes its outcome; the future finishes once
    // it is published.
    QFuture<void> refresh();

    // Signals the entry's process: SIGKILL when force, else SIGTERM.
    KillResult kill(const PortEntry &entry, bool force);

    void openInBrowser(const PortEntry &entry) const;
    void copyURL(const PortEntry &entry) const;

signals:
    void changed();

private:
    // A poll runs lsof only when the gate says so; a refresh always does.
    QFuture<void> update(bool forceLsof);
    // lsof's listing merged with the table its run started with; the gate learns the outcome.
    PortScanner::Result withKernelTable(const PortScanner::Result &lsofResult,
                                        const ScanGate::Run &run, const QList<KernelSocket> &table);
    void publish(const PortScanner::Result &result, quint64 sequence);
    void setEntries(const QList<PortEntry> &entries);
    void setLastError(const std::optional<QString> &message);
    void setScanning(bool scanning);

    Sources m_sources;
    ScanGate m_gate;
    std::chrono::milliseconds m_followUpDelay;
    BootClockTimer *m_pollTimer;

    QList<PortEntry> m_entries;
    std::optional<QString> m_lastError;
    bool m_isScanning = false;

    // Overlapping refreshes: only a result newer than the last published one is shown.
    quint64 m_refreshesStarted = 0;
    quint64 m_newestPublished = 0;
    int m_refreshesInFlight = 0;
};
