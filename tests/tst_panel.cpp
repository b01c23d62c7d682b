#include "panel/ElidedLabel.h"
#include "panel/ListArea.h"
#include "panel/PanelHeader.h"
#include "panel/PanelView.h"
#include "panel/RevealBox.h"
#include "panel/RowList.h"
#include "panel/SystemSection.h"
#include "panel/SystemSectionHeader.h"
#include "scan/CurrentUser.h"
#include "shell/GlassBackground.h"
#include "shell/PortRow.h"
#include "shell/ReduceMotion.h"
#include "shell/Spring.h"
#include "store/PortsStore.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
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
    QList<PortEntry> listed;
    std::optional<QString> failure;
    int scans = 0;
    PortsStore store{[this] {
                         ++scans;
                         if (failure)
                             return QtFuture::makeReadyFuture(
                                 PortScanner::Result{PortScanner::Failure{*failure}});
                         return QtFuture::makeReadyFuture(PortScanner::Result{listed});
                     },
                     1h, 10ms};
    PanelView panel{store};

    explicit Harness(const QList<PortEntry> &entries = {})
        : listed(entries) {
        panel.show();
        settle();
    }
    void publish(const QList<PortEntry> &entries) {
        listed = entries;
        failure.reset();
        store.refresh();
        settle();
    }
    void fail(const QString &description) {
        failure = description;
        store.refresh();
        settle();
    }
    void settle() {
        QTRY_VERIFY(!store.isScanning() && scans > 0);
        QApplication::processEvents();
    }

    template <typename T> T *child(const QString &name) const { return panel.findChild<T *>(name); }
    QString subtitle() const { return child<QLabel>(u"subtitle"_s)->text(); }
    QLineEdit *field() const { return child<QLineEdit>(u"filterField"_s); }
    QAbstractButton *clearButton() const { return child<QAbstractButton>(u"clearFilter"_s); }
    SystemSection *system() const { return panel.listArea()->systemSection(); }
    QList<PortRow *> userRows() const { return panel.listArea()->userRows()->rows(); }
    QList<PortRow *> systemRows() const {
        QList<PortRow *> visible;
        for (PortRow *row : system()->rows()->rows()) {
            if (row->isVisibleTo(&panel))
                visible << row;
        }
        return visible;
    }
    bool emptyStateShown() const { return child<QLabel>(u"emptyTitle"_s)->isVisibleTo(&panel); }
    QWidget *banner() const { return child<QWidget>(u"errorBanner"_s); }
    bool bannerShown() const { return banner()->isVisibleTo(&panel); }
};

QList<qint64> portsOf(const QList<PortRow *> &rows) {
    QList<qint64> ports;
    for (const PortRow *row : rows)
        ports << row->entry().port;
    return ports;
}

} // namespace

class PanelTest : public QObject {
    Q_OBJECT

private slots:
    void init();

    void subtitleCountsTheWholeStore_data();
    void subtitleCountsTheWholeStore();
    void filterNeverChangesTheSubtitle();
    void menuOffersRefreshAndQuit();
    void refreshShortcutScansAgain();

    void emptyStateWording_data();
    void emptyStateWording();
    void filterNarrowsBothLists();
    void clearButtonEmptiesTheFilterAndKeepsFocus();

    void systemSectionSitsBelowUserRows();
    void systemSectionOpensAndShuts();
    void systemSectionAnimatesToTheEnd();
    void expansionSurvivesAHiddenSection();

    void rowsKeepTheirIdentityAcrossPolls();
    void changedDetailsReachTheSameRow();

    void listAreaFollowsItsContent();

    void bannerFollowsTheLastError();
    void bannerKeepsToTwoLines();
    void failedStopSlidesTheBannerIn();
    void panelStaysFixedWidth();
    void accessibleNames();
    void paletteChangeAppliesAtOnce();
    void glassIsOpaqueWithoutTranslucency();

    void elidedText_data();
    void elidedText();
    void springSettlesWithLittleOvershoot();
};

void PanelTest::init() {
    ReduceMotion::set(true);
}

