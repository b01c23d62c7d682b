// What reading the user's processes' details costs on a poll: 30 real processes, each started
// in its own project folder, read with an empty cache (their first poll) and with a warm one
// (every later poll), beside one bare lsof run with Harklet's arguments.
//   bench_process_details [rounds]   (default: 50)
#include "scan/PortScanner.h"
#include "scan/ProcessDetailsReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <sys/resource.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int processes = 30;

double median(QList<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// User and system CPU of the reaped children so far.
double childrenCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

struct Sample {
    double wallMs;
    double cpuMs;
};

template <typename Work> Sample timed(Work work) {
    QElapsedTimer wall;
    const double cpu = threadCpuMs();
    wall.start();
    work();
    return {double(wall.nsecsElapsed()) / 1e6, threadCpuMs() - cpu};
}

void printRow(const char *what, const QList<Sample> &samples) {
    QList<double> wall, cpu;
    for (const Sample &sample : samples) {
        wall << sample.wallMs;
        cpu << sample.cpuMs;
    }
    std::printf("| %s | %.3f ms | %.3f ms |\n", what, median(wall), median(cpu));
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 50;

    // Half of them in a git repository's subfolder, so the project rule walks up.
    const QTemporaryDir root;
    std::vector<std::unique_ptr<QProcess>> children;
    QList<PortEntry> entries;
    for (int i = 0; i < processes; ++i) {
        const QString project = root.filePath(u"project-"_s + QString::number(i));
        const QString cwd = i % 2 ? project + u"/src/server"_s : project;
        QDir().mkpath(cwd);
        if (i % 2)
            QDir().mkpath(project + u"/.git"_s);
        auto child = std::make_unique<QProcess>();
        child->setWorkingDirectory(cwd);
        child->start(u"/bin/sleep"_s, {u"600"_s, QString::number(i)});
        if (!child->waitForStarted()) {
            std::fprintf(stderr, "could not start sleep\n");
            return 1;
        }
        entries << PortEntry{3000 + i, pid_t(child->processId()), u"sleep"_s, {}, {}};
        children.push_back(std::move(child));
    }

    QList<Sample> cold, warm, lsof;
    for (int round = 0; round < rounds; ++round) {
        ProcessDetailsReader reader(root.path());
        QList<PortEntry> listed = entries;
        cold << timed([&] { reader.fill(listed); });
        warm << timed([&] { reader.fill(listed); });
    }
    const QString lsofPath = PortScanner::lsofExecutable();
    for (int round = 0; round < std::min(rounds, 10); ++round) {
        const double childCpu = childrenCpuMs();
        Sample sample = timed([&] {
            QProcess run;
            run.setStandardOutputFile(QProcess::nullDevice());
            run.start(lsofPath, {u"-nP"_s, u"-iTCP"_s, u"-sTCP:LISTEN"_s, u"-FpcLn"_s});
            run.waitForFinished(-1);
        });
        sample.cpuMs = childrenCpuMs() - childCpu;
        lsof << sample;
    }

    std::printf("| %d processes, medians of %d rounds | wall | CPU (reading thread; lsof's own) |\n"
                "|---|---|---|\n",
                processes, rounds);
    printRow("details, empty cache (first poll)", cold);
    printRow("details, warm cache (unchanged poll)", warm);
    printRow("one bare lsof run (baseline)", lsof);
    for (auto &child : children) {
        child->kill();
        child->waitForFinished();
    }
    return 0;
}
