#include "look/ReduceMotion.h"
#include "panel/IconButton.h"
#include "panel/PortRow.h"
#include "panel/RowAccessibility.h"
#include "scan/CurrentUser.h"
#include "store/PortsStore.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QEnterEvent>
#include <QFile>
#include <QHoverEvent>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

PortEntry listener(qint64 port, pid_t pid, const QString &command, const QString &login,
                   const QStringList &addresses = {u"127.0.0.1"_s}) {
    return {port, pid, command, login, addresses};
}

int visibleButtons(const PortRow &row) {
    const QList<IconButton *> buttons = row.findChildren<IconButton *>();
    return int(std::ranges::count_if(buttons, [&](auto *b) { return b->isVisibleTo(&row); }));
}

QStringList visibleButtonTips(const PortRow &row) {
    QStringList tips;
    for (const IconButton *button : row.findChildren<IconButton *>()) {
        if (button->isVisibleTo(&row))
            tips << button->toolTip();
    }
    return tips;
}

void hover(QWidget *widget, bool inside = true) {
    QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget, inside ? static_cast<QEvent *>(&enter) : &leave);
}

// Whether a SIGTERM waits, blocked, for the process.
bool termPending(qint64 pid) {
    QFile status(u"/proc/%1/status"_s.arg(pid));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("ShdPnd:"))
            return line.mid(7).trimmed().toULongLong(nullptr, 16) & (1ULL << (SIGTERM - 1));
    }
    return false;
}

} // namespace

class PortRowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ReduceMotion::set(false); }
    void eachKindOfRow_data();
    void eachKindOfRow();
    void stopReachesTheProcess_data();
    void stopReachesTheProcess();
    void onlyAMovingPointerLightsARow();

private:
    PortsStore m_store{[] { return QtFuture::makeReadyFuture(PortScanner::Result{}); }, 1h, 10ms};
};

void PortRowTest::eachKindOfRow_data() {
    QTest::addColumn<PortEntry>("entry");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("menu");
    QTest::addColumn<QStringList>("hoverButtons");
    QTest::addColumn<QStringList>("actions");
    const QString me = currentLoginName();
    const QStringList bothActions{u"Open in browser"_s, u"Stop server"_s};
    QTest::newRow("own") << listener(3000, 812, u"node"_s, me, {u"127.0.0.1"_s, u"*"_s})
                         << QStringList{u":3000"_s, u"node"_s, u"PID 812 · all interfaces"_s}
                         << u"Port 3000, node, process 812"_s
                         << QStringList{u"Open in Browser"_s, u"Copy localhost:3000"_s, u""_s,
                                        u"Stop (SIGTERM)"_s, u"Force Stop (SIGKILL)"_s}
                         << QStringList{u"Open localhost:3000 in browser"_s, u"Stop this server"_s}
                         << bothActions;
    QTest::newRow("another user's, markup in its name")
        << listener(5432, 90, u"<b>x</b>"_s, u"_not_" + me, {u"<i>y</i>"_s})
        << QStringList{u":5432"_s, u"<b>x</b>"_s, u"PID 90 · <i>y</i>"_s}
        << u"Port 5432, <b>x</b>, process 90, system process, locked"_s
        << QStringList{u"Copy localhost:5432"_s} << QStringList{} << bothActions;
    // A socket of another user whose process lsof could not see: opened and copied, never stopped.
    QTest::newRow("owner without a process")
        << listener(5432, 0, {}, u"_not_" + me, {u"*"_s})
        << QStringList{u":5432"_s, u"_not_"_s + me, u"all interfaces"_s}
        << u"Port 5432, owned by _not_"_s + me
        << QStringList{u"Open in Browser"_s, u"Copy localhost:5432"_s}
        << QStringList{u"Open localhost:5432 in browser"_s} << QStringList{u"Open in browser"_s};
}

void PortRowTest::eachKindOfRow() {
    QFETCH(PortEntry, entry);
    QFETCH(QStringList, texts);
    QFETCH(QString, label);
    QFETCH(QStringList, menu);
    QFETCH(QStringList, hoverButtons);
    QFETCH(QStringList, actions);
    PortRow row(entry, m_store);
    row.resize(344, row.sizeHint().height()); // the width the panel gives its rows
    row.show();
    QStringList shown;
    for (const QLabel *text : row.findChildren<QLabel *>()) {
        if (!text->text().isEmpty()) {
            shown << text->text();
            QCOMPARE(text->textFormat(), Qt::PlainText);
        }
    }
    QCOMPARE(shown, texts);

    const bool system = entry.isSystem();
    QCOMPARE(visibleButtons(row), 0);
    hover(&row);
    QCOMPARE(visibleButtonTips(row), hoverButtons);
    const QList<QLabel *> labels = row.findChildren<QLabel *>();
    QCOMPARE(std::ranges::any_of(
                 labels, [&](auto *l) { return !l->pixmap().isNull() && l->isVisibleTo(&row); }),
             system); // the lock
    // The buttons show now, and still stay hidden from assistive technology.
    QAccessibleInterface *element = QAccessible::queryAccessibleInterface(&row);
    QCOMPARE(element->text(QAccessible::Name), label);
    QCOMPARE(element->childCount(), 0);
    QCOMPARE(element->actionInterface()->actionNames(), actions);
    hover(&row, false);
    QCOMPARE(visibleButtons(row), 0);
    hover(&row);
    row.hide(); // the panel closes under the pointer
    QCOMPARE(visibleButtons(row), 0);

    QMenu items;
    row.fillContextMenu(items);
    QStringList itemTexts;
    for (const QAction *action : items.actions())
        itemTexts << action->text();
    QCOMPARE(itemTexts, menu);
    const QString address = u"localhost:"_s + QString::number(entry.port);
    QGuiApplication::clipboard()->setText(u"before"_s);
    items.actions().at(menu.indexOf(u"Copy "_s + address))->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), address);
}

