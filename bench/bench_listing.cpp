// What one look at the machine's listeners costs, by source, as the machine's open files grow:
// the kernel's table over netlink (in-process), lsof, and `ss -ltnpH`. Each size is made by
// bench_load (next to this program) with the given numbers of idle processes holding 200 files.
//   bench_listing [processes...]   (default: 0 100 1000)
#include "scan/KernelListenerTable.h"
#include "scan/PortScanner.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

using namespace Qt::StringLiterals;

extern char **environ;

namespace {

double median(QList<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double threadCpuUs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

// CPU (user+system) of one run of the command, output discarded, in milliseconds.
double childCpuMs(const QList<QByteArray> &command) {
    std::vector<char *> argv;
    for (const QByteArray &arg : command)
        argv.push_back(const_cast<char *>(arg.constData()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

long openFiles() {
    QFile fileNr(u"/proc/sys/fs/file-nr"_s);
    fileNr.open(QIODevice::ReadOnly);
    return fileNr.readAll().split('\t').value(0).toLong();
}

void measure(int processes) {
    QProcess load;
    if (processes > 0) {
        load.start(QCoreApplication::applicationDirPath() + u"/bench_load"_s,
                   {QString::number(processes), u"200"_s, u"10"_s, u"600"_s});
        if (!load.waitForReadyRead(300'000)) {
            std::fprintf(stderr, "bench_load did not get ready\n");
            return;
        }
    }
    const long files = openFiles();
    QList<double> kernel, lsof, ss;
    for (int round = 0; round < 5; ++round) {
        const int calls = 1000;
        const double start = threadCpuUs();
        for (int i = 0; i < calls; ++i)
            KernelListenerTable::read();
        kernel << (threadCpuUs() - start) / calls;
        lsof << childCpuMs({PortScanner::lsofExecutable().toLocal8Bit(), "-nP", "-iTCP",
                            "-sTCP:LISTEN", "-FpcLn"});
        ss << childCpuMs({"/usr/bin/ss", "-ltnpH"});
    }
    const auto sockets = KernelListenerTable::read();
    std::printf("| %d | %ld | %lld | %.1f µs | %.1f ms | %.1f ms |\n", processes, files,
                sockets ? qlonglong(sockets->size()) : -1LL, median(kernel), median(lsof),
                median(ss));
    std::fflush(stdout);
    if (processes > 0) {
        load.terminate();
        load.waitForFinished(-1);
    }
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes << atoi(argv[i]);
    if (sizes.isEmpty())
        sizes = {0, 100, 1000};
    std::printf("| load processes | open files (file-nr) | listening sockets | kernel table, "
                "CPU per dump | lsof, CPU per run | ss -ltnpH, CPU per run |\n"
                "|---|---|---|---|---|---|\n");
    for (const int processes : sizes)
        measure(processes);
    return 0;
}
