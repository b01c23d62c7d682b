#include "FakeScanner.h"
#include "Listeners.h"
#include "store/PortsStore.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

QList<qint64> portsOf(const QList<PortEntry> &entries) {
    QList<qint64> ports;
    for (const PortEntry &e : entries)
        ports << e.port;
    return ports;
}

} // namespace

class StoreTest : public QObject {
    Q_OBJECT

private slots:
    void pollWaitsForTheEndOfEachScan();
    void failureMessagePersistsUntilAStopRequest();
    void olderScanNeverOverwritesNewerResult();
    void splitsAndOrdersByPort();
    void scansOutlivingTheStoreReportToNobody_data();
    void scansOutlivingTheStoreReportToNobody();
};

void StoreTest::pollWaitsForTheEndOfEachScan() {
    FakeScanner scanner;
    PortsStore store([&] { return scanner.scan(); }, 20ms, 1h);
    QTRY_COMPARE(scanner.started(), 1); // the start-up scan
    QTRY_COMPARE(scanner.started(), 2); // the first poll, although the first scan still runs
    QTest::qWait(150);
    QCOMPARE(scanner.started(), 2); // no new poll while the poll's own scan runs
    scanner.finish(1, QList<PortEntry>{});
    QTRY_COMPARE(scanner.started(), 3);
    scanner.finish(2, PortScanner::Failure{u"boom"_s}); // polling goes on after failures
    QTRY_COMPARE(scanner.started(), 4);
}

void StoreTest::failureMessagePersistsUntilAStopRequest() {
    FakeScanner scanner;
    PortsStore store([&] { return scanner.scan(); }, 1h, 1h);
    QTRY_COMPARE(scanner.started(), 1);
    scanner.finishLast(QList<PortEntry>{mine(3000)});
    QTRY_VERIFY(!store.isScanning());

    store.refresh();
    scanner.finishLast(PortScanner::Failure{u"No such file or directory"_s});
    QTRY_VERIFY(!store.isScanning());
    QCOMPARE(store.lastError(), u"Could not run lsof: No such file or directory"_s);
    QCOMPARE(store.entries(), QList<PortEntry>{mine(3000)}); // the previous list stays

    store.refresh();
    scanner.finishLast(QList<PortEntry>{mine(4000)});
    QTRY_COMPARE(store.entries(), QList<PortEntry>{mine(4000)});
    QCOMPARE(store.lastError(), u"Could not run lsof: No such file or directory"_s);

    // Any stop request clears it; this one fails and leaves its own message.
    QCOMPARE(store.kill(mine(4000, 0), false), PortsStore::KillResult::failed);
    QCOMPARE(store.lastError(), u"Stopping node failed."_s);
}

void StoreTest::olderScanNeverOverwritesNewerResult() {
    FakeScanner scanner;
    PortsStore store([&] { return scanner.scan(); }, 1h, 1h);
    QTRY_COMPARE(scanner.started(), 1);
    store.refresh();
    QCOMPARE(scanner.started(), 2);

    scanner.finish(1, QList<PortEntry>{mine(4000)}); // the newer scan: 3000 is gone
    QTRY_COMPARE(store.entries(), QList<PortEntry>{mine(4000)});
    QVERIFY(store.isScanning()); // the older one is still out

    scanner.finish(0, QList<PortEntry>{mine(3000)});
    QTRY_VERIFY(!store.isScanning());
    QCOMPARE(store.entries(), QList<PortEntry>{mine(4000)});
}

void StoreTest::splitsAndOrdersByPort() {
    const PortEntry other{80, 7, u"nginx"_s, currentLoginName() + u"-other"_s, {u"*"_s}};
    const PortEntry daemon{
        5353, 8, PortEntry::systemCommandPrefixes.first(), currentLoginName(), {u"*"_s}};
    const PortEntry nameless{22, 9, {}, {}, {u"*"_s}};
    const QList<PortEntry> scanned{mine(8080, 1), daemon,         mine(5000, 20), mine(443, 2),
                                   other,         mine(5000, 10), nameless,       mine(-1, 3)};
    FakeScanner scanner;
    PortsStore store([&] { return scanner.scan(); }, 1h, 1h);
    QVERIFY(store.userEntries().isEmpty() && store.systemEntries().isEmpty());
    QTRY_COMPARE(scanner.started(), 1);
    scanner.finishLast(scanned);
    QTRY_COMPARE(store.entries(), scanned); // kept in scan order

    QCOMPARE(portsOf(store.userEntries()), (QList<qint64>{-1, 443, 5000, 5000, 8080}));
    QCOMPARE(store.systemEntries(), (QList<PortEntry>{nameless, other, daemon}));

    // Equal ports keep scan order; enough ties that an unstable sort would reorder them.
    QList<PortEntry> ties;
    for (pid_t pid = 1; pid <= 300; ++pid)
        ties << mine(3000 + (pid * 7) % 3, pid);
    store.refresh();
    scanner.finishLast(ties);
    QTRY_COMPARE(store.entries(), ties);
    const QList<PortEntry> user = store.userEntries();
    for (qsizetype i = 1; i < user.size(); ++i) {
        const bool ordered = user[i - 1].port < user[i].port ||
                             (user[i - 1].port == user[i].port && user[i - 1].pid < user[i].pid);
        QVERIFY2(ordered, qPrintable(user[i].id()));
    }
}

void StoreTest::scansOutlivingTheStoreReportToNobody_data() {
    QTest::addColumn<bool>("withKernelTable");
    QTest::newRow("lsof alone") << false;
    QTest::newRow("lsof beside the kernel table") << true;
}

void StoreTest::scansOutlivingTheStoreReportToNobody() {
    // Quitting during a scan: the store goes first, its scans end later or never.
    QFETCH(bool, withKernelTable);
    FakeScanner scanner;
    PortsStore::Sources sources{[&] { return scanner.scan(); }, {}};
    if (withKernelTable)
        sources.kernelTable = [] { return std::optional(QList<KernelSocket>{}); };
    auto store = std::make_unique<PortsStore>(sources, 10ms, 1h);
    QTRY_COMPARE(scanner.started(), 2); // the start-up scan and the first poll's, both out
    store.reset();
    scanner.finish(0, QList<PortEntry>{mine(4000)});
    scanner.finish(1, PortScanner::Failure{u"late"_s});
    QTest::qWait(50); // anything still bound to the store would run now
    QCOMPARE(scanner.started(), 2);
}

QTEST_GUILESS_MAIN(StoreTest)
#include "tst_store.moc"
