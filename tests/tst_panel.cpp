#include "look/ReduceMotion.h"
#include "panel/PanelHeader.h"
#include "panel/PanelView.h"
#include "panel/PortListModel.h"
#include "panel/PortListView.h"
#include "store/PortsStore.h"
#include "store/ScanGate.h"

#include "Listeners.h"
#include "PendingSignal.h"
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QHelpEvent>
#include <QHoverEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include <csignal>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

QList<PortEntry> manyOfMine(int count) {
    QList<PortEntry> entries;
    for (int i = 0; i < count; ++i)
        entries << mine(3000 + i, 100 + i);
    return entries;
}

// Paint events a widget receives.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

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
    void scan(const QList<PortEntry> &entries) {
        listed = entries;
        store.refresh();
        QTRY_VERIFY(!store.isScanning());
        QApplication::processEvents();
    }
    void activate() {
        QApplication::setActiveWindow(&panel);
        QVERIFY(QTest::qWaitForWindowActive(&panel));
    }
    PortListView *list() const { return panel.list(); }
    PortListModel *model() const { return list()->listModel(); }
    QLineEdit *field() const { return panel.findChild<QLineEdit *>(u"filterField"_s); }
    // The lines as the list shows them: ports, and "System n" for the header.
    QStringList lines() const {
        QStringList shown;
        for (const ListItem &line : model()->items()) {
            shown << (line.isRow() ? QString::number(line.entry.port)
                                   : u"System "_s + QString::number(line.systemCount));
        }
        return shown;
    }
    int rowOfPort(qint64 port) const {
        const auto &items = model()->items();
        for (int row = 0; row < items.size(); ++row) {
            if (items.at(row).isRow() && items.at(row).entry.port == port)
                return row;
        }
        return -1;
    }
    QRect lineRect(int row) const { return list()->visualRect(model()->index(row)); }
    void pointer(QEvent::Type type, QPoint local) const {
        QWidget *viewport = list()->viewport();
        QHoverEvent event(type, local, viewport->mapToGlobal(local), local);
        QApplication::sendEvent(viewport, &event);
    }
    // The tool tips along the line's middle, right to left: its hover buttons.
    QStringList toolTipsAlong(int row) const {
        QStringList tips;
        const QRect line = lineRect(row);
        QWidget *viewport = list()->viewport();
        for (int x = line.right(); x > line.center().x(); x -= 2) {
            const QPoint at(x, line.center().y());
            QHelpEvent help(QEvent::ToolTip, at, viewport->mapToGlobal(at));
            help.ignore();
            QApplication::sendEvent(viewport, &help);
            const QString tip = help.isAccepted() ? QToolTip::text() : QString();
            if (!tip.isEmpty() && !tips.contains(tip))
                tips << tip;
            QToolTip::hideText();
        }
        return tips;
    }
    // The texts of the menu the key opens on the current line; the menu is closed after.
    QStringList menuFromKey(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) const {
        QTest::keyClick(list(), key, modifiers);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return {u"no menu"_s};
        QStringList texts;
        for (const QAction *action : menu->actions())
            texts << action->text();
        menu->close();
        if (QApplication::activePopupWidget())
            texts << u"a second menu"_s;
        return texts;
    }
};

} // namespace

class PanelTest : public QObject {
    Q_OBJECT

public slots:
    void openUrl(const QUrl &url) { m_opened << url; }

private slots:
    void initTestCase() { QDesktopServices::setUrlHandler(u"http"_s, this, "openUrl"); }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(u"http"_s); }
    void init() {
        ReduceMotion::set(true);
        m_opened.clear();
    }
    void eachKindOfRow_data();
    void eachKindOfRow();
    void rowDescribesItsProcess();
    void stopReachesTheProcess_data();
    void stopReachesTheProcess();
    void updatesAreProportional();
    void nothingHappensWhileHidden();
    void keyboard();
    void systemSection_data();
    void systemSection();
    void heightFollowsTheLines();
    void onlyAMovingPointerLightsARow();

private:
    QList<QUrl> m_opened;
};

