#include "PortsStore.h"

#include "BootClockTimer.h"
#include "ProcessSignal.h"

#ifdef Q_OS_LINUX
#include "scan/CurrentUser.h"
#include "scan/KernelListenerTable.h"
#include "scan/ProcessDetailsReader.h"
#endif

#include <QClipboard>
#include <QDesktopServices>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QPromise>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QList<PortEntry> sortedByPort(const QList<PortEntry> &entries, bool system) {
    QList<PortEntry> kept;
    std::copy_if(entries.cbegin(), entries.cend(), std::back_inserter(kept),
                 [system](const PortEntry &e) { return e.isSystem() == system; });
    std::stable_sort(kept.begin(), kept.end(),
                     [](const PortEntry &a, const PortEntry &b) { return a.port < b.port; });
    return kept;
}

#ifdef Q_OS_MACOS
const auto systemName = u"macOS"_s;
#else
const auto systemName = u"Linux"_s;
#endif

} // namespace

PortsStore::Sources PortsStore::systemSources(bool gated) {
    Sources sources;
    sources.lsof = [] { return PortScanner::scan(); };
#ifdef Q_OS_LINUX
    sources.kernelTable = KernelListenerTable::read;
    auto reader = std::make_shared<ProcessDetailsReader>(currentHomeDirectory());
    sources.processDetails = [reader](QList<PortEntry> &entries) { reader->fill(entries); };
#endif
    sources.gated = gated;
    return sources;
}

PortsStore::PortsStore(QObject *parent)
    : PortsStore(systemSources(), pollInterval, followUpDelay, parent) {}

PortsStore::PortsStore(ScanFunction scan, std::chrono::milliseconds poll,
                       std::chrono::milliseconds followUp, QObject *parent)
    : PortsStore(Sources{std::move(scan), {}}, poll, followUp, parent) {}

PortsStore::PortsStore(Sources sources, std::chrono::milliseconds poll,
                       std::chrono::milliseconds followUp, QObject *parent)
    : QObject(parent)
    , m_sources(std::move(sources))
    , m_gate(m_sources.clock)
    , m_followUpDelay(followUp)
    , m_pollTimer(new BootClockTimer(this)) {
    // The poll waits its interval after each of its own scans, not on a fixed beat.
    connect(m_pollTimer, &BootClockTimer::timeout, this, [this, poll] {
        // A refresh cut short by the store's end is cancelled, and cancelled futures skip
        // their continuations, so this one only ever runs on a living store.
        update(false).then([timer = m_pollTimer, poll] { timer->start(poll); });
    });
    m_pollTimer->start(poll);
    // The first scan starts once the event loop runs, so construction never waits on it.
    QTimer::singleShot(0, this, [this] { refresh(); });
}

PortsStore::~PortsStore() = default;

QList<PortEntry> PortsStore::userEntries() const {
    return sortedByPort(m_entries, false);
}

QList<PortEntry> PortsStore::systemEntries() const {
    return sortedByPort(m_entries, true);
}

QFuture<void> PortsStore::refresh() {
    return update(true);
}

QFuture<void> PortsStore::update(bool forceLsof) {
    const quint64 sequence = ++m_refreshesStarted;
    ++m_refreshesInFlight;
    setScanning(true);
    auto published = std::make_shared<QPromise<void>>();
    published->start();

    // The table first: it is what tells whether lsof has anything new to say.
    const std::optional<QList<KernelSocket>> table =
        m_sources.kernelTable ? m_sources.kernelTable() : std::nullopt;
    std::optional<ScanGate::Run> run;
    QFuture<PortScanner::Result> scan;
    const std::optional<QList<PortEntry>> reused =
        table && !forceLsof && m_sources.gated ? m_gate.reusableListing(*table) : std::nullopt;
    if (reused) {
        scan = QtFuture::makeReadyFuture(PortScanner::Result{PortScanner::merge(*reused, *table)});
    } else {
        if (table)
            run = m_gate.lsofStarting(*table);
        scan = m_sources.lsof();
    }
    if (m_sources.processDetails) {
        // /proc is read off the GUI thread, and on reused listings too.
        scan = scan.then(QtFuture::Launch::Async,
                         [fill = m_sources.processDetails](PortScanner::Result result) {
                             if (auto *entries = std::get_if<QList<PortEntry>>(&result))
                                 fill(*entries);
                             return result;
                         });
    }

    // The watcher is the store's: a scan still out when the store goes away reports to nobody.
    // A continuation bound to the store would instead be left without its context.
    auto *watcher = new QFutureWatcher<PortScanner::Result>(this);
    connect(watcher, &QFutureWatcherBase::finished, this,
            [this, watcher, sequence, published, run, table] {
                watcher->deleteLater();
                --m_refreshesInFlight;
                if (watcher->future().resultCount() > 0)
                    publish(run ? withKernelTable(watcher->result(), *run, *table)
                                : watcher->result(),
                            sequence);
                setScanning(m_refreshesInFlight > 0);
                published->finish();
            });
    watcher->setFuture(scan);
    return published->future();
}

PortScanner::Result PortsStore::withKernelTable(const PortScanner::Result &lsofResult,
                                                const ScanGate::Run &run,
                                                const QList<KernelSocket> &table) {
    const auto *listing = std::get_if<QList<PortEntry>>(&lsofResult);
    if (!listing) {
        m_gate.lsofFailed();
        return lsofResult;
    }
    m_gate.lsofFinished(run, *listing);
    return PortScanner::merge(*listing, table);
}

void PortsStore::publish(const PortScanner::Result &result, quint64 sequence) {
    if (const auto *entries = std::get_if<QList<PortEntry>>(&result)) {
        // A slow scan that started earlier must not bring back a server a newer scan
        // already saw gone.
        if (sequence > m_newestPublished) {
            m_newestPublished = sequence;
            setEntries(*entries);
        }
    } else {
        setLastError(u"Could not run lsof: "_s +
                     std::get<PortScanner::Failure>(result).description);
    }
}

PortsStore::KillResult PortsStore::kill(const PortEntry &entry, bool force) {
    setLastError(std::nullopt);
    switch (signalListener(entry.pid, entry.command, force ? SIGKILL : SIGTERM)) {
    case SignalOutcome::delivered: {
        auto *followUp = new BootClockTimer(this);
        connect(followUp, &BootClockTimer::timeout, this, [this, followUp] {
            followUp->deleteLater();
            refresh();
        });
        followUp->start(m_followUpDelay);
        return KillResult::ok;
    }
    case SignalOutcome::notPermitted:
        setLastError(systemName + u" won't let Harklet stop "_s + entry.command +
                     u". It belongs to another user."_s);
        return KillResult::notPermitted;
    case SignalOutcome::failed:
        break;
    }
    setLastError(u"Stopping "_s + entry.command + u" failed."_s);
    return KillResult::failed;
}

void PortsStore::openInBrowser(const PortEntry &entry) const {
    if (const std::optional<QUrl> url = entry.localURL())
        QDesktopServices::openUrl(*url);
}

void PortsStore::copyURL(const PortEntry &entry) const {
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(u"localhost:"_s + QString::number(entry.port));
}

void PortsStore::setEntries(const QList<PortEntry> &entries) {
    m_entries = entries;
    emit changed();
}

void PortsStore::setLastError(const std::optional<QString> &message) {
    m_lastError = message;
    emit changed();
}

void PortsStore::setScanning(bool scanning) {
    m_isScanning = scanning;
    emit changed();
}
