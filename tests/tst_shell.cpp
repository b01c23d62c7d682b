#include "scan/CurrentUser.h"
#include "shell/HarkletApp.h"
#include "shell/MenuBarIcon.h"
#include "shell/MenuBarToolTip.h"
#include "shell/PanelPlacement.h"
#include "shell/PanelWindow.h"
#include "shell/SingleInstance.h"
#include "store/PortsStore.h"

#include <QApplication>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>

#include <future>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

PortEntry listener(qint64 port, const QString &login) {
    return {port, 4000 + pid_t(port % 1000), u"node"_s, login, {u"127.0.0.1"_s}};
}

// A scan that always finds these entries.
PortsStore::ScanFunction finding(const QList<PortEntry> &entries) {
    return [entries] { return QtFuture::makeReadyFuture(PortScanner::Result{entries}); };
}

// How many separate opaque stretches a line of pixels crosses.
int opaqueRuns(const QImage &image, QPoint from, QPoint step) {
    int runs = 0;
    bool inside = false;
    for (QPoint p = from; image.valid(p); p += step) {
        const bool opaque = qAlpha(image.pixel(p)) > 128;
        runs += opaque && !inside;
        inside = opaque;
    }
    return runs;
}

} // namespace

class ShellTest : public QObject {
    Q_OBJECT

private slots:
    void toolTipCountsOnlyUserListeners_data() {
        QTest::addColumn<int>("mine");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("label");
        QTest::newRow("none") << 0 << u"Harklet"_s << u"Harklet"_s;
        QTest::newRow("one") << 1 << u"Harklet (1 listening)"_s
                             << u"Harklet, 1 servers listening"_s;
        QTest::newRow("no digit grouping")
            << 1234 << u"Harklet (1234 listening)"_s << u"Harklet, 1234 servers listening"_s;
    }

    void toolTipCountsOnlyUserListeners() {
        QFETCH(int, mine);
        // Two system listeners, owned by someone else, besides the user's own.
        const QString me = currentLoginName(), someoneElse = me + u"-else"_s;
        QList<PortEntry> entries{listener(22, someoneElse), listener(631, someoneElse)};
        for (int port = 3000; port < 3000 + mine; ++port)
            entries << listener(port, me);

        QLocale::setDefault(QLocale(QLocale::German));
        PortsStore store(finding(entries), 1h, 1h);
        QTRY_COMPARE(store.entries().size(), entries.size());
        const MenuBarToolTip tip = MenuBarToolTip::forStore(store);
        QLocale::setDefault(QLocale::c());
        QTEST(tip.text, "toolTip");
        QTEST(tip.accessibilityLabel, "label");
    }

    void iconShape_data() {
        QTest::addColumn<qreal>("dpr");
        QTest::newRow("1") << 1.0;
        QTest::newRow("2") << 2.0;
    }

    void iconShape() {
        QFETCH(qreal, dpr);
        const QPixmap pixmap = MenuBarIcon::render(dpr, Qt::red);
        QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(18, 18));
        const QImage image = pixmap.toImage();
        const QRect r = image.rect();
        for (QPoint corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
            QCOMPARE(qAlpha(image.pixel(corner)), 0);

        // Drawing units: the solid dot is centred at (9, 9.6), a transparent gap lies above
        // it, and the outline's top edge (y 3) and left edge (x 2.4) cross separate dots.
        const auto at = [dpr](qreal x, qreal y) { return QPoint(int(x * dpr), int(y * dpr)); };
        QCOMPARE(image.pixelColor(at(9, 9.6)).toRgb(), QColor(Qt::red));
        QCOMPARE(qAlpha(image.pixel(at(9, 5.5))), 0);
        QVERIFY(opaqueRuns(image, at(0, 3), {1, 0}) >= 2);
        QVERIFY(opaqueRuns(image, at(2.4, 0), {0, 1}) >= 2);
    }

    void runningAppRedrawsItsIconWhenThePaletteChanges() {
        HarkletApp app;
        for (const QColor colour : {QColor(Qt::white), QColor(20, 20, 20)}) {
            QPalette palette;
            palette.setColor(QPalette::WindowText, colour);
            QGuiApplication::setPalette(palette);
            const QImage icon = QApplication::windowIcon().pixmap(36, 36).toImage();
            QCOMPARE(icon.pixelColor(18, 19).toRgb(), colour);
        }
        QGuiApplication::setPalette(QPalette());
    }

    void placement_data() {
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<QPoint>("cursor");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("topLeft");

        const QRect underTopBar(0, 24, 1920, 1056);
        QTest::newRow("top-right corner")
            << QRect(1896, 0, 24, 24) << QPoint() << underTopBar << QPoint(1556, 28);
        QTest::newRow("bottom-left corner: opens upwards, off the edges")
            << QRect(0, 1044, 24, 24) << QPoint() << QRect(0, 0, 1920, 1040) << QPoint(4, 736);
        QTest::newRow("second screen") << QRect(3180, 0, 20, 20) << QPoint()
                                       << QRect(1920, 20, 1280, 1004) << QPoint(2836, 24);
        QTest::newRow("no icon geometry: at the cursor")
            << QRect() << QPoint(500, 300) << underTopBar << QPoint(321, 305);
        QTest::newRow("screen smaller than panel keeps the top-left corner in")
            << QRect(700, 0, 24, 24) << QPoint() << QRect(0, 24, 320, 200) << QPoint(4, 28);
    }

    void placement() {
        QFETCH(QRect, icon);
        QFETCH(QPoint, cursor);
        QFETCH(QRect, available);
        QTEST(panelTopLeft(panelAnchor(icon, cursor), QSize(360, 300), available), "topLeft");
    }

    void onlyAShowRequestShowsTheFirstPanel() {
        const QString name = u"harklet-test-%1"_s.arg(getpid());
        SingleInstance first(name, 2s);
        QCOMPARE(first.claim(), SingleInstance::Role::primary);
        QSignalSpy shown(&first, &SingleInstance::showRequested);

        for (const QByteArray &request : {"quit\n"_ba, QByteArray(100000, 'x'), "sh"_ba}) {
            QLocalSocket client;
            client.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
            client.connectToServer(name);
            QVERIFY(client.waitForConnected(5000));
            client.write(request);
            // Wrong or endless requests are cut off; a half request times out.
            QTRY_COMPARE_WITH_TIMEOUT(client.state(), QLocalSocket::UnconnectedState, 10000);
            QCOMPARE(client.readAll(), QByteArray());
        }
        QCOMPARE(shown.size(), 0);

        // A second start blocks on its question, so it runs beside our event loop.
        auto second =
            std::async(std::launch::async, [name] { return SingleInstance(name).claim(); });
        QTRY_VERIFY(second.wait_for(0s) == std::future_status::ready);
        QCOMPARE(second.get(), SingleInstance::Role::secondary);
        QCOMPARE(shown.size(), 1);
    }

    void popUpClosesOnEscapeSecondToggleAndFocusLoss() {
        PortsStore store(finding({}), 1h, 1h);
        PanelWindow window(store);
        window.toggle(QRect(100, 0, 24, 24));
        QVERIFY(window.isVisible());
        QVERIFY(window.screen()->availableGeometry().contains(window.geometry()));
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
        window.toggle(QRect());
        QVERIFY(window.isVisible());
        window.toggle(QRect());
        QVERIFY(!window.isVisible());

        window.popUp(QRect());
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_VERIFY(!window.isVisible());
    }
};

QTEST_MAIN(ShellTest)
#include "tst_shell.moc"