void PanelTest::eachKindOfRow_data() {
    QTest::addColumn<PortEntry>("entry");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("menu");
    QTest::addColumn<QStringList>("actions");      // what a screen reader offers instead
    QTest::addColumn<QStringList>("hoverButtons"); // their tool tips, trailing one first
    QTest::addColumn<QString>("enterOpens");
    QTest::newRow("own") << mine(3000, 812) << u"Port 3000, node, process 812"_s
                         << QStringList{u"Open in Browser"_s, u"Copy localhost:3000"_s, u""_s,
                                        u"Stop (SIGTERM)"_s, u"Force Stop (SIGKILL)"_s}
                         << QStringList{u"Open in browser"_s, u"Copy address"_s, u"Stop server"_s,
                                        u"Force stop server"_s}
                         << QStringList{u"Stop this server"_s, u"Open localhost:3000 in browser"_s}
                         << u"http://localhost:3000"_s;
    QTest::newRow("another user's, markup in its name")
        << foreign(5432, 90, u"<b>x</b>"_s)
        << u"Port 5432, <b>x</b>, process 90, system process, locked"_s
        << QStringList{u"Copy localhost:5432"_s} << QStringList{u"Copy address"_s} << QStringList{}
        << QString();
    // A socket whose process lsof could not see: opened and copied, never stopped.
    QTest::newRow("owner without a process")
        << foreign(5433, 0, {}) << u"Port 5433, owned by _not_"_s + currentLoginName()
        << QStringList{u"Open in Browser"_s, u"Copy localhost:5433"_s}
        << QStringList{u"Open in browser"_s, u"Copy address"_s}
        << QStringList{u"Open localhost:5433 in browser"_s} << u"http://localhost:5433"_s;
}

void PanelTest::eachKindOfRow() {
    QFETCH(PortEntry, entry);
    QFETCH(QString, label);
    QFETCH(QStringList, menu);
    QFETCH(QStringList, hoverButtons);
    QFETCH(QString, enterOpens);
    Harness h({entry});
    if (entry.isSystem())
        h.list()->toggleSystemSection();
    const int row = h.rowOfPort(entry.port);
    QCOMPARE(h.model()->index(row).data(Qt::DisplayRole).toString(), label);
    QAccessibleInterface *line = QAccessible::queryAccessibleInterface(h.list())->child(row);
    QTEST(line->actionInterface()->actionNames(), "actions");

    h.activate();
    h.list()->setFocus();
    h.list()->setCurrentIndex(h.model()->index(row));
    QCOMPARE(h.menuFromKey(Qt::Key_Menu), menu);
    QCOMPARE(h.menuFromKey(Qt::Key_F10, Qt::ShiftModifier), menu);
    QGuiApplication::clipboard()->setText(u"before"_s);
    QTest::keyClick(h.list(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"localhost:"_s + QString::number(entry.port));
    QTest::keyClick(h.list(), Qt::Key_Return);
    QCOMPARE(m_opened, enterOpens.isEmpty() ? QList<QUrl>{} : QList<QUrl>{QUrl(enterOpens)});

    QCOMPARE(h.toolTipsAlong(row), QStringList{}); // no buttons before the pointer comes
    QCursor::setPos(QPoint(900, 900));
    h.list()->hide();
    h.list()->show();
    h.pointer(QEvent::HoverMove, h.lineRect(row).center());
    QVERIFY(h.list()->isHovered(h.model()->index(row)));
    QCOMPARE(h.toolTipsAlong(row), hoverButtons);
    h.pointer(QEvent::HoverLeave, {});
    QCOMPARE(h.toolTipsAlong(row), QStringList{});
}

// The tool tip and the spoken description tell two servers of the same name apart, and show
// what a process chose to call itself as text, never as markup.
void PanelTest::rowDescribesItsProcess() {
    PortEntry entry = mine(3000, 812);
    const auto started = std::chrono::duration_cast<std::chrono::milliseconds>(
        ScanGate::bootClock() - (2h + 5min + 30s));
    entry.process = ProcessDetails{currentHomeDirectory() + u"/src/shop"_s,
                                   {u"node"_s, u"<b>server</b>.js"_s},
                                   started,
                                   u"shop"_s};
    Harness h({entry});
    const QModelIndex line = h.model()->index(0);
    const QString described = u"~/src/shop\nnode <b>server</b>.js\nrunning for 2 h 5 min"_s;
    QCOMPARE(line.data(Qt::AccessibleDescriptionRole).toString(), described);
    QCOMPARE(line.data(Qt::ToolTipRole).toString(), described);

    const QPoint text = h.lineRect(0).topLeft() + QPoint(60, 10);
    QWidget *viewport = h.list()->viewport();
    QHelpEvent help(QEvent::ToolTip, text, viewport->mapToGlobal(text));
    QApplication::sendEvent(viewport, &help);
    QVERIFY(QToolTip::text().contains(u"&lt;b&gt;server&lt;/b&gt;.js"_s));
    QToolTip::hideText();
}

void PanelTest::stopReachesTheProcess_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("signal");
    QTest::newRow("hover button") << u"button"_s << SIGTERM;
    QTest::newRow("menu, forced") << u"Force Stop (SIGKILL)"_s << SIGKILL;
}

