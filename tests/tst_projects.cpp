#include "OtherUser.h"
#include "panel/RowTexts.h"
#include "scan/ProcessDetailsReader.h"
#include "scan/ProjectName.h"
#include "store/PortsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <optional>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

bool makeDirectories(const QString &root, const QStringList &paths) {
    return std::all_of(paths.cbegin(), paths.cend(),
                       [&root](const QString &path) { return QDir(root).mkpath(path); });
}

bool writeFile(const QString &path, const QByteArray &content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

PortEntry ownListener(pid_t pid) {
    return {3000, pid, u"node"_s, u"ann"_s, {u"127.0.0.1"_s}};
}

// A process directory as /proc has it: stat with a command name full of ") ", the command
// line, and the working directory as a link.
bool writeProcessDirectory(const QString &procRoot, pid_t pid, quint64 startTicks,
                           const QString &cwd) {
    const QString directory = procRoot + u'/' + QString::number(pid);
    QDir(directory).mkpath(u"."_s);
    QByteArray stat = QByteArray::number(pid) + " (a) b) S";
    for (int field = 4; field <= 21; ++field)
        stat += " 0";
    stat += ' ' + QByteArray::number(startTicks) + " 0 0\n";
    QFile::remove(directory + u"/cwd"_s);
    return writeFile(directory + u"/stat"_s, stat) &&
           writeFile(directory + u"/cmdline"_s, QByteArray("node\0serve.js\0", 14)) &&
           QFile::link(cwd, directory + u"/cwd"_s);
}

} // namespace

class ProjectsTest : public QObject {
    Q_OBJECT

private slots:
    void projectName_data();
    void projectName();
    void readsOwnProcessesOnly();
    void rereadsOnlyANewProcess();
    void pollsReusingTheListingKeepDetails();
    void details();
    void description_data();
    void description();
};

void ProjectsTest::projectName_data() {
    QTest::addColumn<QString>("cwd");
    QTest::addColumn<QString>("project");
    QTest::newRow("repository root") << u"home/src/shop/"_s << u"shop"_s;
    QTest::newRow("folder inside a repository") << u"home/src/shop/web/pages"_s << u"shop"_s;
    QTest::newRow(".git file of a worktree") << u"home/src/shop-wt/lib"_s << u"shop-wt"_s;
    QTest::newRow("no repository") << u"elsewhere/plain"_s << u"plain"_s;
    QTest::newRow("repository rooted at home") << u"home/scratch/notes"_s << u"notes"_s;
    QTest::newRow("home itself") << u"home"_s << QString();
    QTest::newRow("root") << u"/"_s << QString();
    QTest::newRow("unreadable") << QString() << QString();
}

void ProjectsTest::projectName() {
    QFETCH(QString, cwd);
    QFETCH(QString, project);
    const QTemporaryDir root;
    QVERIFY(makeDirectories(root.path(), {u"home/.git"_s, u"home/src/shop/.git"_s,
                                          u"home/src/shop/web/pages"_s, u"home/src/shop-wt/lib"_s,
                                          u"home/scratch/notes"_s, u"elsewhere/plain"_s}));
    QVERIFY(writeFile(root.filePath(u"home/src/shop-wt/.git"_s), "gitdir: ../shop/.git\n"));
    const QString path = cwd.isEmpty() || cwd.startsWith(u'/') ? cwd : root.filePath(cwd);
    QCOMPARE(::projectName(path, root.filePath(u"home"_s)), project);
}

