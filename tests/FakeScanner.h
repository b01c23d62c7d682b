#pragma once

#include "scan/PortScanner.h"

#include <QFuture>
#include <QList>
#include <QPromise>

#include <memory>

// A scanner whose scans finish only when the test says so, in any order.
class FakeScanner {
public:
    QFuture<PortScanner::Result> scan() {
        auto promise = std::make_shared<QPromise<PortScanner::Result>>();
        promise->start();
        m_pending.append(promise);
        return promise->future();
    }

    qsizetype started() const { return m_pending.size(); }

    void finish(qsizetype scan, const PortScanner::Result &result) {
        m_pending[scan]->addResult(result);
        m_pending[scan]->finish();
    }
    void finishLast(const PortScanner::Result &result) { finish(started() - 1, result); }

private:
    QList<std::shared_ptr<QPromise<PortScanner::Result>>> m_pending;
};
