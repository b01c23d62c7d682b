#include "ProcessDetailsReader.h"

#include "ProjectName.h"

#include <QFile>
#include <QMutexLocker>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A process's /proc directory, opened once: everything read through it belongs to that
// process, even if the pid is reused meanwhile (reads then fail instead).
class ProcessDirectory {
public:
    ProcessDirectory(const QByteArray &procRoot, pid_t pid)
        : m_fd(::open(QByteArray(procRoot + '/' + QByteArray::number(pid)).constData(),
                      O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
    ~ProcessDirectory() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ProcessDirectory(const ProcessDirectory &) = delete;
    ProcessDirectory &operator=(const ProcessDirectory &) = delete;

    // The directory's owner is the process's (effective) owner.
    bool isOwnedBy(uid_t uid) const {
        struct stat info {};
        return m_fd >= 0 && ::fstat(m_fd, &info) == 0 && info.st_uid == uid;
    }

    QByteArray read(const char *name) const {
        QByteArray content;
        const int fd = ::openat(m_fd, name, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return content;
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            content.append(buffer, got);
        }
        ::close(fd);
        return content;
    }

    // Empty when the link cannot be read.
    QByteArray readLink(const char *name) const {
        char target[PATH_MAX];
        const ssize_t length = ::readlinkat(m_fd, name, target, sizeof target);
        // A target that fills the buffer may have been cut short: better none than a wrong one.
        if (length < 0 || length >= ssize_t(sizeof target))
            return {};
        return QByteArray(target, length);
    }

private:
    int m_fd;
};

// Field 22 of /proc/PID/stat, in clock ticks after boot. Field 2, the command name in
// parentheses, may itself hold spaces and ')', so counting starts after the last ')'.
std::optional<quint64> startTicks(const QByteArray &stat) {
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    // What follows ") " is field 3 onwards; skip to the start of field 22.
    qsizetype at = close + 2;
    for (int field = 3; field < 22 && at > 0; ++field)
        at = stat.indexOf(' ', at) + 1;
    if (at <= 0)
        return std::nullopt;
    const qsizetype end = stat.indexOf(' ', at);
    bool ok = false;
    const quint64 ticks =
        QByteArrayView(stat).sliced(at, (end < 0 ? stat.size() : end) - at).toULongLong(&ok);
    return ok ? std::optional(ticks) : std::nullopt;
}

std::chrono::milliseconds ticksToTime(quint64 ticks) {
    static const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    return std::chrono::milliseconds(qint64(ticks * 1000 / quint64(ticksPerSecond)));
}

// NUL-separated arguments, the last one NUL-terminated. A process that rewrote its title
// may have left one string with spaces instead: that is then its single argument.
QStringList arguments(const QByteArray &cmdline) {
    QStringList list;
    const QList<QByteArray> parts = cmdline.split('\0');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i == parts.size() - 1 && parts[i].isEmpty())
            break;
        list << QString::fromLocal8Bit(parts[i]);
    }
    return list;
}

} // namespace

ProcessDetailsReader::ProcessDetailsReader(const QString &homeDirectory, const QByteArray &procRoot)
    : m_home(homeDirectory)
    , m_procRoot(procRoot) {}

void ProcessDetailsReader::fill(QList<PortEntry> &entries) {
    const QMutexLocker lock(&m_mutex);
    QHash<pid_t, Known> seen;
    for (PortEntry &entry : entries) {
        entry.process = entry.pid > 0 ? detailsOf(entry.pid, seen) : SharedProcessDetails();
    }
    m_known = std::move(seen);
}

SharedProcessDetails ProcessDetailsReader::detailsOf(pid_t pid, QHash<pid_t, Known> &seen) {
    if (const auto already = seen.constFind(pid); already != seen.cend())
        return already->details;
    const ProcessDirectory directory(m_procRoot, pid);
    if (!directory.isOwnedBy(getuid()))
        return {};
    const std::optional<quint64> started = startTicks(directory.read("stat"));
    if (!started)
        return {};
    if (const auto known = m_known.constFind(pid);
        known != m_known.cend() && known->startTicks == *started)
        return seen.insert(pid, *known)->details;

    ProcessDetails details;
    details.workingDirectory = QFile::decodeName(directory.readLink("cwd"));
    details.commandLine = arguments(directory.read("cmdline"));
    details.startedAfterBoot = ticksToTime(*started);
    details.project = projectName(details.workingDirectory, m_home);
    return seen.insert(pid, Known{*started, std::move(details)})->details;
}
