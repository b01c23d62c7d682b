#include "look/ReduceMotion.h"
#include "panel/ElidedLabel.h"
#include "panel/ListArea.h"
#include "panel/PanelView.h"
#include "panel/PortRow.h"
#include "panel/RowList.h"
#include "panel/SystemSection.h"
#include "panel/SystemSectionHeader.h"
#include "scan/CurrentUser.h"
#include "store/PortsStore.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

PortEntry mine(qint64 port, pid_t pid = 100, const QString &command = u"node"_s) {
    return {port, pid, command, currentLoginName(), {u"127.0.0.1"_s}};
}

PortEntry foreign(qint64 port, pid_t pid = 200, const QString &command = u"postgres"_s) {
    return {port, pid, command, u"_not_" + currentLoginName(), {u"*"_s}};
}

QList<PortEntry> manyOfMine(int count) {
    QList<PortEntry> entries;
    for (int i = 0; i < count; ++i)
        entries << mine(3000 + i, 100 + i);
    return entries;
}

// A store on a scanner that lists what the test says, and the panel that shows it.
struct Harness {
    PortScanner::Result listed;
    PortsStore store{[this] { return QtFuture::makeReadyFuture(listed); }, 1h, 10ms};
    PanelView panel{store};

    explicit Harness(const QList<PortEntry> &entries = {})
        : listed(entries) {
        panel.show();
        scan(entries);
    }
    void scan(const QList<PortEntry> &entries, const std::optional<QString> &failure = {}) {
        listed = failure ? PortScanner::Result{PortScanner::Failure{*failure}} : entries;
        store.refresh();
        QTRY_VERIFY(!store.isScanning());
        QApplication::processEvents();
    }
    template <typename T> T *child(const QString &name) const { return panel.findChild<T *>(name); }
    QLineEdit *field() const { return child<QLineEdit>(u"filterField"_s); }
    SystemSection *system() const { return panel.listArea()->systemSection(); }
    QList<PortRow *> userRows() const { return panel.listArea()->userRows()->rows(); }
    QList<qint64> systemPorts() const {
        QList<qint64> ports;
        for (PortRow *row : system()->rows()->rows()) {
            if (row->isVisibleTo(&panel))
                ports << row->entry().port;
        }
        return ports;
    }
    bool shown(const QString &name) const { return child<QWidget>(name)->isVisibleTo(&panel); }
};

} // namespace

class PanelTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ReduceMotion::set(true); }
    void summaryAndEmptyState_data();
    void summaryAndEmptyState();
    void systemSection_data();
    void systemSection();
    void rowsAreKeptAndListHeightFollows();
    void errorBanner_data();
    void errorBanner();
    void keyboardAndAccessibleNames();
    void paletteChangeAppliesAtOnce();
};

void PanelTest::summaryAndEmptyState_data() {
    QTest::addColumn<int>("user");
    QTest::addColumn<int>("system");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("empty"); // the empty state's title, if it shows
    QTest::newRow("nothing") << 0 << 0 << QString() << u"Nothing listening"_s
                             << u"Nothing listening"_s;
    QTest::newRow("only spaces, nothing listening")
        << 0 << 0 << u" \t "_s << u"Nothing listening"_s << u"No matches"_s;
    QTest::newRow("system only") << 0 << 12 << QString() << u"12 system listeners"_s << QString();
    QTest::newRow("no match") << 1 << 2 << u"zzz"_s << u"1 dev server · 2 system"_s
                              << u"No matches"_s;
    QTest::newRow("narrowed") << 3 << 12 << u"3000"_s << u"3 dev servers · 12 system"_s
                              << QString();
}

void PanelTest::summaryAndEmptyState() {
    QFETCH(int, user);
    QFETCH(int, system);
    QFETCH(QString, filter);
    QFETCH(QString, summary);
    QFETCH(QString, empty);
    QList<PortEntry> entries = manyOfMine(user);
    for (int i = 0; i < system; ++i)
        entries << foreign(5000 + i, 500 + i);
    Harness h(entries);
    h.field()->setText(filter);
    QCOMPARE(h.child<QLabel>(u"subtitle"_s)->text(), summary); // the filter never changes it
    const bool emptyShown = h.shown(u"emptyTitle"_s);
    QCOMPARE(emptyShown ? h.child<QLabel>(u"emptyTitle"_s)->text() : QString(), empty);
    QVERIFY(!emptyShown || !h.system()->isVisibleTo(&h.panel));
    h.field()->clear();
    QCOMPARE(h.shown(u"emptyTitle"_s), entries.isEmpty());
}

void PanelTest::systemSection_data() {
    QTest::addColumn<bool>("motion");
    QTest::newRow("at once") << false;
    QTest::newRow("sliding") << true;
}

void PanelTest::systemSection() {
    QFETCH(bool, motion);
    ReduceMotion::set(!motion);
    Harness h({mine(8080, 1, u"java"_s), mine(3000), foreign(5432), foreign(5433),
               foreign(22, 201, u"sshd"_s)});
    QCOMPARE(h.system()->header()->count(), 3);
    QCOMPARE(h.system()->layout()->contentsMargins().top(), 6); // set off from the rows above

    h.field()->setText(u"POSTGRES"_s);
    QVERIFY(h.userRows().isEmpty());
    QVERIFY(!h.shown(u"emptyTitle"_s));
    QCOMPARE(h.system()->header()->count(), 2);
    QCOMPARE(h.system()->layout()->contentsMargins().top(), 0);
    QVERIFY(h.systemPorts().isEmpty()); // shut: only the count shows
    h.system()->header()->click();
    QTRY_COMPARE(h.systemPorts(), (QList<qint64>{5432, 5433}));
    const RowList *rows = h.system()->rows();
    QTRY_COMPARE(rows->parentWidget()->height(), rows->height()); // fully open, no further

    h.field()->setText(u"3000"_s); // hides the section; it stays open
    QVERIFY(!h.system()->isVisibleTo(&h.panel));
    h.field()->setText(u"postgres"_s);
    QCOMPARE(h.systemPorts(), (QList<qint64>{5432, 5433}));
    h.system()->header()->click();
    QTRY_VERIFY(h.system()->rows()->rows().isEmpty()); // once fully shut
}

