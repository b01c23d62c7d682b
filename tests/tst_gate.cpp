#include "scan/CurrentUser.h"
#include "store/PortsStore.h"

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

KernelSocket loopback(quint16 port, quint64 inode) {
    KernelSocket s;
    s.address = {127, 0, 0, 1};
    s.port = port;
    s.inode = inode;
    return s;
}

QByteArray listingOf(const QList<pid_t> &pids) {
    QByteArray out;
    for (const pid_t pid : pids)
        out += "p" + QByteArray::number(pid) + "\ncserver\nL" + currentLoginName().toUtf8() +
               "\nn127.0.0.1:3000\n";
    return out;
}

// A fake lsof that counts its runs, a kernel table and a clock, all in the test's hands.
class Machine {
public:
    Machine() {
        qputenv("HARKLET_FAKE_RUNS", m_dir.filePath(u"runs"_s).toLocal8Bit());
        qputenv("HARKLET_FAKE_LISTING", m_dir.filePath(u"listing"_s).toLocal8Bit());
        setListing({getpid()});
    }
    ~Machine() {
        qunsetenv("HARKLET_FAKE_RUNS");
        qunsetenv("HARKLET_FAKE_LISTING");
    }

    PortsStore::Sources sources() {
        PortsStore::Sources sources;
        sources.lsof = [] {
            return PortScanner::scan(QStringLiteral(HARKLET_TEST_FAKES) + u"/counting"_s, 10s);
        };
        sources.kernelTable = [this]() -> std::optional<QList<KernelSocket>> {
            ++tableReads;
            return tableWorks ? std::optional(table) : std::nullopt;
        };
        sources.clock = [this] { return now; };
        return sources;
    }

    void setListing(const QList<pid_t> &pids) {
        QFile file(m_dir.filePath(u"listing"_s));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(listingOf(pids));
    }

    int lsofRuns() const {
        QFile file(m_dir.filePath(u"runs"_s));
        return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
    }

    // Lets several polls go by.
    void letPollsPass(int polls = 6) {
        const int target = tableReads + polls;
        QTRY_VERIFY(tableReads >= target);
    }

    QList<KernelSocket> table{loopback(3000, 1)};
    bool tableWorks = true;
    int tableReads = 0;
    std::chrono::nanoseconds now{1h};

private:
    QTemporaryDir m_dir;
};

} // namespace

class GateTest : public QObject {
    Q_OBJECT

private slots:
    void eachReasonRunsLsofOnce_data();
    void eachReasonRunsLsofOnce();
    void withoutTheTableEveryPollRunsLsof();
};

void GateTest::eachReasonRunsLsofOnce_data() {
    QTest::addColumn<QString>("reason");
    for (const char *reason : {"new listener", "listener closed", "process vanished", "stop",
                               "refresh", "listing a minute old"})
        QTest::newRow(reason) << QString::fromLatin1(reason);
}

void GateTest::eachReasonRunsLsofOnce() {
    QFETCH(QString, reason);
    Machine machine;
    QProcess sleeper;
    const auto endSleeper = qScopeGuard([&] {
        sleeper.kill();
        sleeper.waitForFinished();
    });
    sleeper.start(u"/bin/sleep"_s, {u"60"_s});
    QVERIFY(sleeper.waitForStarted()); // exec has happened: the kernel calls it sleep
    const auto sleeperPid = pid_t(sleeper.processId());
    if (reason == u"process vanished"_s)
        machine.setListing({getpid(), sleeperPid});
    PortsStore store(machine.sources(), 5ms, 5ms);

    // The start-up scan, and perhaps a poll that came before it ended.
    QTRY_VERIFY(machine.lsofRuns() >= 1);
    machine.letPollsPass();
    const int settled = machine.lsofRuns();
    QVERIFY(settled <= 2);
    machine.now += 59s; // not yet a minute
    machine.letPollsPass();
    QCOMPARE(machine.lsofRuns(), settled);

    if (reason == u"new listener"_s) {
        machine.table.append(loopback(4000, 2));
    } else if (reason == u"listener closed"_s) {
        machine.table.clear();
    } else if (reason == u"process vanished"_s) {
        machine.setListing({getpid()});
        sleeper.kill();
        QVERIFY(sleeper.waitForFinished());
    } else if (reason == u"stop"_s) {
        QCOMPARE(store.kill({1, sleeperPid, u"sleep"_s, {}, {}}, false),
                 PortsStore::KillResult::ok);
    } else if (reason == u"refresh"_s) {
        store.refresh();
    } else {
        machine.now += 1s;
    }
    QTRY_COMPARE(machine.lsofRuns(), settled + 1);
    machine.letPollsPass();
    QCOMPARE(machine.lsofRuns(), settled + 1);

    // What the gate publishes is what a full scan gives.
    const QList<PortEntry> gated = store.entries();
    store.refresh();
    QTRY_COMPARE(machine.lsofRuns(), settled + 2);
    QTRY_VERIFY(!store.isScanning());
    QCOMPARE(store.entries(), gated);
}

void GateTest::withoutTheTableEveryPollRunsLsof() {
    Machine machine;
    machine.tableWorks = false;
    machine.table.append(loopback(4000, 2)); // never seen: the scan is lsof alone
    PortsStore store(machine.sources(), 5ms, 5ms);
    QTRY_VERIFY(machine.lsofRuns() >= 4);
    QTRY_VERIFY(!store.entries().isEmpty());
    QCOMPARE(store.entries().size(), 1);
    QCOMPARE(store.entries().first().pid, getpid());
}

QTEST_GUILESS_MAIN(GateTest)
#include "tst_gate.moc"
