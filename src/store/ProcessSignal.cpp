#include "ProcessSignal.h"

#include "CommandName.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <optional>

#ifdef Q_OS_LINUX
#include <sys/syscall.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

#ifdef Q_OS_LINUX
std::optional<QByteArray> kernelCommandName(pid_t pid) {
    QFile file(u"/proc/"_s + QString::number(pid) + u"/comm"_s);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray comm = file.readAll();
    if (comm.endsWith('\n'))
        comm.chop(1);
    return comm;
}

SignalOutcome outcomeOfErrno() {
    return errno == EPERM ? SignalOutcome::notPermitted : SignalOutcome::failed;
}
#endif

} // namespace

SignalOutcome signalListener(pid_t pid, const QString &command, int signal) {
    if (pid <= 0)
        return SignalOutcome::failed;
#ifdef Q_OS_LINUX
    // The pidfd pins the process: if the pid is recycled after this point, the signal below
    // fails with ESRCH instead of reaching the newcomer.
    const long pidfd = ::syscall(SYS_pidfd_open, pid, 0);
    if (pidfd < 0 && errno != ENOSYS)
        return SignalOutcome::failed;
    const std::optional<QByteArray> comm = kernelCommandName(pid);
    SignalOutcome outcome = SignalOutcome::failed;
    if (comm && commandNameMatches(*comm, command)) {
        const long sent = pidfd >= 0 ? ::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0)
                                     : ::kill(pid, signal); // kernels before 5.3
        outcome = sent == 0 ? SignalOutcome::delivered : outcomeOfErrno();
    }
    if (pidfd >= 0)
        ::close(int(pidfd));
    return outcome;
#else
    Q_UNUSED(command);
    if (::kill(pid, signal) == 0)
        return SignalOutcome::delivered;
    return errno == EPERM ? SignalOutcome::notPermitted : SignalOutcome::failed;
#endif
}