void PortRowTest::stopReachesTheProcess_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("system");
    QTest::addColumn<bool>("reduceMotion");
    QTest::addColumn<int>("signal");
    QTest::newRow("accessibility action") << u"Stop server"_s << false << false << SIGTERM;
    QTest::newRow("hover button") << u"button"_s << false << false << SIGTERM;
    QTest::newRow("menu, reduced motion") << u"Stop (SIGTERM)"_s << false << true << SIGTERM;
    QTest::newRow("menu, forced") << u"Force Stop (SIGKILL)"_s << false << false << SIGKILL;
    QTest::newRow("system row") << u"Stop server"_s << true << false << 0;
}

void PortRowTest::stopReachesTheProcess() {
    QFETCH(QString, how);
    QFETCH(bool, system);
    QFETCH(bool, reduceMotion);
    QFETCH(int, signal);
    ReduceMotion::set(reduceMotion);
    // A real process, named as lsof would name it, that blocks SIGTERM so that one stays pending.
    QProcess sleeper;
    sleeper.setChildProcessModifier([] {
        sigset_t term;
        sigemptyset(&term);
        sigaddset(&term, SIGTERM);
        sigprocmask(SIG_BLOCK, &term, nullptr);
    });
    sleeper.start(u"/bin/sleep"_s, {u"60"_s});
    QVERIFY(sleeper.waitForStarted());
    const auto cleanup = qScopeGuard([&] {
        sleeper.kill();
        sleeper.waitForFinished();
    });
    const QString me = currentLoginName();
    PortRow row(listener(4000, pid_t(sleeper.processId()), u"sleep"_s, system ? u"_not_" + me : me),
                m_store);
    QMenu menu;
    row.fillContextMenu(menu);
    if (how == u"button") {
        hover(&row);
        row.findChildren<IconButton *>().at(1)->click();
    } else if (how == RowAccessibility::stopAction) {
        QAccessible::queryAccessibleInterface(&row)->actionInterface()->doAction(how);
    } else {
        for (QAction *action : menu.actions()) {
            if (action->text() == how)
                action->trigger();
        }
    }
    if (signal == SIGKILL) {
        QVERIFY(sleeper.waitForFinished(10000));
        QCOMPARE(sleeper.exitCode(), SIGKILL);
    } else {
        QCOMPARE(termPending(sleeper.processId()), signal == SIGTERM);
    }
    QCOMPARE(m_store.lastError(), std::nullopt);
}

// A panel that opens under a resting pointer gets an enter event for the row there (under
// Xwayland even where the pointer was long ago); the row lights only once the pointer moves.
void PortRowTest::onlyAMovingPointerLightsARow() {
    PortRow row(listener(3000, 812, u"node"_s, currentLoginName()), m_store);
    row.resize(344, row.sizeHint().height());
    const QPoint resting(40, 20);
    const auto pointer = [&](QEvent::Type type, QPoint at) {
        if (type == QEvent::Enter) {
            QEnterEvent enter(at, at, at);
            QApplication::sendEvent(&row, &enter);
        } else {
            const QPoint local = row.mapFromGlobal(at);
            QHoverEvent move(type, local, at, local);
            QApplication::sendEvent(&row, &move);
        }
    };
    for (int opening = 0; opening < 2; ++opening) {
        QCursor::setPos(resting);
        row.show();
        pointer(QEvent::Enter, resting);
        pointer(QEvent::HoverMove, resting);
        QCOMPARE(visibleButtons(row), 0);
        pointer(QEvent::HoverMove, resting + QPoint(3, 0));
        QCOMPARE(visibleButtons(row), 2);
        row.hide(); // and open again where the pointer now rests
    }
    // Entering from elsewhere in one jump lights it at once.
    QCursor::setPos(QPoint(600, 600));
    row.show();
    pointer(QEvent::Enter, resting);
    QCOMPARE(visibleButtons(row), 2);
}

QTEST_MAIN(PortRowTest)
#include "tst_portrow.moc"