void PanelTest::stopReachesTheProcess() {
    QFETCH(QString, how);
    QFETCH(int, signal);
    QProcess sleeper;
    QVERIFY(startTermBlockingSleeper(sleeper));
    const auto cleanup = qScopeGuard([&] {
        sleeper.kill();
        sleeper.waitForFinished();
    });
    Harness h({mine(4000, pid_t(sleeper.processId()), u"sleep"_s)});
    const QRect line = h.lineRect(0);
    if (how == u"button") {
        QCursor::setPos(QPoint(900, 900));
        h.list()->hide();
        h.list()->show();
        const QPoint stop(line.right() - 17, line.center().y()); // the trailing button
        h.pointer(QEvent::HoverMove, stop);
        QTest::mouseClick(h.list()->viewport(), Qt::LeftButton, {}, stop);
    } else {
        h.activate();
        h.list()->setFocus();
        h.list()->setCurrentIndex(h.model()->index(0));
        QTest::keyClick(h.list(), Qt::Key_Menu);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (QAction *action : menu->actions()) {
            if (action->text() == how)
                action->trigger();
        }
        menu->close();
    }
    if (signal == SIGKILL) {
        QVERIFY(sleeper.waitForFinished(10000));
        QCOMPARE(sleeper.exitCode(), SIGKILL);
    } else {
        QCOMPARE(termPending(sleeper.processId()), true);
    }
    QCOMPARE(h.store.lastError(), std::nullopt);
}

