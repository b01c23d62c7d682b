// What the panel costs per poll, offscreen: a real, shown PanelView on a PortsStore fed by
// a fake scanner. A poll is timed from the refresh until the store has published and three
// event-loop turns have laid out and painted what changed; the same poll without a panel is
// the store's own share, and the difference the panel's.
//   bench_panel [repeats=30]
// Uses only PanelView and PortsStore, so the same source measures earlier lists too.
#include "panel/PanelView.h"
#include "scan/CurrentUser.h"
#include "store/PortsStore.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

QList<PortEntry> listeners(int count, pid_t pidOffset = 0) {
    QList<PortEntry> entries;
    entries.reserve(count);
    const QString me = currentLoginName();
    for (int i = 0; i < count; ++i) {
        entries.append({10000 + i,
                        pid_t(1000 + i) + pidOffset,
                        u"server-%1"_s.arg(i % 37),
                        me,
                        {u"127.0.0.1"_s}});
    }
    return entries;
}

struct Bench {
    PortScanner::Result listed = QList<PortEntry>();
    PortsStore store{[this] { return QtFuture::makeReadyFuture(listed); }, 1h, 1h};
    std::unique_ptr<PanelView> panel;

    explicit Bench(bool withPanel) {
        if (withPanel) {
            panel = std::make_unique<PanelView>(store);
            panel->show();
        }
        settle();
    }

    static void settle() {
        for (int turn = 0; turn < 3; ++turn)
            QApplication::processEvents();
    }

    // Milliseconds for one poll that lists these entries.
    double poll(const QList<PortEntry> &entries) {
        listed = entries;
        QElapsedTimer clock;
        clock.start();
        store.refresh();
        while (store.isScanning())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        settle();
        return clock.nsecsElapsed() / 1e6;
    }
};

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

void report(const char *what, const QList<double> &withPanel, const QList<double> &storeAlone,
            double target) {
    const double store = median(storeAlone);
    std::printf("%-36s panel %8.3f ms (poll %8.3f, store alone %7.3f; min %7.3f max %7.3f) "
                "target <= %g ms\n",
                what, median(withPanel) - store, median(withPanel), store,
                *std::min_element(withPanel.begin(), withPanel.end()),
                *std::max_element(withPanel.begin(), withPanel.end()), target);
    std::fflush(stdout);
}

// The polls of a scenario, with and without a panel.
struct Scenario {
    QList<double> withPanel, storeAlone;
};

Scenario firstBuild(int rows, int repeats) {
    Scenario times;
    for (int i = 0; i < repeats; ++i) {
        for (bool panel : {true, false}) {
            Bench bench(panel);
            (panel ? times.withPanel : times.storeAlone) << bench.poll(listeners(rows));
        }
    }
    return times;
}

// Polls after a first one of `base`, each listing what `next(i)` gives.
template <typename Next> Scenario polls(const QList<PortEntry> &base, int repeats, Next next) {
    Scenario times;
    for (bool panel : {true, false}) {
        Bench bench(panel);
        bench.poll(base);
        for (int i = 0; i < repeats; ++i)
            (panel ? times.withPanel : times.storeAlone) << bench.poll(next(i));
    }
    return times;
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int repeats = std::max(3, app.arguments().value(1, u"30"_s).toInt());

    const Scenario build = firstBuild(10000, std::max(3, repeats / 5));
    report("first build of 10,000 rows", build.withPanel, build.storeAlone, 50);
    const Scenario smallBuild = firstBuild(1000, std::max(3, repeats / 5));
    report("first build of 1,000 rows", smallBuild.withPanel, smallBuild.storeAlone, 50);

    const QList<PortEntry> base = listeners(1000);
    const Scenario unchanged = polls(base, repeats, [&](int) { return base; });
    report("1,000 rows, unchanged poll", unchanged.withPanel, unchanged.storeAlone, 0.1);
    const Scenario changed = polls(base, repeats, [&](int i) {
        QList<PortEntry> entries = base;
        for (int row = 50; row < 1000; row += 100)
            entries[row].addresses = {i % 2 ? u"*"_s : u"::1"_s};
        return entries;
    });
    report("1,000 rows, 10 changed in place", changed.withPanel, changed.storeAlone, 2);
    const Scenario replaced = polls(base, repeats, [&](int i) {
        QList<PortEntry> entries = base;
        for (int row = 50; row < 1000; row += 100)
            entries[row].pid += i % 2 ? 50000 : 60000; // a new process on the same port
        return entries;
    });
    report("1,000 rows, 10 replaced (new pids)", replaced.withPanel, replaced.storeAlone, 2);
    return 0;
}
