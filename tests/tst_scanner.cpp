#include "scan/PortScanner.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString fakes = QStringLiteral(HARKLET_TEST_FAKES);

PortScanner::Result await(QFuture<PortScanner::Result> future) {
    // Spin the event loop rather than block, like the store does.
    while (!future.isFinished())
        QTest::qWait(5);
    return future.result();
}

PortScanner::Result runFake(const QString &name, std::chrono::milliseconds limit = 10s) {
    return await(PortScanner::scan(fakes + u'/' + name, limit));
}

QList<PortEntry> entriesOf(const PortScanner::Result &result) {
    if (const auto *failure = std::get_if<PortScanner::Failure>(&result))
        qWarning() << "scan failed:" << failure->description;
    return std::get<QList<PortEntry>>(result);
}

} // namespace

class ScannerTest : public QObject {
    Q_OBJECT

private slots:
    void missingExecutableFailsOnce();
    void passesFixedArguments();
    void degradesOnOddOutput_data();
    void degradesOnOddOutput();
    void drainsLargeOutput();
    void timeLimitKillsOnlyTheChild();
    void neverSearchesThePath();
    void takesOnlyAnExecutableFile_data();
    void takesOnlyAnExecutableFile();
};

void ScannerTest::missingExecutableFailsOnce() {
    QFuture<PortScanner::Result> future = PortScanner::scan(fakes + u"/no-such-tool"_s, 10s);
    const PortScanner::Result result = await(future);
    QCOMPARE(future.resultCount(), 1);
    QVERIFY(std::holds_alternative<PortScanner::Failure>(result));
    QVERIFY(!std::get<PortScanner::Failure>(result).description.isEmpty());
}

void ScannerTest::passesFixedArguments() {
    const QList<PortEntry> entries = entriesOf(runFake(u"arguments"_s));
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.first().command, u"-nP|-iTCP|-sTCP:LISTEN|-FpcLn|4"_s);
}

void ScannerTest::degradesOnOddOutput_data() {
    QTest::addColumn<QString>("fake");
    QTest::addColumn<QStringList>("ids");
    QTest::newRow("warnings on stderr") << u"warnings"_s << QStringList{u"4242:3000"_s};
    QTest::newRow("invalid UTF-8 counts as empty") << u"invalid-utf8"_s << QStringList{};
    QTest::newRow("non-zero exit, partial output")
        << u"partial"_s << QStringList{u"7:3000"_s, u"8:4000"_s};
}

void ScannerTest::degradesOnOddOutput() {
    QFETCH(QString, fake);
    QFETCH(QStringList, ids);
    QStringList found;
    for (const PortEntry &e : entriesOf(runFake(fake)))
        found << e.id();
    found.sort();
    QCOMPARE(found, ids);
}

void ScannerTest::drainsLargeOutput() {
    const QList<PortEntry> entries = entriesOf(runFake(u"flood"_s, 60s));
    QCOMPARE(entries.size(), 50000);
}

void ScannerTest::timeLimitKillsOnlyTheChild() {
    QTemporaryDir dir;
    const QString pidFile = dir.filePath(u"pid"_s);
    const auto fakePid = [&] {
        QFile file(pidFile);
        return file.open(QIODevice::ReadOnly) ? pid_t(file.readAll().trimmed().toInt()) : 0;
    };
    // Should the limit fail, the fake would otherwise sleep on after the test.
    const auto endFake = qScopeGuard([&] {
        if (const pid_t pid = fakePid(); pid > 0)
            ::kill(pid, SIGKILL);
    });
    qputenv("HARKLET_FAKE_PIDFILE", pidFile.toLocal8Bit());
    const PortScanner::Result result = runFake(u"hang"_s, 300ms);
    qunsetenv("HARKLET_FAKE_PIDFILE");

    QVERIFY(std::holds_alternative<PortScanner::Failure>(result));
    QCOMPARE(std::get<PortScanner::Failure>(result).description,
             u"lsof did not finish within 0.3 seconds"_s);
    const pid_t child = fakePid();
    QVERIFY(child > 0);
    // Killed and reaped: the pid no longer exists (not even as a zombie).
    QTRY_VERIFY(::kill(child, 0) != 0 && errno == ESRCH);
}

void ScannerTest::neverSearchesThePath() {
    // An impostor first in PATH: a search for "lsof" would run it.
    QTemporaryDir dir;
    QFile impostor(dir.filePath(u"lsof"_s));
    QVERIFY(impostor.open(QIODevice::WriteOnly));
    impostor.write("#!/bin/sh\nprintf 'p1\\ncimpostor\\nLdev\\nn*:1\\n'\n");
    impostor.close();
    QVERIFY(impostor.setPermissions(impostor.permissions() | QFile::ExeOwner));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit() + ':' + path);
    const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });

    const QList<PortEntry> entries = entriesOf(await(PortScanner::scan()));
    QVERIFY(std::none_of(entries.cbegin(), entries.cend(),
                         [](const PortEntry &e) { return e.command == u"impostor"_s; }));
}

void ScannerTest::takesOnlyAnExecutableFile_data() {
    QTest::addColumn<QStringList>("locations"); // names under a scratch directory
    QTest::addColumn<QString>("chosen");
    QTest::newRow("first that is one") << QStringList{u"tool"_s, u"other-tool"_s} << u"tool"_s;
    QTest::newRow("missing file") << QStringList{u"absent"_s, u"tool"_s} << u"tool"_s;
    QTest::newRow("file without x bit") << QStringList{u"plain"_s, u"tool"_s} << u"tool"_s;
    QTest::newRow("directory") << QStringList{u"directory"_s, u"tool"_s} << u"tool"_s;
    QTest::newRow("none") << QStringList{u"plain"_s, u"directory"_s, u"absent"_s} << QString();
}

void ScannerTest::takesOnlyAnExecutableFile() {
    QFETCH(QStringList, locations);
    QFETCH(QString, chosen);
    QTemporaryDir dir;
    for (const QString &name : {u"tool"_s, u"other-tool"_s, u"plain"_s}) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const bool executable = name != u"plain"_s;
        QVERIFY(file.setPermissions(executable ? file.permissions() | QFile::ExeOwner
                                               : QFile::ReadOwner | QFile::WriteOwner));
    }
    QVERIFY(QDir(dir.path()).mkdir(u"directory"_s));
    for (QString &location : locations)
        location = dir.filePath(location);
    QCOMPARE(PortScanner::lsofExecutable(locations),
             chosen.isEmpty() ? QString() : dir.filePath(chosen));
}

QTEST_GUILESS_MAIN(ScannerTest)
#include "tst_scanner.moc"
