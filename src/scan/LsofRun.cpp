#include "PortScanner.h"

#include <QFileInfo>
#include <QProcess>
#include <QPromise>
#include <QStringDecoder>
#include <QThreadPool>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString decodeStrictUtf8(const QByteArray &bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    return decoder.hasError() ? QString() : text;
}

void runLsof(QPromise<PortScanner::Result> &promise, const QString &executable,
             std::chrono::milliseconds limit) {
    QProcess process;
    process.setProgram(executable);
    process.setArguments({u"-nP"_s, u"-iTCP"_s, u"-sTCP:LISTEN"_s, u"-FpcLn"_s});
    // Standard error is thrown away by the system, so it cannot fill a pipe and stall lsof.
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) {
        promise.addResult(PortScanner::Failure{process.errorString()});
        return;
    }
    // Waiting reads standard output as it arrives, so large listings never block the child.
    if (!process.waitForFinished(int(limit.count())) && process.state() != QProcess::NotRunning) {
        process.kill();
        promise.addResult(PortScanner::Failure{PortScanner::timeoutDescription(limit)});
        promise.finish();
        // Reap it, even if that takes a while (a hung network mount can delay SIGKILL).
        process.waitForFinished(-1);
        return;
    }
    // Whatever lsof printed counts, whatever its exit status: no match exits with 1.
    promise.addResult(PortScanner::parse(decodeStrictUtf8(process.readAllStandardOutput())));
}

} // namespace

// Absolute paths only: a PATH search could run whatever happens to be called lsof.
const QStringList PortScanner::lsofLocations = {u"/usr/sbin/lsof"_s, u"/usr/bin/lsof"_s};

QString PortScanner::lsofExecutable(const QStringList &locations) {
    for (const QString &path : locations) {
        // A directory's x bit means something else.
        if (const QFileInfo info(path); info.isFile() && info.isExecutable())
            return path;
    }
    return {};
}

QString PortScanner::timeoutDescription(std::chrono::milliseconds limit) {
    return u"lsof did not finish within "_s + QString::number(limit.count() / 1000.0) +
           u" seconds"_s;
}

QFuture<PortScanner::Result> PortScanner::scan() {
    const QString executable = lsofExecutable();
    if (executable.isEmpty()) {
        return QtFuture::makeReadyFuture(Result{Failure{u"lsof is not installed (looked for "_s +
                                                        lsofLocations.join(u" and "_s) + u")"_s}});
    }
    return scan(executable, timeLimit);
}

QFuture<PortScanner::Result> PortScanner::scan(const QString &executable,
                                               std::chrono::milliseconds limit) {
    auto promise = std::make_shared<QPromise<Result>>();
    QFuture<Result> future = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([promise, executable, limit] {
        runLsof(*promise, executable, limit);
        // A time-out has finished it already; Qt 6.4 runs a continuation again on every
        // finish(), and the second run of a context-bound one crashes.
        if (!promise->future().isFinished())
            promise->finish();
    });
    return future;
}
