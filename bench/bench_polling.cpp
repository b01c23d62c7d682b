// Polling CPU of the store with the lsof gate on and off, side by side: two child processes
// each run a store for the same span after their start-up scans, and report their own CPU plus
// that of their reaped children (lsof), utime+stime from /proc/self/stat. At the end the gated
// store compares its list with a forced full scan.
//   bench_polling [seconds=120]
#include "store/PortsStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Own and reaped children's user+system time, in milliseconds.
double cpuMs() {
    QFile stat(u"/proc/self/stat"_s);
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // Fields after the command's closing parenthesis start at field 3 (state).
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    double ticks = 0;
    for (int field = 14; field <= 17; ++field) // utime stime cutime cstime
        ticks += fields.value(field - 3).toDouble();
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

QStringList described(QList<PortEntry> entries) {
    QStringList out;
    for (const PortEntry &e : entries)
        out << e.id() + u' ' + e.command + u' ' + e.login + u' ' + e.addresses.join(u',');
    out.sort();
    return out;
}

int runStore(bool gated, int seconds) {
    // Counted, to tell what made the gate run lsof: the machine's own listeners coming and
    // going show up as table changes.
    int lsofRuns = 0;
    int tableChanges = 0;
    PortsStore::Sources sources = PortsStore::systemSources(gated);
    sources.lsof = [&lsofRuns, lsof = sources.lsof] {
        ++lsofRuns;
        return lsof();
    };
    sources.kernelTable = [&tableChanges, table = sources.kernelTable,
                           last = std::optional<QList<KernelSocket>>()]() mutable {
        auto now = table();
        if (now) {
            std::sort(now->begin(), now->end());
            tableChanges += last && *last != *now;
            last = now;
        }
        return now;
    };
    PortsStore store(sources, PortsStore::pollInterval, PortsStore::followUpDelay);
    int polls = 0;
    int runsBefore = 0;
    int changesBefore = 0;
    bool measuring = false;
    double start = 0;
    QObject::connect(&store, &PortsStore::changed, &store, [&] {
        if (store.isScanning())
            return;
        if (!measuring) { // the start-up scan has ended: polling starts now
            measuring = true;
            start = cpuMs();
            runsBefore = lsofRuns;
            changesBefore = tableChanges;
            QTimer::singleShot(seconds * 1000, &store, [&] {
                const double used = cpuMs() - start;
                const int runs = lsofRuns - runsBefore;
                const int changes = tableChanges - changesBefore;
                const QStringList gatedList = described(store.entries());
                store.refresh().then(&store, [&, used, runs, changes, gatedList] {
                    const QStringList full = described(store.entries());
                    const bool same = full == gatedList;
                    for (const QString &line : gatedList) {
                        if (!full.contains(line))
                            std::fprintf(stderr, "only gated: %s\n", qPrintable(line));
                    }
                    for (const QString &line : full) {
                        if (!gatedList.contains(line))
                            std::fprintf(stderr, "only full: %s\n", qPrintable(line));
                    }
                    std::printf("%s cpu_ms %.0f polls %d lsof_runs %d table_changes %d entries "
                                "%lld same_as_full_scan %s\n",
                                gated ? "gated" : "ungated", used, polls, runs, changes,
                                qlonglong(gatedList.size()), same ? "yes" : "NO");
                    if (store.lastError())
                        std::printf("  last error: %s\n", qPrintable(*store.lastError()));
                    std::fflush(stdout);
                    QCoreApplication::quit();
                });
            });
            return;
        }
        ++polls;
    });
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == u"--store"_s)
        return runStore(args.value(2) == u"gated"_s, args.value(3).toInt());

    const int seconds = std::max(1, args.value(1, u"120"_s).toInt());
    QProcess gated, ungated;
    for (QProcess *p : {&gated, &ungated}) {
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(app.applicationFilePath(),
                 {u"--store"_s, p == &gated ? u"gated"_s : u"ungated"_s, QString::number(seconds)});
    }
    QList<double> cpu;
    for (QProcess *p : {&gated, &ungated}) {
        p->waitForFinished(-1);
        const QByteArray out = p->readAllStandardOutput();
        std::fputs(out.constData(), stdout);
        const QList<QByteArray> words = out.split(' ');
        cpu << words.value(words.indexOf("cpu_ms") + 1).toDouble();
    }
    std::printf("over %d s of polling: gated/ungated CPU %.3f (target <= 0.125)\n", seconds,
                cpu[1] > 0 ? cpu[0] / cpu[1] : 0.0);
    return 0;
}
