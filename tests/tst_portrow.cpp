#include "panel/ElidedLabel.h"
#include "panel/IconButton.h"
#include "scan/CurrentUser.h"
#include "shell/PortRow.h"
#include "shell/ReduceMotion.h"
#include "shell/RowAccessibility.h"
#include "store/PortsStore.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QEnterEvent>
#include <QLayout>
#include <QMenu>
#include <QProcess>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

PortEntry mine(qint64 port, pid_t pid, const QString &command,
               const QStringList &addresses = {u"127.0.0.1"_s}) {
    return {port, pid, command, currentLoginName(), addresses};
}

PortEntry foreign(qint64 port, pid_t pid, const QString &command) {
    return {port, pid, command, u"_not_" + currentLoginName(), {u"*"_s}};
}

// The row's texts as the user sees them, in layout order.
QStringList shownTexts(const PortRow &row) {
    QStringList texts;
    for (const QLabel *label : row.findChildren<QLabel *>()) {
        if (!label->text().isEmpty())
            texts << label->text();
    }
    return texts;
}

QList<IconButton *> visibleButtons(const PortRow &row) {
    QList<IconButton *> visible;
    for (IconButton *button : row.findChildren<IconButton *>()) {
        if (button->isVisibleTo(&row))
            visible << button;
    }
    return visible;
}

const QLabel *lockOf(const PortRow &row) {
    for (const QLabel *label : row.findChildren<QLabel *>()) {
        if (!label->pixmap().isNull())
            return label;
    }
    return nullptr;
}

int strongestAlpha(const QPixmap &pixmap) {
    const QImage image = pixmap.toImage();
    int strongest = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            strongest = qMax(strongest, qAlpha(image.pixel(x, y)));
    return strongest;
}

// At the width the panel gives its rows.
void layOut(PortRow &row) {
    row.resize(344, row.sizeHint().height());
    row.show();
    row.layout()->activate();
}

void hover(QWidget *widget, bool inside) {
    if (inside) {
        QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
        QApplication::sendEvent(widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(widget, &leave);
    }
}

QStringList menuTexts(PortRow &row) {
    QMenu menu;
    row.fillContextMenu(menu);
    QStringList texts;
    for (const QAction *action : menu.actions()) {
        texts << (action->isSeparator() ? u"--"_s : action->text());
        if (!action->icon().isNull())
            texts << u"(icon)"_s;
    }
    return texts;
}

void triggerMenuItem(PortRow &row, const QString &text) {
    QMenu menu;
    row.fillContextMenu(menu);
    for (QAction *action : menu.actions()) {
        if (action->text() == text)
            return action->trigger();
    }
    QFAIL("no such menu item");
}

// A real process to stop, named as lsof would name it.
struct Sleeper {
    QProcess process;
    Sleeper() {
        process.start(u"/bin/sleep"_s, {u"60"_s});
        process.waitForStarted();
    }
    ~Sleeper() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    PortEntry entry() const { return mine(4000, pid_t(process.processId()), u"sleep"_s); }
    // The signal that ended it, or 0.
    int endingSignal() {
        if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::CrashExit)
            return 0;
        return process.exitCode();
    }
};

} // namespace

class PortRowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void showsTheListener_data();
    void showsTheListener();
    void processTextsArePlain();
    void hoverShowsTheAccessory();
    void contextMenuFitsTheKindOfRow_data();
    void contextMenuFitsTheKindOfRow();
    void copyPutsTheAddressOnTheClipboard();
    void accessibleAsOneElement_data();
    void accessibleAsOneElement();
    void stopActionsSendTheirSignal_data();
    void stopActionsSendTheirSignal();
    void failedStopReachesTheStore();
    void systemRowsCannotBeStopped();

private:
    std::unique_ptr<PortsStore> m_store;
};

void PortRowTest::init() {
    ReduceMotion::set(false);
    m_store = std::make_unique<PortsStore>(
        [] { return QtFuture::makeReadyFuture(PortScanner::Result{QList<PortEntry>{}}); }, 1h,
        10ms);
}