void PanelTest::rowsAreKeptAndListHeightFollows() {
    QCOMPARE(ListArea::clampedHeight(0), 1);
    Harness h({mine(3000, 1)});
    ListArea *list = h.panel.listArea();
    PortRow *row = h.userRows().first();
    const int rowHeight = row->height();
    QCOMPARE(list->height(), 8 + rowHeight + 8);

    PortEntry moved = mine(3000, 1);
    moved.addresses = {u"*"_s};
    h.scan({mine(2000, 2), moved, moved}); // one listener named twice still gets one row
    QCOMPARE(h.userRows().size(), 2);
    QCOMPARE(h.userRows().last(), row); // found by identity, not by place
    QVERIFY(row->findChild<ElidedLabel *>(u"details"_s)->fullText().endsWith(u"all interfaces"));
    QCOMPARE(list->height(), 8 + 2 * rowHeight + 2 + 8);
    QCOMPARE(list->verticalScrollBar()->maximum(), 0);
    const int panelHeight = h.panel.height();

    h.scan(manyOfMine(30));
    QCOMPARE(list->height(), ListArea::maxHeight);
    QTRY_VERIFY(list->verticalScrollBar()->maximum() > 0);
    QVERIFY(h.panel.height() > panelHeight);
}

void PanelTest::errorBanner_data() {
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("cut");
    QTest::newRow("short") << u"lsof failed"_s << 1 << false;
    QTest::newRow("long") << QString(u"word "_s).repeated(200) << 2 << true;
    QTest::newRow("one unbroken word") << QString(u"w"_s).repeated(500) << 2 << true;
    QTest::newRow("third line joins the second") << u"a\nb\nc"_s << 2 << false;
}

void PanelTest::errorBanner() {
    QFETCH(QString, error);
    QFETCH(int, lines);
    QFETCH(bool, cut);
    Harness h({mine(3000)});
    QVERIFY(!h.shown(u"errorBanner"_s));
    const int before = h.panel.height();

    h.scan({}, error);
    QWidget *banner = h.child<QWidget>(u"errorBanner"_s);
    QVERIFY(h.shown(u"errorBanner"_s));
    QCOMPARE(h.userRows().size(), 1); // the rows stay as they were
    auto *layout = h.panel.layout();
    QCOMPARE(layout->indexOf(banner->parentWidget()), layout->indexOf(h.panel.listArea()) + 1);
    QTRY_COMPARE(h.panel.height(), before + banner->height());
    QCOMPARE(h.panel.width(), PanelView::panelWidth);
    const auto *message = h.child<ElidedLabel>(u"errorMessage"_s);
    QTRY_COMPARE(message->text().count(u'\n') + 1, lines);
    QCOMPARE(message->text().endsWith(u'…'), cut);
    for (const QString &line : message->text().split(u'\n'))
        QVERIFY(message->fontMetrics().horizontalAdvance(line) <= message->width());

    h.scan({mine(3000), mine(4000, 2147483000, u"ghost"_s)});
    QVERIFY(h.shown(u"errorBanner"_s)); // a good scan does not clear it
    QAccessible::queryAccessibleInterface(h.userRows().last())
        ->actionInterface()
        ->doAction(u"Stop server"_s);
    QCOMPARE(message->fullText(), u"Stopping ghost failed."_s);
}

void PanelTest::keyboardAndAccessibleNames() {
    Harness h({foreign(22)});
    for (QAbstractButton *button : h.panel.findChildren<QAbstractButton *>()) {
        const QString name = QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name);
        QVERIFY2(!name.isEmpty(), button->metaObject()->className());
    }

    QApplication::setActiveWindow(&h.panel);
    QVERIFY(QTest::qWaitForWindowActive(&h.panel));
    h.field()->setFocus();
    auto *clear = h.child<QAbstractButton>(u"clearFilter"_s);
    QTest::keyClicks(h.field(), u"zz"_s);
    QVERIFY(clear->isVisibleTo(&h.panel));
    QTest::mouseClick(clear, Qt::LeftButton);
    QCOMPARE(h.field()->text(), QString());
    QVERIFY(!clear->isVisibleTo(&h.panel));
    QVERIFY(h.field()->hasFocus());

    h.listed = QList<PortEntry>{mine(3000)};
    QTest::keyClick(h.field(), Qt::Key_R, Qt::ControlModifier);
    QTRY_COMPARE(h.userRows().size(), 1);
}

void PanelTest::paletteChangeAppliesAtOnce() {
    Harness h({mine(3000)});
    QPalette dark = h.panel.palette(); // a switch to a dark theme
    dark.setColor(QPalette::WindowText, QColor(240, 240, 240));
    h.panel.setPalette(dark);
    const QColor subtitle = h.child<QLabel>(u"subtitle"_s)->palette().color(QPalette::WindowText);
    QCOMPARE(subtitle.rgb(), QColor(240, 240, 240).rgb());
}

QTEST_MAIN(PanelTest)
#include "tst_panel.moc"