void ProjectsTest::readsOwnProcessesOnly() {
    const QTemporaryDir root;
    QVERIFY(makeDirectories(root.path(), {u"shop-frontend/.git"_s, u"shop-frontend/web"_s}));
    const QString cwd = QDir(root.filePath(u"shop-frontend/web"_s)).canonicalPath();
    QProcess child;
    child.setWorkingDirectory(cwd);
    // The shell stays (it has a command after sleep), so its own arguments are what is read.
    const QStringList arguments = {u"-c"_s, u"sleep 60; :"_s, u"name with spaces"_s};
    const auto before = ScanGate::bootClock();
    child.start(u"/bin/sh"_s, arguments);
    QVERIFY(child.waitForStarted());
    const auto after = ScanGate::bootClock();

    // Another user's: pid 1 is root's; for root, who could read all of it, nobody's in `cwd`.
    std::optional<OtherUser> nobody;
    pid_t others = 1;
    if (getuid() == 0) {
        QVERIFY(QFile::setPermissions(root.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                       QFile::ExeOwner | QFile::ExeOther));
        const QByteArray where = QFile::encodeName(cwd);
        nobody.emplace([&where](int report) {
            if (chdir(where.constData()) == 0 && ::write(report, "!", 1) == 1) {
                for (;;)
                    pause();
            }
        });
        QCOMPARE(nobody->report(1), "!"_ba);
        others = nobody->process().pid();
    }
    QList<PortEntry> entries = {ownListener(pid_t(child.processId())), ownListener(others),
                                ownListener(0)};
    entries[1].process = ProcessDetails{{}, {}, {}, u"stale"_s};
    ProcessDetailsReader reader(root.path());
    reader.fill(entries);
    child.kill();
    child.waitForFinished();

    const ProcessDetails &own = *entries[0].process;
    QCOMPARE(own.workingDirectory, cwd);
    QCOMPARE(own.commandLine, QStringList{u"/bin/sh"_s} + arguments);
    QCOMPARE(own.project, u"shop-frontend"_s);
    QVERIFY(own.startedAfterBoot);
    // The kernel counts start times in ticks of at most 10 ms.
    QVERIFY(*own.startedAfterBoot >= before - 10ms && *own.startedAfterBoot <= after);
    QCOMPARE(*entries[1].process, ProcessDetails{});
    QCOMPARE(*entries[2].process, ProcessDetails{});
}

void ProjectsTest::rereadsOnlyANewProcess() {
    const QTemporaryDir root;
    QVERIFY(makeDirectories(root.path(), {u"proc"_s, u"first"_s, u"second"_s, u"third"_s}));
    const QString proc = root.filePath(u"proc"_s);
    ProcessDetailsReader reader(root.path(), QFile::encodeName(proc));
    const auto cwdAfterFill = [&reader](QList<PortEntry> entries) {
        reader.fill(entries);
        return entries.isEmpty() ? QString() : entries.first().process->workingDirectory;
    };

    QVERIFY(writeProcessDirectory(proc, 4242, 500, root.filePath(u"first"_s)));
    QCOMPARE(cwdAfterFill({ownListener(4242)}), root.filePath(u"first"_s));
    // The same process moved on: what it was started in still names it.
    QVERIFY(writeProcessDirectory(proc, 4242, 500, root.filePath(u"second"_s)));
    QCOMPARE(cwdAfterFill({ownListener(4242)}), root.filePath(u"first"_s));
    // The pid went to a new process.
    QVERIFY(writeProcessDirectory(proc, 4242, 900, root.filePath(u"second"_s)));
    QCOMPARE(cwdAfterFill({ownListener(4242)}), root.filePath(u"second"_s));
    QList<PortEntry> read = {ownListener(4242)};
    reader.fill(read);
    // Linux counts start times in 100ths of a second for user space.
    QCOMPARE(read.first().process->startedAfterBoot, 9000ms);
    QCOMPARE(read.first().process->commandLine, (QStringList{u"node"_s, u"serve.js"_s}));
    // Once no longer listed it is forgotten, and read again when it comes back.
    QCOMPARE(cwdAfterFill({}), QString());
    QVERIFY(writeProcessDirectory(proc, 4242, 900, root.filePath(u"third"_s)));
    QCOMPARE(cwdAfterFill({ownListener(4242)}), root.filePath(u"third"_s));
}

