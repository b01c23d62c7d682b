#pragma once

#include "KernelSocket.h"
#include "PortEntry.h"

#include <QFuture>
#include <QList>
#include <QString>

#include <chrono>
#include <variant>

// Takes snapshots of the machine's listening TCP sockets by running lsof.
class PortScanner {
public:
    // Why a scan produced no list: a human-readable description.
    struct Failure {
        QString description;
        friend bool operator==(const Failure &, const Failure &) = default;
    };
    using Result = std::variant<QList<PortEntry>, Failure>;

    static constexpr std::chrono::milliseconds timeLimit{10'000};

    // Turns lsof's -FpcLn field output into one entry per (pid, port). Never fails.
    static QList<PortEntry> parse(const QString &fieldOutput);

    // lsof's listing plus one entry per port for the kernel's listening sockets that no
    // listed process accounts for (another user's, which lsof cannot see): pid 0, no command,
    // the socket owner's login. A socket is accounted for by a listed address on its port.
    static QList<PortEntry> merge(const QList<PortEntry> &listing,
                                  const QList<KernelSocket> &kernelTable);

    // Runs lsof off the calling thread; the future always finishes with a Result.
    static QFuture<Result> scan();

    // Same, with an explicit executable and time limit; tests point it at fake tools.
    static QFuture<Result> scan(const QString &executable, std::chrono::milliseconds limit);

    // The well-known absolute paths of lsof, in the order they are tried.
    static const QStringList lsofLocations;

    // The first of `locations` that is an executable file, or empty.
    static QString lsofExecutable(const QStringList &locations = lsofLocations);

    // Why a scan gave up on an lsof that ran past `limit`.
    static QString timeoutDescription(std::chrono::milliseconds limit);

    PortScanner() = delete;
};