void PanelTest::subtitleCountsTheWholeStore_data() {
    QTest::addColumn<int>("user");
    QTest::addColumn<int>("system");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing") << 0 << 0 << u"Nothing listening"_s;
    QTest::newRow("one system listener") << 0 << 1 << u"1 system listeners"_s;
    QTest::newRow("system only") << 0 << 12 << u"12 system listeners"_s;
    QTest::newRow("one dev server") << 1 << 0 << u"1 dev server · 0 system"_s;
    QTest::newRow("several") << 3 << 12 << u"3 dev servers · 12 system"_s;
    QTest::newRow("no grouping") << 1200 << 1000 << u"1200 dev servers · 1000 system"_s;
}

void PanelTest::subtitleCountsTheWholeStore() {
    QFETCH(int, user);
    QFETCH(int, system);
    QFETCH(QString, text);
    QCOMPARE(PanelHeader::subtitle(user, system), text);
    if (user + system > 20)
        return;
    QList<PortEntry> entries = manyOfMine(user);
    for (int i = 0; i < system; ++i)
        entries << foreign(5000 + i, 500 + i);
    Harness h(entries);
    QCOMPARE(h.subtitle(), text);
}

void PanelTest::filterNeverChangesTheSubtitle() {
    Harness h({mine(3000), mine(8080), foreign(5432)});
    QCOMPARE(h.subtitle(), u"2 dev servers · 1 system"_s);
    h.field()->setText(u"8080"_s);
    QCOMPARE(h.userRows().size(), 1);
    QCOMPARE(h.subtitle(), u"2 dev servers · 1 system"_s);
}

void PanelTest::menuOffersRefreshAndQuit() {
    Harness h;
    const QMenu *menu = h.panel.findChild<QMenu *>();
    QVERIFY(menu);
    QStringList items;
    for (const QAction *action : menu->actions())
        items << (action->isSeparator() ? u"--"_s
                                        : action->text() + u' ' + action->shortcut().toString());
    QCOMPARE(items, (QStringList{u"Refresh Ctrl+R"_s, u"--"_s, u"Quit Harklet Ctrl+Q"_s}));
}

