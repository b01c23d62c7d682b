#include "PortsStore.h"

#include "BootClockTimer.h"
#include "ProcessSignal.h"

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

PortsStore::PortsStore(QObject *parent)
    : PortsStore([] { return PortScanner::scan(); }, pollInterval, followUpDelay, parent) {}

PortsStore::PortsStore(ScanFunction scan, std::chrono::milliseconds poll,
                       std::chrono::milliseconds followUp, QObject *parent)
    : QObject(parent)
    , m_scan(std::move(scan))
    , m_followUpDelay(followUp)
    , m_pollTimer(new BootClockTimer(this)) {
    // The poll waits its interval after each of its own scans, not on a fixed beat.
    connect(m_pollTimer, &BootClockTimer::timeout, this, [this, poll] {
        // A refresh cut short by the store's end is cancelled, and cancelled futures skip
        // their continuations, so this one only ever runs on a living store.
        refresh().then([timer = m_pollTimer, poll] { timer->start(poll); });
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
    const quint64 sequence = ++m_refreshesStarted;
    ++m_refreshesInFlight;
    setScanning(true);
    auto published = std::make_shared<QPromise<void>>();
    published->start();
    // The watcher is the store's: a scan still out when the store goes away reports to nobody.
    // A continuation bound to the store would instead be left without its context.
    auto *watcher = new QFutureWatcher<PortScanner::Result>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, sequence, published] {
        watcher->deleteLater();
        --m_refreshesInFlight;
        if (watcher->future().resultCount() > 0)
            publish(watcher->result(), sequence);
        setScanning(m_refreshesInFlight > 0);
        published->finish();
    });
    watcher->setFuture(m_scan());
    return published->future();
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
