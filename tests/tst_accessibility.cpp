#include "look/ReduceMotion.h"
#include "panel/PortListModel.h"
#include "panel/PortListView.h"
#include "panel/RowTexts.h"
#include "store/PortsStore.h"

#include "Listeners.h"
#include "PendingSignal.h"
#include <QAccessible>
#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <csignal>

#ifdef HARKLET_PLATFORM_ACCESSIBILITY
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#endif

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// What assistive technology was told, as it would see it then.
struct Told {
    QAccessible::Event type;
    QAccessibleInterface *item;
    QString name;
};
QList<Told> told;

void record(QAccessibleEvent *event) {
    QAccessibleInterface *item = event->accessibleInterface();
    if (item && item->role() == QAccessible::ListItem)
        told.append({event->type(), item, item->text(QAccessible::Name)});
}

QList<Told> toldOf(QAccessible::Event type) {
    QList<Told> found;
    std::copy_if(told.cbegin(), told.cend(), std::back_inserter(found),
                 [type](const Told &t) { return t.type == type; });
    return found;
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

public slots:
    void openUrl(const QUrl &url) { m_opened << url; }

private slots:
    void initTestCase();
    void init();
    void presentsTheLinesAsAList();
    void actionsReachTheProcess_data();
    void actionsReachTheProcess();
    void openReachesTheDesktop();
    void headerExpandsAndSaysSo();
    void reportsChangedLinesOnly();
    void reportsTheFocusedLine();

private:
    QAccessibleInterface *list(PortListView &view) {
        return QAccessible::queryAccessibleInterface(&view);
    }

    QList<QUrl> m_opened;
    PortsStore m_store{[] { return QtFuture::makeReadyFuture(PortScanner::Result{}); }, 1h, 1h};
};

void AccessibilityTest::initTestCase() {
    ReduceMotion::set(true);
    QAccessible::installUpdateHandler(record);
#ifdef HARKLET_PLATFORM_ACCESSIBILITY
    // Qt tells assistive technology anything only while some is listening.
    if (QPlatformAccessibility *platform =
            QGuiApplicationPrivate::platformIntegration()->accessibility())
        platform->setActive(true);
#endif
}

void AccessibilityTest::init() {
    told.clear();
    const QByteArray name = QTest::currentTestFunction();
    if (name.startsWith("reports") && !QAccessible::isActive())
        QSKIP("accessibility cannot be switched on here: Qt's private platform headers missing");
}

void AccessibilityTest::presentsTheLinesAsAList() {
    PortListView view(m_store);
    const QList<PortEntry> user = {mine(3000, 812), mine(5173, 900, u"vite"_s)};
    const QList<PortEntry> system = {foreign(5432, 0), foreign(631, 700, u"cupsd"_s)};
    view.setLists(user, system);
    view.toggleSystemSection();

    QAccessibleInterface *items = list(view);
    QCOMPARE(items->role(), QAccessible::List);
    QCOMPARE(items->text(QAccessible::Name), u"Listeners"_s);
    QCOMPARE(items->childCount(), 5);
    const QStringList names = {
        RowTexts::accessibleLabel(user[0]), RowTexts::accessibleLabel(user[1]), u"System"_s,
        RowTexts::accessibleLabel(system[0]), RowTexts::accessibleLabel(system[1])};
    for (int row = 0; row < 5; ++row) {
        QAccessibleInterface *item = items->child(row);
        QCOMPARE(item->role(), QAccessible::ListItem);
        QCOMPARE(item->text(QAccessible::Name), names[row]);
        QCOMPARE(item->parent(), items);
        QCOMPARE(items->indexOfChild(item), row);
        QCOMPARE(items->child(row), item); // the same object each time it is asked
        if (row != 2) {
            const QModelIndex line = view.listModel()->index(row);
            QCOMPARE(item->text(QAccessible::Description),
                     line.data(Qt::AccessibleDescriptionRole).toString());
        }
    }
}