void PortRowTest::showsTheListener_data() {
    QTest::addColumn<PortEntry>("entry");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("wildcard") << mine(3000, 812, u"node"_s, {u"127.0.0.1"_s, u"*"_s})
                              << QStringList{u":3000"_s, u"node"_s, u"PID 812 · all interfaces"_s};
    QTest::newRow("ungrouped numbers")
        << mine(8080, 31337, u"java"_s, {u"[::1]"_s})
        << QStringList{u":8080"_s, u"java"_s, u"PID 31337 · [::1]"_s};
    QTest::newRow("no address") << mine(22, 5, u"sshd"_s, {})
                                << QStringList{u":22"_s, u"sshd"_s, u"PID 5 · "_s};
}

void PortRowTest::showsTheListener() {
    QFETCH(PortEntry, entry);
    QFETCH(QStringList, texts);
    PortRow row(entry, *m_store);
    layOut(row);
    QCOMPARE(shownTexts(row), texts);
}

void PortRowTest::processTextsArePlain() {
    PortRow row(mine(80, 1, u"<b>x</b>"_s, {u"<i>y</i>"_s}), *m_store);
    layOut(row);
    for (const QLabel *label : row.findChildren<QLabel *>()) {
        if (!label->text().isEmpty())
            QCOMPARE(label->textFormat(), Qt::PlainText);
    }
    QVERIFY(shownTexts(row).contains(u"<b>x</b>"_s));
    QVERIFY(shownTexts(row).contains(u"PID 1 · <i>y</i>"_s));
}

void PortRowTest::hoverShowsTheAccessory() {
    PortRow user(mine(3000, 812, u"node"_s), *m_store);
    QVERIFY(visibleButtons(user).isEmpty());
    QVERIFY(!lockOf(user)->isVisibleTo(&user));
    hover(&user, true);
    QVERIFY(user.isHovering());
    const QList<IconButton *> buttons = visibleButtons(user);
    QCOMPARE(buttons.size(), 2);
    QCOMPARE(buttons[0]->toolTip(), u"Open localhost:3000 in browser"_s);
    QCOMPARE(buttons[1]->toolTip(), u"Stop this server"_s);
    hover(&user, false);
    QVERIFY(visibleButtons(user).isEmpty());
    user.show();
    hover(&user, true);
    user.hide(); // the panel closes under the pointer
    QVERIFY(!user.isHovering());

    PortRow system(foreign(5432, 90, u"postgres"_s), *m_store);
    const int dimmed = strongestAlpha(lockOf(system)->pixmap());
    hover(&system, true);
    QVERIFY(visibleButtons(system).isEmpty());
    QVERIFY(lockOf(system)->isVisibleTo(&system));
    QVERIFY(strongestAlpha(lockOf(system)->pixmap()) > dimmed);
}

void PortRowTest::contextMenuFitsTheKindOfRow_data() {
    QTest::addColumn<PortEntry>("entry");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("own listener") << mine(3000, 812, u"node"_s)
                                  << QStringList{u"Open in Browser"_s, u"Copy localhost:3000"_s,
                                                 u"--"_s, u"Stop (SIGTERM)"_s,
                                                 u"Force Stop (SIGKILL)"_s};
    QTest::newRow("another user's")
        << foreign(5432, 90, u"postgres"_s) << QStringList{u"Copy localhost:5432"_s};
    QTest::newRow("system service of this user")
        << mine(7000, 91, u"ControlCenterHelper"_s) << QStringList{u"Copy localhost:7000"_s};
}

void PortRowTest::contextMenuFitsTheKindOfRow() {
    QFETCH(PortEntry, entry);
    QFETCH(QStringList, items);
    PortRow row(entry, *m_store);
    QCOMPARE(menuTexts(row), items);
}

