#include "FakeScanner.h"
#include "OtherUser.h"
#include "store/CommandName.h"
#include "store/PortsStore.h"
#include "store/ProcessSignal.h"

#include <QProcess>
#include <QTest>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// A child that takes `name` as its kernel command name and listens on a loopback port. Returns
// once it listens.
ChildProcess spawnRenamedListener(const QByteArray &name) {
    int ready[2];
    if (pipe(ready) != 0)
        return ChildProcess();
    const pid_t pid = fork();
    if (pid == 0) {
        ::close(ready[0]);
        // The test's crash handlers are not for this child; the signal should just end it.
        signal(SIGTERM, SIG_DFL);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        prctl(PR_SET_NAME, name.constData());
        const int listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
            listen(listener, 1) != 0 || write(ready[1], "!", 1) != 1)
            _exit(1);
        for (;;)
            pause();
    }
    ::close(ready[1]);
    ChildProcess child(pid);
    char byte = 0;
    const bool listening = pid > 0 && read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    return listening ? std::move(child) : ChildProcess();
}

// The command names the real lsof prints for these processes in the given locale, by pid.
QHash<pid_t, QString> lsofCommands(const QList<pid_t> &pids, const QString &locale) {
    QStringList pidList;
    for (const pid_t pid : pids)
        pidList << QString::number(pid);
    QProcess lsof;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LC_ALL"_s, locale);
    lsof.setProcessEnvironment(environment);
    lsof.start(PortScanner::lsofExecutable(), {u"-nP"_s, u"-iTCP"_s, u"-sTCP:LISTEN"_s, u"-FpcLn"_s,
                                               u"-a"_s, u"-p"_s, pidList.join(u',')});
    lsof.waitForFinished(60000);
    QHash<pid_t, QString> commands;
    for (const PortEntry &entry :
         PortScanner::parse(QString::fromUtf8(lsof.readAllStandardOutput())))
        commands.insert(entry.pid, entry.command);
    return commands;
}

PortEntry entryFor(pid_t pid, const QString &command = u"sleep"_s) {
    return {4000, pid, command, {}, {u"*"_s}};
}

} // namespace

class StopTest : public QObject {
    Q_OBJECT

private slots:
    void stopsOnlyWhatItCanConfirm_data();
    void stopsOnlyWhatItCanConfirm();
    void reportsAnotherUsersProcess();
    void matchesLsofCommandNames_data();
    void matchesLsofCommandNames();
    void agreesWithRealLsof_data();
    void agreesWithRealLsof();
};

void StopTest::stopsOnlyWhatItCanConfirm_data() {
    QTest::addColumn<bool>("force");
    QTest::addColumn<int>("target"); // 1: the child, 2: the child once gone; 0 and -1: groups
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("signal"); // what reaches the child; 0: the stop fails
    QTest::newRow("polite") << false << 1 << u"sleep"_s << SIGTERM;
    QTest::newRow("forced") << true << 1 << u"sleep"_s << SIGKILL;
    QTest::newRow("process gone") << false << 2 << u"sleep"_s << 0;
    QTest::newRow("pid reused by another program") << false << 1 << u"node"_s << 0;
    QTest::newRow("own process group") << false << 0 << u"sleep"_s << 0;
    QTest::newRow("every process") << false << -1 << u"sleep"_s << 0;
}

void StopTest::stopsOnlyWhatItCanConfirm() {
    QFETCH(bool, force);
    QFETCH(int, target);
    QFETCH(QString, command);
    QFETCH(int, signal);
    FakeScanner scanner;
    PortsStore store([&] { return scanner.scan(); }, 1h, 10ms);
    QTRY_COMPARE(scanner.started(), 1);
    scanner.finishLast(PortScanner::Failure{u"earlier"_s});
    QTRY_VERIFY(store.lastError().has_value());

    ChildProcess child = spawnRenamedListener("sleep");
    QVERIFY(child.pid() > 0);
    const pid_t pid = target >= 1 ? child.pid() : target;
    if (target == 2)
        child.end();
    const auto result = store.kill(entryFor(pid, command), force);
    if (signal) {
        QCOMPARE(result, PortsStore::KillResult::ok);
        QCOMPARE(store.lastError(), std::nullopt);
        QCOMPARE(scanner.started(), 1); // the follow-up scan comes later, not now
        QCOMPARE(child.terminationSignal(10s), signal);
        QTRY_COMPARE(scanner.started(), 2);
        return;
    }
    QCOMPARE(result, PortsStore::KillResult::failed);
    QCOMPARE(store.lastError(), u"Stopping "_s + command + u" failed."_s);
    QCOMPARE(child.terminationSignal(100ms), target == 2 ? 0 : -1); // nothing reached it
    QTest::qWait(50);
    QCOMPARE(scanner.started(), 1); // no follow-up after a failure
}