void AccessibilityTest::actionsReachTheProcess_data() {
    QTest::addColumn<bool>("system");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("signal");
    QTest::newRow("stop") << false << u"Stop server"_s << SIGTERM;
    QTest::newRow("force stop") << false << u"Force stop server"_s << SIGKILL;
    QTest::newRow("stop asked of a locked row") << true << u"Stop server"_s << 0;
    QTest::newRow("an action no row has") << false << u"Toggle"_s << 0;
}

void AccessibilityTest::actionsReachTheProcess() {
    QFETCH(bool, system);
    QFETCH(QString, action);
    QFETCH(int, signal);
    QProcess sleeper;
    QVERIFY(startTermBlockingSleeper(sleeper));
    const auto cleanup = qScopeGuard([&] {
        sleeper.kill();
        sleeper.waitForFinished();
    });
    const pid_t pid = pid_t(sleeper.processId());
    const PortEntry entry = system ? foreign(4000, pid, u"sleep"_s) : mine(4000, pid, u"sleep"_s);
    PortListView view(m_store);
    view.setLists(system ? QList<PortEntry>() : QList{entry},
                  system ? QList{entry} : QList<PortEntry>());
    if (system)
        view.toggleSystemSection();

    // The row follows the System header when it is one of the section's.
    list(view)->child(system ? 1 : 0)->actionInterface()->doAction(action);
    if (signal == SIGKILL) {
        QVERIFY(sleeper.waitForFinished(10000));
        QCOMPARE(sleeper.exitCode(), SIGKILL);
    } else {
        QCOMPARE(termPending(pid), signal == SIGTERM);
        QCOMPARE(sleeper.state(), QProcess::Running);
    }
}

void AccessibilityTest::openReachesTheDesktop() {
    QDesktopServices::setUrlHandler(u"http"_s, this, "openUrl");
    const auto cleanup = qScopeGuard([] { QDesktopServices::unsetUrlHandler(u"http"_s); });
    PortListView view(m_store);
    view.setLists({mine(3000, 812)}, {foreign(5432, 0)});
    view.toggleSystemSection();
    list(view)->child(0)->actionInterface()->doAction(u"Open in browser"_s);
    list(view)->child(2)->actionInterface()->doAction(u"Open in browser"_s);
    QCOMPARE(m_opened,
             (QList<QUrl>{QUrl(u"http://localhost:3000"_s), QUrl(u"http://localhost:5432"_s)}));

    // The keys a screen reader names for them are those the list acts on.
    QAccessibleActionInterface *row = list(view)->child(0)->actionInterface();
    QCOMPARE(row->keyBindingsForAction(u"Open in browser"_s),
             QStringList{QKeySequence(Qt::Key_Return).toString()});
    QCOMPARE(row->keyBindingsForAction(u"Copy address"_s),
             QStringList{QKeySequence(QKeySequence::Copy).toString()});
    QCOMPARE(row->keyBindingsForAction(u"Stop server"_s), QStringList{});
}

void AccessibilityTest::headerExpandsAndSaysSo() {
    PortListView view(m_store);
    view.setLists({mine(3000, 812)}, {foreign(631, 700)});
    QAccessibleInterface *items = list(view);
    QAccessibleInterface *header = items->child(1);
    QCOMPARE(header->text(QAccessible::Name), u"System"_s);
    QCOMPARE(header->actionInterface()->actionNames(),
             QStringList{QAccessibleActionInterface::toggleAction()});

    for (const bool expanded : {true, false}) {
        header->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(view.isSystemExpanded(), expanded);
        const QAccessible::State state = header->state();
        QVERIFY(state.expandable);
        QCOMPARE(state.expanded, expanded);
        QCOMPARE(state.collapsed, !expanded);
        QVERIFY(!state.checked);
        QCOMPARE(header->text(QAccessible::Description),
                 expanded ? u"1 system listener, expanded"_s : u"1 system listener, collapsed"_s);
        QCOMPARE(items->childCount(), expanded ? 3 : 2);
        QCOMPARE(items->child(1), header);
        if (QAccessible::isActive()) {
            QCOMPARE(toldOf(QAccessible::DescriptionChanged).size(), 1);
            QCOMPARE(toldOf(QAccessible::StateChanged).size(), 1);
        }
        told.clear();
    }
    view.setLists({mine(3000, 812)}, {foreign(631, 700), foreign(5432, 0)});
    QCOMPARE(header->text(QAccessible::Description), u"2 system listeners, collapsed"_s);
}

