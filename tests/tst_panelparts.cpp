#include "look/Spring.h"
#include "panel/EmptyState.h"
#include "panel/ErrorBanner.h"
#include "panel/PanelHeader.h"
#include "panel/PanelView.h"
#include "panel/RevealBox.h"
#include "scan/CurrentUser.h"
#include "store/PortsStore.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// What a screen reader can reach: the names of every accessible that is not hidden.
QStringList readable(QAccessibleInterface *node) {
    if (!node || node->state().invisible)
        return {};
    QStringList names{node->text(QAccessible::Name)};
    for (int i = 0; i < node->childCount(); ++i)
        names << readable(node->child(i));
    return names;
}

} // namespace

// The header, the empty state and the error banner as widgets.
class PanelPartsTest : public QObject {
    Q_OBJECT

private slots:
    void headerSummary_data() {
        QTest::addColumn<int>("user");
        QTest::addColumn<int>("system");
        QTest::addColumn<QString>("summary");
        QTest::newRow("nothing") << 0 << 0 << u"Nothing listening"_s;
        QTest::newRow("one system listener") << 0 << 1 << u"1 system listeners"_s;
        QTest::newRow("system listeners") << 0 << 2 << u"2 system listeners"_s;
        QTest::newRow("one dev server") << 1 << 0 << u"1 dev server · 0 system"_s;
        QTest::newRow("both") << 3 << 12 << u"3 dev servers · 12 system"_s;
    }

    void headerSummary() {
        QFETCH(int, user);
        QFETCH(int, system);
        QMenu menu;
        PanelHeader header(&menu);
        header.setCounts(user, system);
        QTEST(header.findChild<QLabel *>(u"subtitle"_s)->text(), "summary");
    }

    void emptyStateHint_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("listening");
        QTest::newRow("nothing listening") << QString() << false;
        QTest::newRow("no match") << u"zzz"_s << true;
        QTest::newRow("only spaces") << u"  \t"_s << false;
    }

    void emptyStateHint() {
        QFETCH(QString, filter);
        QFETCH(bool, listening);
        QList<PortEntry> entries;
        if (listening)
            entries << PortEntry{3000, 100, u"node"_s, currentLoginName(), {u"127.0.0.1"_s}};
        PortsStore store(
            [entries] { return QtFuture::makeReadyFuture(PortScanner::Result{entries}); }, 1h, 1h);
        PanelView panel(store);
        panel.show();
        QTRY_COMPARE(store.entries(), entries);

        auto *field = panel.findChild<QLineEdit *>();
        const auto *empty = panel.findChild<EmptyState *>();
        const auto text = [&](const QString &name) {
            return empty->findChild<QLabel *>(name)->text();
        };
        for (const QString &typed : {QString(), filter, QString()}) {
            field->setText(typed);
            const bool shown = !typed.isEmpty() || !listening;
            QCOMPARE(empty->isVisibleTo(&panel), shown);
            if (!shown)
                continue;
            const bool typedFilter = !typed.isEmpty();
            QCOMPARE(text(u"emptyTitle"_s), typedFilter ? u"No matches"_s : u"Nothing listening"_s);
            QCOMPARE(text(u"emptyMessage"_s),
                     typedFilter ? u"No port or process matches that filter."_s
                                 : u"Start a dev server and it shows up here within seconds."_s);
        }
    }

    void clearedBannerLeavesTheAccessibilityTree_data() {
        QTest::addColumn<bool>("sliding");
        QTest::newRow("at once") << false;
        QTest::newRow("sliding") << true;
    }

    void clearedBannerLeavesTheAccessibilityTree() {
        QFETCH(bool, sliding);
        const std::optional<Spring> spring =
            sliding ? std::optional(Spring::section) : std::nullopt;
        QWidget panel;
        panel.setFixedWidth(PanelView::panelWidth);
        auto *layout = new QVBoxLayout(&panel);
        auto *banner = new ErrorBanner;
        auto *box = new RevealBox(banner, &panel);
        layout->addWidget(box);
        panel.show();
        QAccessibleInterface *root = QAccessible::queryAccessibleInterface(&panel);
        QVERIFY(readable(root).filter(u"lsof"_s).isEmpty());

        // Longer than the two lines the banner shows; a screen reader still gets all of it.
        const QString message =
            u"Could not run lsof: "_s + QString(u"the machine is far too busy "_s).repeated(12);
        banner->setMessage(message);
        box->reveal(true, spring);
        QTRY_COMPARE(box->fraction(), 1.0);
        QVERIFY(banner->isVisible() && banner->height() > 0);
        QVERIFY(readable(root).contains(message));

        QSignalSpy shut(box, &RevealBox::shut);
        box->reveal(false, spring);
        QTRY_COMPARE(shut.size(), 1);
        QVERIFY2(readable(root).filter(u"lsof"_s).isEmpty(),
                 qPrintable(readable(root).join(u" | "_s)));
    }
};

QTEST_MAIN(PanelPartsTest)
#include "tst_panelparts.moc"
