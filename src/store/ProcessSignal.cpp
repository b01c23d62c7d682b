#include "ProcessSignal.h"

#include <QFile>
#include <QStringDecoder>

#include <cerrno>
#include <csignal>
#include <optional>
#include <utility>

#ifdef Q_OS_LINUX
#include <sys/syscall.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// lsof's escapes: a backslash and a letter for these, ^X for other controls, \xNN above ASCII.
constexpr std::pair<uchar, char16_t> namedEscapes[] = {{'\\', u'\\'}, {'\b', u'b'}, {'\f', u'f'},
                                                       {'\n', u'n'},  {'\r', u'r'}, {'\t', u't'}};

void appendEscapedByte(QString &out, uchar byte) {
    for (const auto &[raw, letter] : namedEscapes) {
        if (byte == raw) {
            out += u'\\';
            out += QChar(letter);
            return;
        }
    }
    if (byte < 0x20)
        out += u'^' + QChar(char16_t(byte + 0x40));
    else if (byte >= 0x7f)
        out += u"\\x"_s + QString::number(byte, 16).rightJustified(2, u'0');
    else
        out += QChar(char16_t(byte));
}

QString escapeBytes(const QByteArray &comm) {
    QString out;
    for (const char byte : comm)
        appendEscapedByte(out, uchar(byte));
    return out;
}

// As lsof prints in a UTF-8 locale: printable non-ASCII characters stay, all else escapes.
QString escapeKeepingUtf8(const QByteArray &comm) {
    QString out;
    qsizetype i = 0;
    while (i < comm.size()) {
        const uchar lead = uchar(comm[i]);
        const qsizetype length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
        if (length > 1 && i + length <= comm.size()) {
            QStringDecoder decoder(QStringDecoder::Utf8);
            const QString character = decoder.decode(comm.mid(i, length));
            if (!decoder.hasError() && character.size() >= 1 && character.front() >= QChar(0xa0)) {
                out += character;
                i += length;
                continue;
            }
        }
        appendEscapedByte(out, lead);
        ++i;
    }
    return out;
}

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

bool commandNameMatches(const QByteArray &comm, const QString &command) {
    return escapeBytes(comm) == command || escapeKeepingUtf8(comm) == command;
}

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
