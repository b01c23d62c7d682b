// A machine with many open files: forks idle processes that each hold open files, some of
// them also a TCP listener on 127.0.0.1. Everything ends after the given seconds, when this
// program is interrupted, or when it dies (the children follow it).
//   bench_load [processes=1000] [files-each=200] [listeners=10] [seconds=300]
// Prints "ready <processes> <listeners>" once every child holds its files.
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

volatile sig_atomic_t stopRequested = 0;

[[noreturn]] void idleChild(int files, bool listen, unsigned seconds, int readyFd) {
    for (const int signal : {SIGINT, SIGTERM, SIGALRM})
        std::signal(signal, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    alarm(seconds);
    for (int i = 0; i < files; ++i) {
        if (open("/dev/null", O_RDONLY) < 0)
            _exit(2);
    }
    if (listen) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
            ::listen(fd, 1) != 0)
            _exit(3);
    }
    const char ready = 1;
    if (write(readyFd, &ready, 1) != 1)
        _exit(4);
    close(readyFd);
    for (;;)
        pause();
}

} // namespace

int main(int argc, char **argv) {
    const int processes = argc > 1 ? atoi(argv[1]) : 1000;
    const int files = argc > 2 ? atoi(argv[2]) : 200;
    const int listeners = argc > 3 ? atoi(argv[3]) : 10;
    const unsigned seconds = argc > 4 ? unsigned(atoi(argv[4])) : 300;

    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur < rlim_t(files + 16)) {
        limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, rlim_t(files + 16));
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    struct sigaction onStop {};
    onStop.sa_handler = [](int) { stopRequested = 1; };
    sigaction(SIGINT, &onStop, nullptr);
    sigaction(SIGTERM, &onStop, nullptr);
    sigaction(SIGALRM, &onStop, nullptr);
    // Held until the wait below, so a stop that comes early is not lost.
    sigset_t stops, unblocked;
    sigemptyset(&stops);
    for (const int signal : {SIGINT, SIGTERM, SIGALRM})
        sigaddset(&stops, signal);
    sigprocmask(SIG_BLOCK, &stops, &unblocked);

    int ready[2];
    if (pipe(ready) != 0)
        return 1;
    std::vector<pid_t> children;
    for (int i = 0; i < processes; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            close(ready[0]);
            idleChild(files, i < listeners, seconds, ready[1]);
        }
        if (pid > 0)
            children.push_back(pid);
    }
    close(ready[1]);
    int up = 0;
    char byte = 0;
    while (up < int(children.size()) && read(ready[0], &byte, 1) == 1)
        ++up;
    std::printf("ready %d %d\n", up, std::min(listeners, up));
    std::fflush(stdout);

    alarm(seconds);
    while (!stopRequested)
        sigsuspend(&unblocked);
    for (const pid_t pid : children)
        kill(pid, SIGKILL);
    for (const pid_t pid : children)
        waitpid(pid, nullptr, 0);
    return 0;
}