void PanelTest::refreshShortcutScansAgain() {
    Harness h({mine(3000)});
    QApplication::setActiveWindow(&h.panel);
    QVERIFY(QTest::qWaitForWindowActive(&h.panel));
    h.field()->setFocus();
    const int before = h.scans;
    QTest::keyClick(h.field(), Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(h.scans, before + 1);
    QTest::keyClick(h.field(), Qt::Key_R, Qt::ControlModifier); // while that one still runs
    QCOMPARE(h.scans, before + 2);
}

void PanelTest::emptyStateWording_data() {
    QTest::addColumn<QList<PortEntry>>("entries");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    const QString idle = u"Start a dev server and it shows up here within seconds."_s;
    const QString none = u"No port or process matches that filter."_s;
    QTest::newRow("nothing listening")
        << QList<PortEntry>{} << QString() << u"Nothing listening"_s << idle;
    QTest::newRow("no match") << QList<PortEntry>{mine(3000), foreign(22)} << u"zzz"_s
                              << u"No matches"_s << none;
    QTest::newRow("only spaces, nothing listening")
        << QList<PortEntry>{} << u"   "_s << u"No matches"_s << none;
}

void PanelTest::emptyStateWording() {
    QFETCH(QList<PortEntry>, entries);
    QFETCH(QString, filter);
    QFETCH(QString, title);
    QFETCH(QString, message);
    Harness h(entries);
    h.field()->setText(filter);
    QVERIFY(h.emptyStateShown());
    QVERIFY(!h.system()->isVisibleTo(&h.panel));
    QCOMPARE(h.child<QLabel>(u"emptyTitle"_s)->text(), title);
    QCOMPARE(h.child<QLabel>(u"emptyMessage"_s)->text(), message);

    h.field()->clear();
    QCOMPARE(h.emptyStateShown(), entries.isEmpty());
}

void PanelTest::filterNarrowsBothLists() {
    Harness h({mine(8080, 1, u"java"_s), mine(3000), foreign(5432), foreign(5433),
               foreign(22, 201, u"sshd"_s)});
    QCOMPARE(portsOf(h.userRows()), (QList<qint64>{3000, 8080}));
    QCOMPARE(h.system()->header()->count(), 3);

    h.field()->setText(u"POSTGRES"_s);
    QVERIFY(h.userRows().isEmpty());
    QVERIFY(!h.emptyStateShown());
    QVERIFY(h.system()->isVisibleTo(&h.panel));
    QCOMPARE(h.system()->header()->count(), 2);
    QVERIFY(h.systemRows().isEmpty()); // still shut: only the count shows

    h.system()->header()->click();
    QCOMPARE(portsOf(h.systemRows()), (QList<qint64>{5432, 5433}));
}

void PanelTest::clearButtonEmptiesTheFilterAndKeepsFocus() {
    Harness h({mine(3000)});
    QApplication::setActiveWindow(&h.panel);
    QVERIFY(QTest::qWaitForWindowActive(&h.panel));
    h.field()->setFocus();
    QVERIFY(!h.clearButton()->isVisibleTo(&h.panel));
    QTest::keyClicks(h.field(), u"  "_s);
    QVERIFY(h.clearButton()->isVisibleTo(&h.panel));
    QCOMPARE(h.userRows().size(), 1); // blanks narrow nothing
    QTest::mouseClick(h.clearButton(), Qt::LeftButton);
    QCOMPARE(h.panel.filter(), QString());
    QVERIFY(!h.clearButton()->isVisibleTo(&h.panel));
    QVERIFY(h.field()->hasFocus());
}

void PanelTest::systemSectionSitsBelowUserRows() {
    Harness onlySystem({foreign(5432)});
    QVERIFY(onlySystem.userRows().isEmpty());
    QCOMPARE(onlySystem.system()->layout()->contentsMargins().top(), 0);
    QCOMPARE(onlySystem.system()->header()->count(), 1);
    QVERIFY(!onlySystem.system()->isExpanded());

    Harness both({mine(3000), foreign(5432)});
    QCOMPARE(both.system()->layout()->contentsMargins().top(), 6);

    Harness onlyUser({mine(3000)});
    QVERIFY(!onlyUser.system()->isVisibleTo(&onlyUser.panel));
}

void PanelTest::systemSectionOpensAndShuts() {
    Harness h({mine(3000), foreign(5432), foreign(22)});
    SystemSectionHeader *header = h.system()->header();
    QVERIFY(h.systemRows().isEmpty());
    header->click();
    QVERIFY(header->isChecked());
    QCOMPARE(portsOf(h.systemRows()), (QList<qint64>{22, 5432}));
    header->click();
    QVERIFY(!header->isChecked());
    QVERIFY(h.systemRows().isEmpty());
}

void PanelTest::systemSectionAnimatesToTheEnd() {
    ReduceMotion::set(false);
    Harness h({foreign(5432), foreign(22)});
    const int shut = h.panel.listArea()->height();
    h.system()->header()->click();
    QTRY_COMPARE(h.systemRows().size(), 2);
    QTRY_VERIFY(h.panel.listArea()->height() > shut + h.systemRows().first()->height());
    h.system()->header()->click();
    QTRY_VERIFY(h.systemRows().isEmpty());
    QTRY_COMPARE(h.panel.listArea()->height(), shut);
}

void PanelTest::expansionSurvivesAHiddenSection() {
    Harness h({mine(3000), foreign(5432)});
    h.system()->header()->click();
    h.field()->setText(u"3000"_s);
    QVERIFY(!h.system()->isVisibleTo(&h.panel));
    h.publish({mine(3000)});
    h.field()->clear();
    h.publish({mine(3000), foreign(5432)});
    QVERIFY(h.system()->isExpanded());
    QCOMPARE(h.systemRows().size(), 1);
}

void PanelTest::rowsKeepTheirIdentityAcrossPolls() {
    Harness h({mine(3000, 1), mine(8080, 2)});
    const QList<PortRow *> before = h.userRows();
    QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
    QApplication::sendEvent(before[1], &enter);
    h.publish({mine(8080, 2), mine(3000, 1)});
    QCOMPARE(h.userRows(), before);
    QVERIFY(before[1]->isHovering());

    h.publish({mine(3000, 1), mine(4000, 3)});
    QCOMPARE(h.userRows().first(), before.first());
    QCOMPARE(portsOf(h.userRows()), (QList<qint64>{3000, 4000}));
}

void PanelTest::changedDetailsReachTheSameRow() {
    Harness h({mine(3000, 1)});
    PortRow *row = h.userRows().first();
    PortEntry moved = mine(3000, 1);
    moved.addresses = {u"*"_s};
    h.publish({moved, moved}); // a list that names one listener twice still gets one row
    QCOMPARE(h.userRows(), QList<PortRow *>{row});
    QVERIFY(row->findChild<ElidedLabel *>(u"details"_s)->fullText().endsWith(u"all interfaces"));
}

void PanelTest::listAreaFollowsItsContent() {
    Harness h({mine(3000)});
    ListArea *list = h.panel.listArea();
    const int rowHeight = h.userRows().first()->height();
    QCOMPARE(list->height(), 8 + rowHeight + 8);
    QCOMPARE(list->verticalScrollBar()->maximum(), 0);

    h.publish(manyOfMine(2));
    QCOMPARE(list->height(), 8 + 2 * rowHeight + 2 + 8);
    const int panelHeight = h.panel.height();

    h.publish(manyOfMine(30));
    QCOMPARE(list->height(), ListArea::maxHeight);
    QTRY_VERIFY(list->verticalScrollBar()->maximum() > 0);
    QVERIFY(h.panel.height() > panelHeight);
}

void PanelTest::bannerFollowsTheLastError() {
    Harness h({mine(3000)});
    QVERIFY(!h.bannerShown());
    const int before = h.panel.height();

    h.fail(u"No such file"_s);
    QVERIFY(h.bannerShown());
    QCOMPARE(h.child<ElidedLabel>(u"errorMessage"_s)->fullText(),
             u"Could not run lsof: No such file"_s);
    QCOMPARE(h.userRows().size(), 1); // the rows stay as they were
    QTRY_COMPARE(h.panel.height(), before + h.banner()->height());
    auto *layout = h.panel.layout();
    QCOMPARE(layout->indexOf(h.banner()->parentWidget()), layout->indexOf(h.panel.listArea()) + 1);
    QCOMPARE(layout->indexOf(h.child<QLineEdit>(u"filterField"_s)->parentWidget()),
             layout->count() - 1);

    h.publish({mine(3000), mine(4000)});
    QVERIFY(h.bannerShown()); // a good scan does not clear it

    PortRow *ghost = h.userRows().first();
    QVERIFY(ghost);
    h.store.kill(mine(3000, 2147483000, u"ghost"_s), false);
    QCOMPARE(h.child<ElidedLabel>(u"errorMessage"_s)->fullText(), u"Stopping ghost failed."_s);
}

void PanelTest::bannerKeepsToTwoLines() {
    Harness h;
    h.fail(QString(u"a very long description "_s).repeated(40));
    const auto *message = h.child<ElidedLabel>(u"errorMessage"_s);
    QTRY_COMPARE(message->text().count(u'\n'), 1);
    QVERIFY(message->text().endsWith(u'…'));
    QCOMPARE(message->height(), 2 * message->fontMetrics().lineSpacing());
}

void PanelTest::failedStopSlidesTheBannerIn() {
    ReduceMotion::set(false);
    Harness h({mine(3000, 2147483000, u"ghost"_s)});
    const int before = h.panel.height();
    QAccessible::queryAccessibleInterface(h.userRows().first())
        ->actionInterface()
        ->doAction(u"Stop server"_s);
    QCOMPARE(h.store.lastError(), u"Stopping ghost failed."_s);
    // It slides in rather than appearing at once.
    QVERIFY(qobject_cast<RevealBox *>(h.banner()->parentWidget())->fraction() < 1);
    QTRY_VERIFY(h.bannerShown());
    QTRY_COMPARE(h.panel.height(), before + h.banner()->height());
}

void PanelTest::panelStaysFixedWidth() {
    Harness h({mine(3000, 1, QString(u"x"_s).repeated(300))});
    h.fail(QString(u"y"_s).repeated(500));
    h.field()->setText(QString(u"z"_s).repeated(200));
    QApplication::processEvents();
    QCOMPARE(h.panel.width(), PanelView::panelWidth);
    h.field()->clear();
    QCOMPARE(h.panel.width(), PanelView::panelWidth);
}

void PanelTest::accessibleNames() {
    Harness h;
    QStringList names;
    for (const QAbstractButton *button : h.panel.findChildren<QAbstractButton *>())
        names << button->accessibleName();
    QVERIFY(names.contains(u"More actions"_s));
    QVERIFY(names.contains(u"Clear filter"_s));
    QVERIFY(!h.field()->accessibleName().isEmpty());
}

void PanelTest::paletteChangeAppliesAtOnce() {
    Harness h({mine(3000)});
    QPalette dark = h.panel.palette();
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    dark.setColor(QPalette::WindowText, QColor(240, 240, 240));
    h.panel.setPalette(dark);
    const QColor subtitle = h.child<QLabel>(u"subtitle"_s)->palette().color(QPalette::WindowText);
    QCOMPARE(subtitle.rgb(), QColor(240, 240, 240).rgb());
    QVERIFY(subtitle.alphaF() < 1);
}

void PanelTest::glassIsOpaqueWithoutTranslucency() {
    Harness h;
    const QImage opaque = h.panel.grab().toImage();
    QCOMPARE(opaque.pixelColor(0, 0).alpha(), 255);

    QWidget window;
    window.setAttribute(Qt::WA_TranslucentBackground);
    GlassBackground glass(&window);
    glass.resize(100, 100);
    QImage rounded(100, 100, QImage::Format_ARGB32_Premultiplied);
    rounded.fill(Qt::transparent);
    glass.render(&rounded, {}, {}, QWidget::DrawChildren);
    QCOMPARE(rounded.pixelColor(0, 0).alpha(), 0); // outside the rounded corner
    QVERIFY(rounded.pixelColor(50, 50).alpha() > 200);
}

void PanelTest::elidedText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxLines");
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("cut");
    QTest::newRow("short") << u"Stopping node failed."_s << 2 << 1 << false;
    QTest::newRow("long, two lines") << QString(u"word "_s).repeated(200) << 2 << 2 << true;
    QTest::newRow("one unbroken word") << QString(u"w"_s).repeated(500) << 2 << 2 << true;
    QTest::newRow("line breaks kept") << u"first\nsecond"_s << 2 << 2 << false;
    QTest::newRow("third line joins the second") << u"a\nb\nc"_s << 2 << 2 << false;
    QTest::newRow("one line") << QString(u"word "_s).repeated(200) << 1 << 1 << true;
}