void AccessibilityTest::reportsChangedLinesOnly() {
    PortListView view(m_store);
    const QList<PortEntry> before = {mine(3000, 812), mine(5173, 900, u"vite"_s)};
    view.setLists(before, {});
    QAccessibleInterface *items = list(view);
    QAccessibleInterface *first = items->child(0);
    QAccessibleInterface *second = items->child(1);
    const QAccessible::Id secondId = QAccessible::uniqueId(second);
    told.clear();

    view.setLists(before, {}); // a poll that changed nothing
    QCOMPARE(told.size(), 0);

    // The same process on the same port, now running another program.
    const QList<PortEntry> relabelled = {mine(3000, 812), mine(5173, 900, u"node"_s)};
    view.setLists(relabelled, {});
    QCOMPARE(toldOf(QAccessible::NameChanged).size(), 1);
    QCOMPARE(toldOf(QAccessible::NameChanged).at(0).item, second);
    QCOMPARE(toldOf(QAccessible::NameChanged).at(0).name, RowTexts::accessibleLabel(relabelled[1]));
    told.clear();

    // A line comes before them and the first goes: the second keeps its object.
    view.setLists({mine(22, 50, u"sshd"_s), relabelled[1]}, {});
    QCOMPARE(toldOf(QAccessible::ObjectDestroyed).size(), 1);
    QCOMPARE(toldOf(QAccessible::ObjectDestroyed).at(0).item, first);
    QCOMPARE(toldOf(QAccessible::ObjectCreated).size(), 1);
    QCOMPARE(toldOf(QAccessible::ObjectCreated).at(0).name,
             RowTexts::accessibleLabel(mine(22, 50, u"sshd"_s)));
    QCOMPARE(items->child(1), second);
    QCOMPARE(QAccessible::accessibleInterface(secondId), second);
    QCOMPARE(items->indexOfChild(second), 1);
    QCOMPARE(toldOf(QAccessible::NameChanged).size(), 0);

    // An emptied list lets go of every line it had.
    told.clear();
    view.setLists({}, {});
    QCOMPARE(toldOf(QAccessible::ObjectDestroyed).size(), 2);
    QCOMPARE(QAccessible::accessibleInterface(secondId), nullptr);
}

void AccessibilityTest::reportsTheFocusedLine() {
    QWidget window;
    auto *view = new PortListView(m_store, &window);
    view->setLists({mine(3000, 812), mine(5173, 900)}, {foreign(631, 700)});
    window.resize(360, 300);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QAccessibleInterface *items = list(*view);

    view->setFocus();
    view->setCurrentIndex(view->listModel()->index(1));
    QTRY_VERIFY(!toldOf(QAccessible::Focus).isEmpty());
    QCOMPARE(toldOf(QAccessible::Focus).last().item, items->child(1));
    QVERIFY(items->child(1)->state().focused);
    QVERIFY(!items->child(0)->state().focused);
    QCOMPARE(items->focusChild(), items->child(1));

    // Coming back to the list, the line the focus lands on is told again.
    view->clearFocus();
    told.clear();
    view->setFocus();
    QTRY_VERIFY(!toldOf(QAccessible::Focus).isEmpty());
    QCOMPARE(toldOf(QAccessible::Focus).last().item, items->child(1));

    // The header is a stop on the way down.
    told.clear();
    view->setCurrentIndex(view->listModel()->index(2));
    QCOMPARE(toldOf(QAccessible::Focus).last().item, items->child(2));
    QVERIFY(items->child(2)->state().focused);
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
