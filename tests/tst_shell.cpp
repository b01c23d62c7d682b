#include "scan/CurrentUser.h"
#include "shell/HarkletApp.h"
#include "shell/MenuBarIcon.h"
#include "shell/MenuBarToolTip.h"
#include "shell/PanelPlacement.h"
#include "shell/PanelWindow.h"
#include "shell/SingleInstance.h"
#include "store/PortsStore.h"

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>

#include <future>
#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

PortEntry listener(qint64 port, const QString &login) {
    return {port, 4000 + pid_t(port % 1000), u"node"_s, login, {u"127.0.0.1"_s}};
}

// A store whose every scan finds these entries; it does not poll.
std::unique_ptr<PortsStore> storeListing(const QList<PortEntry> &entries) {
    return std::make_unique<PortsStore>(
        [entries] { return QtFuture::makeReadyFuture(PortScanner::Result{entries}); }, 1h, 1h);
}

// Alpha of one device pixel.
int alphaAt(const QImage &image, int x, int y) {
    return qAlpha(image.pixel(x, y));
}

// How many separate opaque stretches a line of pixels crosses.
int opaqueRuns(const QImage &image, QPoint from, QPoint step, int count) {
    int runs = 0;
    bool inside = false;
    for (QPoint p = from; count-- > 0; p += step) {
        const bool opaque = alphaAt(image, p.x(), p.y()) > 128;
        runs += opaque && !inside;
        inside = opaque;
    }
    return runs;
}

bool finished(const std::future<SingleInstance::Role> &f) {
    return f.wait_for(0s) == std::future_status::ready;
}

QString uniqueName() {
    static int n = 0;
    return u"harklet-test-%1-%2"_s.arg(getpid()).arg(++n);
}

} // namespace

Q_DECLARE_METATYPE(QList<PortEntry>)

class ShellTest : public QObject {
    Q_OBJECT

private slots:
    void toolTipCountsOnlyUserListeners_data();
    void toolTipCountsOnlyUserListeners();

    void iconShape();
    void iconAtHighDensity();
    void iconFollowsTheDesktopTextColour();

    void placement_data();
    void placement();

    void secondStartShowsTheFirstPanel();
    void nameIsFreeOnceTheFirstHasGone();
    void eachSessionHasItsOwnInstance();
    void silentHolderIsReportedStuck();
    void malformedRequestsShowNothing();

    void popUpHasThePanelSizeAndClosesOnEscape();
    void popUpClosesWhenItLosesFocus();
    void windowModeStaysOpenAndReportsClosing();
};

void ShellTest::toolTipCountsOnlyUserListeners_data() {
    QTest::addColumn<QList<PortEntry>>("entries");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("label");

    const QString me = currentLoginName();
    const QString other = me + u"-someone-else"_s;
    QTest::newRow("nothing") << QList<PortEntry>{} << u"Harklet"_s << u"Harklet"_s;
    QTest::newRow("only system") << QList<PortEntry>{listener(22, other), listener(631, other)}
                                 << u"Harklet"_s << u"Harklet"_s;
    QTest::newRow("one among system")
        << QList<PortEntry>{listener(22, other), listener(3000, me), listener(631, other)}
        << u"Harklet (1 listening)"_s << u"Harklet, 1 servers listening"_s;
    QList<PortEntry> many;
    for (qint64 port = 3000; port < 4234; ++port)
        many << listener(port, me);
    many << listener(22, other);
    QTest::newRow("no digit grouping")
        << many << u"Harklet (1234 listening)"_s << u"Harklet, 1234 servers listening"_s;
}

void ShellTest::toolTipCountsOnlyUserListeners() {
    QFETCH(QList<PortEntry>, entries);
    QFETCH(QString, toolTip);
    QFETCH(QString, label);

    QLocale::setDefault(QLocale(QLocale::German));
    const auto store = storeListing(entries);
    QTRY_COMPARE(store->entries().size(), entries.size());
    const MenuBarToolTip tip = MenuBarToolTip::forStore(*store);
    QCOMPARE(tip.text, toolTip);
    QCOMPARE(tip.accessibilityLabel, label);
    QLocale::setDefault(QLocale::c());
}