void PanelTest::elidedText() {
    QFETCH(QString, text);
    QFETCH(int, maxLines);
    QFETCH(int, lines);
    QFETCH(bool, cut);
    const QFont font = QApplication::font();
    const int width = 200;
    const QStringList shown = ElidedLabel::elided(text, font, width, maxLines).split(u'\n');
    QCOMPARE(shown.size(), lines);
    QCOMPARE(shown.last().endsWith(u'…'), cut);
    for (const QString &line : shown)
        QVERIFY(QFontMetrics(font).horizontalAdvance(line) <= width);
}

void PanelTest::springSettlesWithLittleOvershoot() {
    for (const Spring spring : {Spring::section, Spring::row}) {
        QCOMPARE(spring.position(0), 0.0);
        double peak = 0;
        for (int ms = 0; ms <= spring.settlingMilliseconds(); ++ms)
            peak = std::max(peak, spring.position(ms / 1000.0));
        QVERIFY(peak > 1.0 && peak < 1.01); // slightly underdamped
        QVERIFY(std::abs(spring.position(spring.settlingMilliseconds() / 1000.0) - 1) < 1e-3);
    }
    SpringAnimation animation(Spring::section);
    animation.setStartValue(0.0);
    animation.setEndValue(1.0);
    animation.setCurrentTime(animation.duration());
    QCOMPARE(animation.currentValue().toDouble(), 1.0);
}

QTEST_MAIN(PanelTest)
#include "tst_panel.moc"