void StopTest::reportsAnotherUsersProcess() {
    FakeScanner scanner;
    if (getuid() != 0)
        QSKIP("runs the refused side as nobody, which needs root");
    PortsStore store([&] { return scanner.scan(); }, 1h, 1h);
    ChildProcess rootOwned = spawnRenamedListener("sleep");
    QVERIFY(rootOwned.pid() > 0);

    // The refused side runs as nobody, so the root-owned sleeper is out of reach.
    OtherUser nobody([&](int report) {
        const auto result = store.kill(entryFor(rootOwned.pid()), false);
        const bool right = result == PortsStore::KillResult::notPermitted &&
                           store.lastError() ==
                               u"Linux won't let Harklet stop sleep. It belongs to another user."_s;
        if (right)
            (void)!write(report, "refused", 7);
    });
    QCOMPARE(nobody.report(16), "refused"_ba);
    QCOMPARE(rootOwned.terminationSignal(100ms), -1);
}

void StopTest::matchesLsofCommandNames_data() {
    QTest::addColumn<QByteArray>("comm");
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("matches");
    QTest::newRow("prefix only") << QByteArray("node") << u"nod"_s << false;
    QTest::newRow("backslash") << QByteArray("a\\b") << u"a\\\\b"_s << true;
    QTest::newRow("named controls")
        << QByteArray("a\tb\nc\rd\be\ff") << u"a\\tb\\nc\\rd\\be\\ff"_s << true;
    QTest::newRow("other controls") << QByteArray("x\x01y\x1b") << u"x^Ay^["_s << true;
    QTest::newRow("high bytes") << QByteArray("d\x7f\xff") << u"d\\x7f\\xff"_s << true;
    QTest::newRow("raw control is not its escape") << QByteArray("a\nb") << u"a\nb"_s << false;
    // In a UTF-8 locale lsof escapes, byte by byte, what the C library calls unprintable;
    // agreesWithRealLsof checks which on the real lsof, these the near misses.
    QTest::newRow("byte order mark is not nothing")
        << QByteArray("\xef\xbb\xbfsrv") << u"srv"_s << false;
    QTest::newRow("half escaped") << QByteArray("\xc3\xa9\xc3\xa9") << u"é\\xc3\\xa9"_s << false;
    QTest::newRow("printed where it escapes")
        << QByteArray("\xc3\xa9\xe2\x80\xa8") << u"é\u2028"_s << false;
}

void StopTest::matchesLsofCommandNames() {
    QFETCH(QByteArray, comm);
    QFETCH(QString, command);
    QFETCH(bool, matches);
    QCOMPARE(commandNameMatches(comm, command), matches);
}

void StopTest::agreesWithRealLsof_data() {
    QTest::addColumn<QString>("locale");
    QTest::newRow("C") << u"C"_s;
    QTest::newRow("UTF-8") << u"C.UTF-8"_s;
}

void StopTest::agreesWithRealLsof() {
    QFETCH(QString, locale);
    // Names that mix what lsof prints with what it escapes, at most 15 bytes each.
    const QList<QByteArray> names = {
        "node",
        "caf\xc3\xa9",
        "\xc3\xa9\xe2\x80\xa8",
        "\xc3\xa9\xcd\xb8",
        "\xc3\xa9\xef\xbf\xbe",
        "\xc3\xa9\xc2\x85",
        "\xef\xbb\xbfsrv",
        "srv\xef\xbb\xbf",
        "\xc3\xa9\xed\xa0\x80",
        "\xc3\xa9\xc3",
        "\xf0\x9f\x98\x80"
        "dev",
        "\xe2\x80\x8bzw\xc2\xa0",
        "\xc3\xa9\xee\x80\x80",
        "\xc3\xa9\xf4\x8f\xbf\xbf",
        "a\tb\\c\x01\x7f",
    };
    std::vector<ChildProcess> children;
    QList<pid_t> pids;
    for (const QByteArray &name : names) {
        children.push_back(spawnRenamedListener(name));
        QVERIFY2(children.back().pid() > 0, name.toHex().constData());
        pids << children.back().pid();
    }

    const QHash<pid_t, QString> printed = lsofCommands(pids, locale);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString command = printed.value(pids[i]);
        QVERIFY2(!command.isEmpty(), names[i].toHex().constData());
        for (qsizetype j = 0; j < names.size(); ++j) {
            QVERIFY2(commandNameMatches(names[j], command) == (i == j),
                     qPrintable(QString::fromLatin1(names[j].toHex()) + u" / "_s + command));
        }
        QCOMPARE(signalListener(pids[i], command, SIGTERM), SignalOutcome::delivered);
        QCOMPARE(children[i].terminationSignal(10s), SIGTERM);
    }
}

QTEST_GUILESS_MAIN(StopTest)
#include "tst_stop.moc"