void PortRowTest::copyPutsTheAddressOnTheClipboard() {
    PortRow row(foreign(5432, 90, u"postgres"_s), *m_store);
    QGuiApplication::clipboard()->setText(u"before"_s);
    triggerMenuItem(row, u"Copy localhost:5432"_s);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"localhost:5432"_s);
}

void PortRowTest::accessibleAsOneElement_data() {
    QTest::addColumn<PortEntry>("entry");
    QTest::addColumn<QString>("label");
    QTest::newRow("own") << mine(3000, 812, u"node"_s) << u"Port 3000, node, process 812"_s;
    QTest::newRow("system") << foreign(5432, 90, u"postgres"_s)
                            << u"Port 5432, postgres, process 90, system process, locked"_s;
    QTest::newRow("markup stays text")
        << mine(80, 1, u"<b>x</b>"_s) << u"Port 80, <b>x</b>, process 1"_s;
}

void PortRowTest::accessibleAsOneElement() {
    QFETCH(PortEntry, entry);
    QFETCH(QString, label);
    PortRow row(entry, *m_store);
    hover(&row, true); // the buttons exist now, and must still stay hidden
    QAccessibleInterface *element = QAccessible::queryAccessibleInterface(&row);
    QVERIFY(element);
    QCOMPARE(element->text(QAccessible::Name), label);
    QCOMPARE(element->childCount(), 0);
    QVERIFY(element->actionInterface());
    QCOMPARE(element->actionInterface()->actionNames(),
             (QStringList{u"Open in browser"_s, u"Stop server"_s}));
}

void PortRowTest::stopActionsSendTheirSignal_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("reduceMotion");
    QTest::addColumn<int>("signal");
    QTest::newRow("accessibility action") << u"action"_s << false << SIGTERM;
    QTest::newRow("hover button") << u"button"_s << false << SIGTERM;
    QTest::newRow("menu, polite") << u"Stop (SIGTERM)"_s << false << SIGTERM;
    QTest::newRow("menu, polite, reduced motion") << u"Stop (SIGTERM)"_s << true << SIGTERM;
    QTest::newRow("menu, forced") << u"Force Stop (SIGKILL)"_s << false << SIGKILL;
}

void PortRowTest::stopActionsSendTheirSignal() {
    QFETCH(QString, how);
    QFETCH(bool, reduceMotion);
    QFETCH(int, signal);
    ReduceMotion::set(reduceMotion);
    Sleeper sleeper;
    PortRow row(sleeper.entry(), *m_store);
    if (how == u"action") {
        QAccessible::queryAccessibleInterface(&row)->actionInterface()->doAction(
            RowAccessibility::stopAction);
    } else if (how == u"button") {
        hover(&row, true);
        visibleButtons(row).at(1)->click();
    } else {
        triggerMenuItem(row, how);
    }
    QCOMPARE(sleeper.endingSignal(), signal);
    QCOMPARE(m_store->lastError(), std::nullopt);
}

void PortRowTest::failedStopReachesTheStore() {
    Sleeper sleeper;
    const PortEntry entry = sleeper.entry();
    sleeper.process.kill();
    sleeper.process.waitForFinished();
    PortRow row(entry, *m_store);
    QAccessible::queryAccessibleInterface(&row)->actionInterface()->doAction(
        RowAccessibility::stopAction);
    QCOMPARE(m_store->lastError(), u"Stopping sleep failed."_s);
}

void PortRowTest::systemRowsCannotBeStopped() {
    Sleeper sleeper;
    PortEntry entry = sleeper.entry();
    entry.login = u"_not_" + entry.login;
    PortRow row(entry, *m_store);
    QAccessibleActionInterface *actions =
        QAccessible::queryAccessibleInterface(&row)->actionInterface();
    actions->doAction(RowAccessibility::stopAction);
    actions->doAction(RowAccessibility::openAction);
    QVERIFY(!sleeper.process.waitForFinished(200));
}

QTEST_MAIN(PortRowTest)
#include "tst_portrow.moc"