void ShellTest::iconShape() {
    // Four device pixels per unit: the 18-unit drawing becomes 72 × 72.
    const QImage image = MenuBarIcon::render(4, Qt::red).toImage();
    QCOMPARE(image.size(), QSize(72, 72));

    for (QPoint corner : {QPoint(0, 0), QPoint(71, 0), QPoint(0, 71), QPoint(71, 71)})
        QCOMPARE(alphaAt(image, corner.x(), corner.y()), 0);

    // The solid centre dot, in the colour asked for.
    QCOMPARE(image.pixelColor(36, 38).toRgb(), QColor(Qt::red));
    // Between the dot and the outline lies a transparent gap.
    QCOMPARE(alphaAt(image, 36, 24), 0);

    // The outline is dotted, not a solid line: its top edge (y 3.0 units) and its left edge
    // (x 2.4 units) each cross several separate dots.
    QVERIFY(opaqueRuns(image, {0, 12}, {1, 0}, 72) >= 2);
    QVERIFY(opaqueRuns(image, {10, 0}, {0, 1}, 72) >= 2);

    // The square sits 1.8 units above the bottom edge and 3.0 below the top: more empty
    // rows above the drawing than below it.
    int top = 0, bottom = 71;
    const auto rowEmpty = [&](int y) {
        for (int x = 0; x < 72; ++x)
            if (alphaAt(image, x, y) > 0)
                return false;
        return true;
    };
    while (rowEmpty(top))
        ++top;
    while (rowEmpty(bottom))
        --bottom;
    QVERIFY2(top > 71 - bottom, qPrintable(u"top %1 bottom %2"_s.arg(top).arg(71 - bottom)));
}

void ShellTest::iconAtHighDensity() {
    const QPixmap pixmap = MenuBarIcon::render(2, Qt::black);
    QCOMPARE(pixmap.size(), QSize(36, 36));
    QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(18, 18));

    // Trays with 22- and 24-pixel slots get drawings made for them, not scaled ones.
    for (int edge : {22, 24})
        QVERIFY(MenuBarIcon::normal().availableSizes().contains(QSize(edge, edge)));
}

void ShellTest::iconFollowsTheDesktopTextColour() {
    // The app redraws its icons when a light or dark theme switch changes the palette.
    HarkletApp app;
    const QPalette original = QGuiApplication::palette();
    const auto centreColour = [] {
        return QApplication::windowIcon().pixmap(36, 36).toImage().pixelColor(18, 19).toRgb();
    };
    for (const QColor colour : {QColor(Qt::white), QColor(20, 20, 20)}) {
        QPalette palette = original;
        palette.setColor(QPalette::WindowText, colour);
        QGuiApplication::setPalette(palette);
        QCOMPARE(centreColour(), colour);
    }
    QGuiApplication::setPalette(original);
}

void ShellTest::placement_data() {
    QTest::addColumn<QRect>("icon");
    QTest::addColumn<QPoint>("cursor");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("topLeft");

    const QRect underTopBar(0, 24, 1920, 1056);
    const QRect overBottomBar(0, 0, 1920, 1040);
    QTest::newRow("centred under icon")
        << QRect(900, 0, 24, 24) << QPoint() << underTopBar << QPoint(732, 28);
    QTest::newRow("top-right corner")
        << QRect(1896, 0, 24, 24) << QPoint() << underTopBar << QPoint(1556, 28);
    QTest::newRow("bottom-left corner: opens upwards, off the edges")
        << QRect(0, 1044, 24, 24) << QPoint() << overBottomBar << QPoint(4, 736);
    QTest::newRow("second screen")
        << QRect(3180, 0, 20, 20) << QPoint() << QRect(1920, 20, 1280, 1004) << QPoint(2836, 24);
    QTest::newRow("no icon geometry: at the cursor")
        << QRect() << QPoint(500, 300) << underTopBar << QPoint(321, 305);
    QTest::newRow("cursor low on screen")
        << QRect() << QPoint(500, 1000) << underTopBar << QPoint(321, 696);
    QTest::newRow("cursor at the right edge")
        << QRect() << QPoint(1919, 1079) << underTopBar << QPoint(1556, 775);
    QTest::newRow("screen smaller than panel keeps the top-left corner in")
        << QRect(700, 0, 24, 24) << QPoint() << QRect(0, 24, 320, 200) << QPoint(4, 28);
}