// What the list redoes, counted: model signals and paints of the list.
void PanelTest::updatesAreProportional() {
    QList<PortEntry> entries = manyOfMine(1000);
    Harness h(entries);
    PaintCounter painted;
    h.list()->viewport()->installEventFilter(&painted);
    QSignalSpy changed(h.model(), &QAbstractItemModel::dataChanged);
    QSignalSpy inserted(h.model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(h.model(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(h.model(), &QAbstractItemModel::modelReset);
    QSignalSpy moved(h.model(), &QAbstractItemModel::layoutChanged);
    const auto signalCount = [&] {
        return changed.size() + inserted.size() + removed.size() + reset.size() + moved.size();
    };

    h.scan(entries); // an unchanged poll
    QTest::qWait(20);
    QCOMPARE(signalCount(), 0);
    QCOMPARE(painted.paints, 0);

    QSet<int> touched;
    for (int i = 5; i < 1000; i += 100) {
        entries[i].addresses = {u"*"_s};
        touched << i;
    }
    h.scan(entries);
    QSet<int> rows;
    for (const QList<QVariant> &signal : std::as_const(changed)) {
        const int first = signal.at(0).toModelIndex().row();
        const int last = signal.at(1).toModelIndex().row();
        for (int row = first; row <= last; ++row)
            rows << row;
    }
    QCOMPARE(rows, touched);
    QCOMPARE(signalCount(), changed.size());

    // A removed row goes; its neighbours stay the lines they were.
    const QPersistentModelIndex before = h.model()->index(499);
    const QPersistentModelIndex after = h.model()->index(501);
    entries.removeAt(500);
    h.scan(entries);
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed.first().at(1).toInt(), 500);
    QCOMPARE(inserted.size(), 0);
    QCOMPARE(before.row(), 499);
    QCOMPARE(after.row(), 500);
    QCOMPARE(h.model()->item(after.row()).entry, entries.at(500));

    // One listener named twice still gets one line.
    entries << entries.last();
    h.scan(entries);
    QCOMPARE(h.model()->rowCount(), 999);
}

void PanelTest::nothingHappensWhileHidden() {
    Harness h({mine(3000)});
    h.panel.hide();
    QSignalSpy inserted(h.model(), &QAbstractItemModel::rowsInserted);
    h.scan({mine(3000), mine(4000, 2)});
    h.scan({mine(3000), mine(4000, 2), mine(5000, 3)});
    QCOMPARE(inserted.size(), 0);
    h.panel.show(); // the latest list, at once
    QCOMPARE(h.lines(), (QStringList{u"3000"_s, u"4000"_s, u"5000"_s}));
    QCOMPARE(h.panel.findChild<QLabel *>(u"subtitle"_s)->text(), PanelHeader::subtitle(3, 0));
}

void PanelTest::keyboard() {
    Harness h({mine(3000, 1), mine(4000, 2), foreign(22, 3, u"sshd"_s), foreign(5432)});
    h.activate();
    h.panel.hide(); // opened again: the focus lands in the filter
    h.panel.show();
    h.activate();
    QTRY_VERIFY(h.field()->hasFocus());
    QTest::keyClicks(QApplication::focusWidget(), u"40"_s);
    QCOMPARE(h.lines(), QStringList{u"4000"_s});
    h.field()->clear();

    // The focus ring, in the desktop's focus colour, shows only while the list has the focus.
    QPalette focusColour = h.list()->palette();
    focusColour.setColor(QPalette::Highlight, QColor(0, 200, 0));
    h.list()->setPalette(focusColour);
    const auto ringShows = [&] {
        const QImage shown = h.list()->viewport()->grab(h.lineRect(0)).toImage();
        for (int x = 0; x < shown.width(); ++x) {
            if (shown.pixelColor(x, shown.height() / 2) == QColor(0, 200, 0))
                return true;
        }
        return false;
    };
    const auto current = [&] { return h.list()->currentIndex().row(); };
    QVERIFY(!ringShows());
    QTest::keyClick(h.field(), Qt::Key_Down);
    QVERIFY(h.list()->hasFocus());
    QCOMPARE(current(), 0);
    QVERIFY(ringShows());
    QTest::keyClick(h.list(), Qt::Key_End);
    QCOMPARE(h.lines().at(current()), u"System 2"_s); // the header is a stop
    QTest::keyClick(h.list(), Qt::Key_Space);
    QVERIFY(h.list()->isSystemExpanded());
    QCOMPARE(h.lines(), (QStringList{u"3000"_s, u"4000"_s, u"System 2"_s, u"22"_s, u"5432"_s}));
    QTest::keyClick(h.list(), Qt::Key_PageDown);
    QCOMPARE(current(), 4);
    QTest::keyClick(h.list(), Qt::Key_Return); // a system listener's process: nothing to open
    QTest::keyClick(h.list(), Qt::Key_Home);
    QCOMPARE(current(), 0);
    QTest::keyClick(h.list(), Qt::Key_Down);
    QTest::keyClick(h.list(), Qt::Key_Return);
    QCOMPARE(m_opened, QList<QUrl>{QUrl(u"http://localhost:4000"_s)});
    QTest::keyClick(h.list(), Qt::Key_Up);
    QTest::keyClick(h.list(), Qt::Key_Up);
    QVERIFY(h.field()->hasFocus());
    // Typing on a row types into the filter; command keys stay the row's.
    QTest::keyClick(h.field(), Qt::Key_Down);
    QTest::keyClicks(h.list(), u"30"_s);
    QVERIFY(h.field()->hasFocus());
    QCOMPARE(h.field()->text(), u"30"_s);
    QCOMPARE(h.lines(), QStringList{u"3000"_s});
    h.field()->clear();

    // Tab: filter, list, the panel's menu button, and round again.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), h.list());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    auto *menuButton = qobject_cast<QAbstractButton *>(QApplication::focusWidget());
    QVERIFY(menuButton && menuButton->window() == &h.panel);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(h.field()->hasFocus());
}

void PanelTest::systemSection_data() {
    QTest::addColumn<bool>("motion");
    QTest::newRow("at once") << false;
    QTest::newRow("sliding") << true;
}

void PanelTest::systemSection() {
    QFETCH(bool, motion);
    ReduceMotion::set(!motion);
    const PortEntry sshd = foreign(22, 201, u"sshd"_s);
    Harness h({mine(3000), foreign(5432), foreign(5433, 202), sshd});
    QCOMPARE(h.lines(), (QStringList{u"3000"_s, u"System 3"_s}));
    h.field()->setText(u"POSTGRES"_s);
    QCOMPARE(h.lines(), QStringList{u"System 2"_s});

    QTest::mouseClick(h.list()->viewport(), Qt::LeftButton, {}, h.lineRect(0).center());
    QCOMPARE(h.lines(), (QStringList{u"System 2"_s, u"5432"_s, u"5433"_s}));
    QTRY_COMPARE(h.list()->systemReveal(), 1.0);
    QTRY_COMPARE(h.lineRect(2).height(), h.lineRect(1).height()); // fully open
    h.field()->setText(u"3000"_s); // hides the section; it stays open
    h.field()->setText(u"postgres"_s);
    QCOMPARE(h.lines(), (QStringList{u"System 2"_s, u"5432"_s, u"5433"_s}));

    h.list()->toggleSystemSection();
    if (motion) {
        // While it slides shut the rows still follow the store.
        QVERIFY(h.list()->systemReveal() > 0);
        PortEntry changed = foreign(5433, 202);
        changed.command = u"postgres-replica"_s;
        h.scan({mine(3000), changed, sshd});
        QVERIFY(h.list()->systemReveal() > 0);
        QCOMPARE(h.lines(), (QStringList{u"System 1"_s, u"5433"_s}));
        QCOMPARE(h.model()->item(1).entry.command, changed.command);
    }
    QTRY_COMPARE(h.lines(), QStringList{motion ? u"System 1"_s : u"System 2"_s}); // once shut
}

void PanelTest::heightFollowsTheLines() {
    Harness h({mine(3000, 1)});
    const int line = h.lineRect(0).height();
    QCOMPARE(h.list()->height(), 8 + line + 8);
    h.scan({mine(3000, 1), mine(4000, 2)});
    QCOMPARE(h.list()->height(), 8 + line + 2 + line + 8);
    QCOMPARE(h.list()->verticalScrollBar()->maximum(), 0);
    const int panelHeight = h.panel.height();

    h.scan(manyOfMine(30));
    QCOMPARE(h.list()->height(), PortListView::maxHeight);
    QTRY_VERIFY(h.list()->verticalScrollBar()->maximum() > 0);
    QVERIFY(h.panel.height() > panelHeight);
}

// A panel that opens under a resting pointer gets an enter event for the row there (under
// Xwayland even where the pointer was long ago); the row lights only once the pointer moves.
void PanelTest::onlyAMovingPointerLightsARow() {
    Harness h({mine(3000, 812)});
    const QModelIndex row = h.model()->index(0);
    const QPoint resting = h.lineRect(0).center();
    const QPoint restingOnScreen = h.list()->viewport()->mapToGlobal(resting);
    for (int opening = 0; opening < 2; ++opening) {
        QCursor::setPos(restingOnScreen);
        h.panel.hide();
        h.panel.show();
        h.pointer(QEvent::HoverEnter, resting);
        h.pointer(QEvent::HoverMove, resting);
        QVERIFY(!h.list()->isHovered(row));
        h.pointer(QEvent::HoverMove, resting + QPoint(3, 0));
        QVERIFY(h.list()->isHovered(row));
    }
    h.panel.hide();
    QVERIFY(!h.list()->isHovered(row));
    // Entering from elsewhere in one jump lights it at once.
    QCursor::setPos(QPoint(900, 900));
    h.panel.show();
    h.pointer(QEvent::HoverEnter, resting);
    QVERIFY(h.list()->isHovered(row));
}

QTEST_MAIN(PanelTest)
#include "tst_panel.moc"
