// Wall time of a full scan against a bare lsof run with the same arguments, interleaved in
// one process on the same machine. Prints the medians and their ratio.
#include "scan/PortScanner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

static double median(QList<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

static double bareLsofMs(const QString &lsof) {
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(lsof, {u"-nP"_s, u"-iTCP"_s, u"-sTCP:LISTEN"_s, u"-FpcLn"_s});
    process.waitForFinished(-1);
    process.readAllStandardOutput();
    return double(timer.nsecsElapsed()) / 1e6;
}

static double scanMs() {
    QElapsedTimer timer;
    timer.start();
    QFuture<PortScanner::Result> future = PortScanner::scan();
    future.waitForFinished();
    return double(timer.nsecsElapsed()) / 1e6;
}

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QString lsof = PortScanner::lsofExecutable();
    if (lsof.isEmpty()) {
        std::fprintf(stderr, "lsof is not installed\n");
        return 1;
    }
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 40;
    QList<double> bare, scan;
    bareLsofMs(lsof); // warm the page cache
    for (int i = 0; i < runs; ++i) {
        bare << bareLsofMs(lsof);
        scan << scanMs();
    }
    std::printf("runs %d  bare lsof median %.2f ms  PortScanner::scan median %.2f ms  ratio %.3f\n",
                runs, median(bare), median(scan), median(scan) / median(bare));
    return 0;
}