void ShellTest::placement() {
    QFETCH(QRect, icon);
    QFETCH(QPoint, cursor);
    QFETCH(QRect, available);
    QFETCH(QPoint, topLeft);
    QCOMPARE(panelTopLeft(panelAnchor(icon, cursor), QSize(360, 300), available), topLeft);
}

void ShellTest::secondStartShowsTheFirstPanel() {
    const QString name = uniqueName();
    SingleInstance first(name);
    QCOMPARE(first.claim(), SingleInstance::Role::primary);
    QSignalSpy shown(&first, &SingleInstance::showRequested);

    // The second start blocks on its question, so it runs beside our event loop.
    auto second = std::async(std::launch::async, [name] { return SingleInstance(name).claim(); });
    QTRY_VERIFY(finished(second));
    QCOMPARE(second.get(), SingleInstance::Role::secondary);
    QCOMPARE(shown.size(), 1);
}

void ShellTest::nameIsFreeOnceTheFirstHasGone() {
    const QString name = uniqueName();
    {
        SingleInstance first(name);
        QCOMPARE(first.claim(), SingleInstance::Role::primary);
    }
    SingleInstance next(name);
    QCOMPARE(next.claim(), SingleInstance::Role::primary);
}

void ShellTest::eachSessionHasItsOwnInstance() {
    const QByteArray display = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":1");
    const QString first = SingleInstance::defaultName();
    qputenv("DISPLAY", ":2");
    const QString second = SingleInstance::defaultName();
    qputenv("DISPLAY", display);
    QVERIFY(first.startsWith(u"harklet-%1-"_s.arg(getuid())));
    QVERIFY(first != second);
}

void ShellTest::silentHolderIsReportedStuck() {
    const QString name = uniqueName();
    QLocalServer silent;
    silent.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    QVERIFY(silent.listen(name));
    auto second =
        std::async(std::launch::async, [name] { return SingleInstance(name, 200ms).claim(); });
    QTRY_VERIFY(finished(second));
    QCOMPARE(second.get(), SingleInstance::Role::stuck);
}

void ShellTest::malformedRequestsShowNothing() {
    const QString name = uniqueName();
    SingleInstance first(name, 500ms);
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
}

void ShellTest::popUpHasThePanelSizeAndClosesOnEscape() {
    const auto store = storeListing({});
    PanelWindow window(*store);
    QVERIFY(window.windowFlags().testFlags(Qt::Tool | Qt::FramelessWindowHint |
                                           Qt::WindowStaysOnTopHint));

    window.toggle(QRect(100, 0, 24, 24));
    QVERIFY(window.isVisible());
    QCOMPARE(window.width(), 360);
    QVERIFY(window.height() > 0);
    const QRect available = window.screen()->availableGeometry();
    QVERIFY(available.contains(window.geometry()));

    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(!window.isVisible());

    window.toggle(QRect());
    QVERIFY(window.isVisible());
    window.toggle(QRect());
    QVERIFY(!window.isVisible());
}

void ShellTest::popUpClosesWhenItLosesFocus() {
    const auto store = storeListing({});
    PanelWindow window(*store);
    window.popUp(QRect());
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QWidget other;
    other.show();
    other.activateWindow();
    QTRY_VERIFY(!window.isVisible());
}

void ShellTest::windowModeStaysOpenAndReportsClosing() {
    const auto store = storeListing({});
    PanelWindow window(*store);
    QSignalSpy closed(&window, &PanelWindow::closed);
    window.showAsWindow();
    QVERIFY(window.isVisible());
    QVERIFY(!window.windowFlags().testFlag(Qt::FramelessWindowHint));

    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(window.isVisible());
    QCOMPARE(closed.size(), 0);

    window.close();
    QCOMPARE(closed.size(), 1);
}

QTEST_MAIN(ShellTest)
#include "tst_shell.moc"