void ProjectsTest::pollsReusingTheListingKeepDetails() {
    int lsofRuns = 0;
    int tableReads = 0;
    std::atomic<bool> readOnGuiThread = false;
    PortsStore::Sources sources;
    sources.lsof = [&lsofRuns] {
        ++lsofRuns;
        return QtFuture::makeReadyFuture(
            PortScanner::Result{QList<PortEntry>{ownListener(getpid())}});
    };
    // An unchanging socket table: after the first scan every poll reuses its listing.
    sources.kernelTable = [&tableReads] {
        ++tableReads;
        return std::optional(QList<KernelSocket>{});
    };
    auto reader = std::make_shared<ProcessDetailsReader>(QDir::homePath());
    sources.processDetails = [&readOnGuiThread, reader](QList<PortEntry> &entries) {
        if (QThread::currentThread() == QCoreApplication::instance()->thread())
            readOnGuiThread = true;
        reader->fill(entries);
    };
    PortsStore store(sources, 5ms, 5ms);
    QTRY_VERIFY(tableReads >= 3);
    const int runsBefore = lsofRuns;
    QTRY_VERIFY(tableReads >= 8);
    QCOMPARE(lsofRuns, runsBefore);
    QCOMPARE(store.entries().size(), 1);
    QCOMPARE(store.entries().first().process->workingDirectory, QDir::current().canonicalPath());
    QVERIFY(!readOnGuiThread);
}

void ProjectsTest::details() {
    PortEntry entry = ownListener(812);
    QCOMPARE(RowTexts::details(entry), u"PID 812 · 127.0.0.1"_s);
    entry.process = ProcessDetails{{}, {}, {}, u"shop-frontend"_s};
    QCOMPARE(RowTexts::details(entry), u"PID 812 · 127.0.0.1 · shop-frontend"_s);
}

void ProjectsTest::description_data() {
    QTest::addColumn<QString>("cwd");
    QTest::addColumn<QStringList>("commandLine");
    QTest::addColumn<std::chrono::nanoseconds>("running");
    QTest::addColumn<QString>("description");
    const QStringList none;
    const auto unknown = std::chrono::nanoseconds::min();
    QTest::newRow("nothing known") << QString() << none << unknown << QString();
    QTest::newRow("59 s") << QString() << none << std::chrono::nanoseconds(59999ms)
                          << u"running for 59 s"_s;
    QTest::newRow("60 s") << QString() << none << std::chrono::nanoseconds(60s)
                          << u"running for 1 min"_s;
    QTest::newRow("whole hours") << QString() << none << std::chrono::nanoseconds(2h)
                                 << u"running for 2 h"_s;
    QTest::newRow("hours") << QString() << none << std::chrono::nanoseconds(2h + 5min + 59s)
                           << u"running for 2 h 5 min"_s;
    QTest::newRow("days") << QString() << none << std::chrono::nanoseconds(76h + 30min)
                          << u"running for 3 d 4 h"_s;
    QTest::newRow("all, home as ~")
        << u"/home/ann/src/shop"_s << QStringList{u"node"_s, u"my server.js"_s, u""_s}
        << std::chrono::nanoseconds(40s)
        << u"~/src/shop\nnode \"my server.js\" \"\"\nrunning for 40 s"_s;
    QTest::newRow("home itself") << u"/home/ann"_s << none << unknown << u"~"_s;
    QTest::newRow("not ~ for a longer name")
        << u"/home/ann2/x"_s << none << unknown << u"/home/ann2/x"_s;
    QTest::newRow("no line breaks from the process")
        << u"/srv/a\nrunning for 9 d"_s << QStringList{u"x\ny"_s} << unknown
        << u"/srv/a\ufffdrunning for 9 d\n\"x\ufffdy\""_s;
}

void ProjectsTest::description() {
    QFETCH(QString, cwd);
    QFETCH(QStringList, commandLine);
    QFETCH(std::chrono::nanoseconds, running);
    QFETCH(QString, description);
    PortEntry entry = ownListener(812);
    const auto started = 1000h;
    ProcessDetails details{cwd, commandLine, {}, {}};
    if (running != std::chrono::nanoseconds::min())
        details.startedAfterBoot = started;
    entry.process = details;
    QCOMPARE(RowTexts::processDescription(entry, started + running, u"/home/ann/"_s), description);
}

QTEST_GUILESS_MAIN(ProjectsTest)
#include "tst_projects.moc"
