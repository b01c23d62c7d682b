#include "FakeScanner.h"
#include "store/PortsStore.h"
#include "store/ProcessSignal.h"

#include <QFile>
#include <QTest>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

extern char **environ;

namespace {

// A real process to stop; reaped and checked by the test. Returns once the kernel calls it
// "sleep": posix_spawn can come back before exec has renamed the child.
pid_t spawnSleeper() {
    pid_t pid = 0;
    char program[] = "/bin/sleep";
    char seconds[] = "60";
    char *argv[] = {program, seconds, nullptr};
    if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0)
        return -1;
    QFile comm(u"/proc/"_s + QString::number(pid) + u"/comm"_s);
    const QDeadlineTimer deadline(10s);
    while (!deadline.hasExpired()) {
        comm.open(QIODevice::ReadOnly);
        if (comm.readAll() == "sleep\n")
            return pid;
        comm.close();
        QTest::qWait(1);
    }
    return -1;
}

// How the process ended: the signal that killed it, 0 if it exited, -1 if still running.
int terminationSignal(pid_t pid, std::chrono::milliseconds within) {
    int status = 0;
    QDeadlineTimer deadline(within);
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (deadline.hasExpired())
            return -1;
        QTest::qWait(5);
    }
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

void reap(pid_t pid) {
    ::kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

PortEntry entryFor(pid_t pid, const QString &command = u"sleep"_s) {
    return {4000, pid, command, {}, {u"*"_s}};
}

} // namespace

class StopTest : public QObject {
    Q_OBJECT

private slots:
    void sendsTheAskedSignalAndRefreshesLater_data();
    void sendsTheAskedSignalAndRefreshesLater();
    void refusesWhatItCannotConfirm_data();
    void refusesWhatItCannotConfirm();
    void reportsAnotherUsersProcess();
    void matchesLsofCommandNames_data();
    void matchesLsofCommandNames();
};

void StopTest::sendsTheAskedSignalAndRefreshesLater_data() {
    QTest::addColumn<bool>("force");
    QTest::addColumn<int>("signal");
    QTest::newRow("polite") << false << SIGTERM;
    QTest::newRow("forced") << true << SIGKILL;
}

void StopTest::sendsTheAskedSignalAndRefreshesLater() {
    QFETCH(bool, force);
    QFETCH(int, signal);
    FakeScanner scanner;
    PortsStore store([&] { return scanner.scan(); }, 1h, 50ms);
    QTRY_COMPARE(scanner.started(), 1);
    scanner.finishLast(PortScanner::Failure{u"earlier"_s});
    QTRY_VERIFY(store.lastError().has_value());

    const pid_t child = spawnSleeper();
    QVERIFY(child > 0);
    QCOMPARE(store.kill(entryFor(child), force), PortsStore::KillResult::ok);
    QCOMPARE(store.lastError(), std::nullopt);
    QCOMPARE(scanner.started(), 1); // the follow-up scan comes later, not now
    QCOMPARE(terminationSignal(child, 10s), signal);
    QTRY_COMPARE(scanner.started(), 2);
}

void StopTest::refusesWhatItCannotConfirm_data() {
    QTest::addColumn<bool>("reapFirst");
    QTest::addColumn<int>("groupPid"); // 1: the child itself; 0 and -1 address process groups
    QTest::addColumn<QString>("command");
    QTest::newRow("process gone") << true << 1 << u"sleep"_s;
    QTest::newRow("pid reused by another program") << false << 1 << u"node"_s;
    QTest::newRow("own process group") << false << 0 << u"sleep"_s;
    QTest::newRow("every process") << false << -1 << u"sleep"_s;
}

void StopTest::refusesWhatItCannotConfirm() {
    QFETCH(bool, reapFirst);
    QFETCH(int, groupPid);
    QFETCH(QString, command);
    FakeScanner scanner;
    PortsStore store([&] { return scanner.scan(); }, 1h, 10ms);
    QTRY_COMPARE(scanner.started(), 1);

    const pid_t child = spawnSleeper();
    QVERIFY(child > 0);
    if (reapFirst)
        reap(child);
    const pid_t target = groupPid == 1 ? child : groupPid;
    QCOMPARE(store.kill(entryFor(target, command), false), PortsStore::KillResult::failed);
    QCOMPARE(store.lastError(), u"Stopping "_s + command + u" failed."_s);
    if (!reapFirst) {
        QCOMPARE(terminationSignal(child, 100ms), -1); // nothing reached it
        reap(child);
    }
    QTest::qWait(50);
    QCOMPARE(scanner.started(), 1); // no follow-up after a failure
}

void StopTest::reportsAnotherUsersProcess() {
    FakeScanner scanner;
    if (getuid() != 0)
        QSKIP("runs the refused side as nobody, which needs root");
    PortsStore store([&] { return scanner.scan(); }, 1h, 1h);
    const pid_t rootOwned = spawnSleeper();
    QVERIFY(rootOwned > 0);

    // The refused side runs as nobody in a child, so the root-owned sleeper is out of reach.
    const pid_t asNobody = fork();
    if (asNobody == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        const auto result = store.kill(entryFor(rootOwned), false);
        const bool right = result == PortsStore::KillResult::notPermitted &&
                           store.lastError() ==
                               u"Linux won't let Harklet stop sleep. It belongs to another user."_s;
        _exit(right ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(waitpid(asNobody, &status, 0), asNobody);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(terminationSignal(rootOwned, 100ms), -1);
    reap(rootOwned);
}

void StopTest::matchesLsofCommandNames_data() {
    QTest::addColumn<QByteArray>("comm");
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("matches");
    QTest::newRow("plain") << QByteArray("node") << u"node"_s << true;
    QTest::newRow("prefix only") << QByteArray("node") << u"nod"_s << false;
    QTest::newRow("backslash") << QByteArray("a\\b") << u"a\\\\b"_s << true;
    QTest::newRow("named controls")
        << QByteArray("a\tb\nc\rd\be\ff") << u"a\\tb\\nc\\rd\\be\\ff"_s << true;
    QTest::newRow("other controls") << QByteArray("x\x01y\x1b") << u"x^Ay^["_s << true;
    QTest::newRow("high bytes") << QByteArray("d\x7f\xff") << u"d\\x7f\\xff"_s << true;
    QTest::newRow("UTF-8, C locale") << QByteArray("caf\xc3\xa9") << u"caf\\xc3\\xa9"_s << true;
    QTest::newRow("UTF-8, UTF-8 locale") << QByteArray("caf\xc3\xa9") << u"café"_s << true;
    QTest::newRow("raw control is not its escape") << QByteArray("a\nb") << u"a\nb"_s << false;
}

void StopTest::matchesLsofCommandNames() {
    QFETCH(QByteArray, comm);
    QFETCH(QString, command);
    QFETCH(bool, matches);
    QCOMPARE(commandNameMatches(comm, command), matches);
}

QTEST_GUILESS_MAIN(StopTest)
#include "tst_stop.moc"
