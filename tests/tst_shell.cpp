#include "look/AppMark.h"
#include "look/ReduceMotion.h"
#include "scan/CurrentUser.h"
#include "shell/GraphicalSession.h"
#include "shell/HarkletApp.h"
#include "shell/MenuBarIcon.h"
#include "shell/MenuBarToolTip.h"
#include "shell/PanelPlacement.h"
#include "shell/PanelWindow.h"
#include "shell/PlatformChoice.h"
#include "shell/SingleInstance.h"
#include "store/PortsStore.h"

#include "OtherUser.h"

#include <QApplication>
#include <QFile>
#include <QLocalSocket>
#include <QPainter>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstddef>
#include <cstring>
#include <future>
#include <sys/socket.h>
#include <sys/un.h>
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

QProcessEnvironment environment(const QList<std::pair<QString, QString>> &variables) {
    QProcessEnvironment env;
    for (const auto &[name, value] : variables)
        env.insert(name, value);
    return env;
}

// A session bus of its own, ended with this object.
struct PrivateBus {
    QProcess daemon;
    QString address;

    bool start() {
        daemon.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
        if (!daemon.waitForStarted() || !daemon.waitForReadyRead(10000))
            return false;
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        return !address.isEmpty();
    }
    ~PrivateBus() {
        daemon.kill();
        daemon.waitForFinished();
    }
};

// The address Qt's local sockets give `name` in the abstract namespace.
struct AbstractAddress {
    sockaddr_un address{AF_UNIX, {}};
    socklen_t length;

    explicit AbstractAddress(const QByteArray &name)
        : length(socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size())) {
        std::memcpy(address.sun_path + 1, name.constData(), size_t(name.size()));
    }
    const sockaddr *get() const { return reinterpret_cast<const sockaddr *>(&address); }
};

} // namespace

class ShellTest : public QObject {
    Q_OBJECT

private slots:
    void reduceMotionFollowsTheDesktop_data() {
        QTest::addColumn<QString>("kdeFactor");       // empty: no KDE settings file
        QTest::addColumn<QString>("gnomeAnimations"); // empty: no gsettings
        QTest::addColumn<bool>("reduced");
        QTest::newRow("no desktop setting") << QString() << QString() << false;
        QTest::newRow("GNOME animations off") << QString() << u"false"_s << true;
        QTest::newRow("GNOME animations on") << QString() << u"true"_s << false;
        QTest::newRow("KDE animations instant") << u"0"_s << QString() << true;
        QTest::newRow("KDE animations at normal speed") << u"1"_s << QString() << false;
    }

    void reduceMotionFollowsTheDesktop() {
        QFETCH(QString, kdeFactor);
        QFETCH(QString, gnomeAnimations);
        QFETCH(bool, reduced);
        const QByteArray path = qgetenv("PATH");
        const auto restore = qScopeGuard([&] {
            qputenv("PATH", path);
            qunsetenv("XDG_CONFIG_HOME");
            qunsetenv("HARKLET_FAKE_ANIMATIONS");
        });
        QTemporaryDir config, noTools;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        if (!kdeFactor.isEmpty()) {
            QFile globals(config.filePath(u"kdeglobals"_s));
            QVERIFY(globals.open(QIODevice::WriteOnly));
            globals.write("[KDE]\nAnimationDurationFactor=" + kdeFactor.toUtf8() + '\n');
        }
        qputenv("PATH", gnomeAnimations.isEmpty() ? noTools.path().toLocal8Bit()
                                                  : QByteArray(HARKLET_TEST_FAKES));
        qputenv("HARKLET_FAKE_ANIMATIONS", gnomeAnimations.toUtf8());

        ReduceMotion::set(!reduced); // the answer must come from the desktop
        QObject context;
        ReduceMotion::readDesktopSetting(&context);
        QTRY_VERIFY(context.findChildren<QProcess *>().isEmpty()); // gsettings answered
        QCOMPARE(ReduceMotion::isOn(), reduced);
    }

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

    void iconIsCentredCachedAndSharp() {
        const QIcon icon = MenuBarIcon::inColour(Qt::red);
        // Painted centred in a wider space, as a tray slot may be: the solid dot mid-way.
        QImage wide(40, 20, QImage::Format_ARGB32_Premultiplied);
        wide.fill(Qt::transparent);
        QPainter painter(&wide);
        icon.paint(&painter, wide.rect());
        painter.end();
        QVERIFY(qAlpha(wide.pixel(20, 11)) > 200);
        QCOMPARE(qAlpha(wide.pixel(3, 11)), 0);
        // The same icon while the colour stays, so the tray is not sent it again.
        QCOMPARE(MenuBarIcon::inColour(Qt::red).cacheKey(), icon.cacheKey());

        // Sharp on a screen at twice the density: twice the pixels, the same size.
        const QPixmap sharp = AppMark::render(2, Qt::red);
        QCOMPARE(sharp.deviceIndependentSize(), QSizeF(18, 18));
        QCOMPARE(sharp.toImage().pixelColor(18, 19).toRgb(), QColor(Qt::red));
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

    // The abstract socket namespace is shared by all users of the machine.
    void anotherUserIsNeitherAnsweredNorAsked() {
        if (getuid() != 0)
            QSKIP("plays the other user as nobody, which needs root");
        const QString name = u"harklet-test-peer-%1"_s.arg(getpid());
        const AbstractAddress address(name.toUtf8());
        {
            SingleInstance running(name, 2s);
            QCOMPARE(running.claim(), SingleInstance::Role::primary);
            QSignalSpy shown(&running, &SingleInstance::showRequested);
            // Another user asking it to show its panel is cut off without an answer.
            OtherUser asker([&](int report) {
                const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
                if (::connect(fd, address.get(), address.length) != 0) {
                    (void)!::write(report, "unreachable", 11);
                    return;
                }
                (void)!::write(fd, "show\n", 5);
                char answer[16];
                const ssize_t got = ::read(fd, answer, sizeof answer);
                (void)!::write(report, answer, size_t(qMax<ssize_t>(got, 0)));
            });
            QCOMPARE(asker.process().terminationSignal(10s), 0);
            QCOMPARE(asker.report(16), QByteArray());
            QCOMPARE(shown.size(), 0);
        }

        // Another user's process holding the name is not believed: this start runs on.
        OtherUser squatter([&](int report) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::bind(fd, address.get(), address.length) != 0 || ::listen(fd, 4) != 0)
                return;
            (void)!::write(report, "!", 1);
            for (;;) {
                const int peer = ::accept(fd, nullptr, nullptr);
                (void)!::write(peer, "shown\n", 6);
            }
        });
        QCOMPARE(squatter.report(1), "!"_ba);
        QCOMPARE(SingleInstance(name, 2s).claim(), SingleInstance::Role::primary);
    }

    void platformFailureNamesSessionAndPlugin_data() {
        QTest::addColumn<QProcessEnvironment>("env");
        QTest::addColumn<QString>("qtFailure");
        QTest::addColumn<QString>("message");
        const QString withoutWayland =
            u"This application failed to start because no Qt platform plugin could be "
            "initialized. Reinstalling the application may fix this problem.\n\nAvailable "
            "platform plugins are: eglfs, linuxfb, minimal, offscreen, vnc, xcb.\n\n"_s;
        const QString withWayland =
            QString(withoutWayland).replace(u"vnc, xcb"_s, u"vnc, wayland-egl, wayland, xcb"_s);
        const QString waylandMissing =
            u"Harklet found a Wayland session (WAYLAND_DISPLAY=wayland-1) but Qt's Wayland "
            "platform plugin is not installed (Debian package qt6-wayland).\n"_s;

        QTest::newRow("Wayland, plugin missing")
            << environment({{u"WAYLAND_DISPLAY"_s, u"wayland-1"_s}}) << withoutWayland
            << waylandMissing;
        QTest::newRow("Wayland unreachable")
            << environment({{u"WAYLAND_DISPLAY"_s, u"wayland-1"_s}}) << withWayland
            << u"Harklet found a Wayland session (WAYLAND_DISPLAY=wayland-1) but could not "
               "connect to it.\n"_s;
        QTest::newRow("Wayland plugin missing, X11 unreachable")
            << environment({{u"WAYLAND_DISPLAY"_s, u"wayland-1"_s}, {u"DISPLAY"_s, u":0"_s}})
            << withoutWayland
            << waylandMissing +
                   u"Harklet found an X11 session (DISPLAY=:0) but could not connect to it.\n"_s;
        QTest::newRow("no plugins listed at all")
            << environment({{u"DISPLAY"_s, u":1"_s}}) << u"Fatal"_s
            << u"Harklet found an X11 session (DISPLAY=:1) but Qt's X11 platform plugin is not "
               "installed (Debian package libqt6gui6).\n"_s;
        QTest::newRow("the user's choice")
            << environment({{u"QT_QPA_PLATFORM"_s, u"eglfs"_s}, {u"DISPLAY"_s, u":0"_s}})
            << withWayland << u"Harklet could not start with QT_QPA_PLATFORM=eglfs.\n"_s;
        QTest::newRow("no session") << environment({{u"DISPLAY"_s, u""_s}}) << withWayland
                                    << u"Harklet needs a graphical session (X11 or Wayland) "
                                       "and found none.\n"_s;
    }

    void platformFailureNamesSessionAndPlugin() {
        QFETCH(QProcessEnvironment, env);
        QFETCH(QString, qtFailure);
        QTEST(PlatformChoice::failureMessage(env, PlatformChoice::installedPlugins(qtFailure)),
              "message");
    }

    void waylandIsPreferredWhereThereIsOne_data() {
        QTest::addColumn<QProcessEnvironment>("env");
        QTest::addColumn<QString>("preferred");
        QTest::newRow("Wayland and Xwayland")
            << environment({{u"WAYLAND_DISPLAY"_s, u"wayland-0"_s}, {u"DISPLAY"_s, u":0"_s}})
            << u"wayland;xcb"_s;
        QTest::newRow("X11 only") << environment({{u"DISPLAY"_s, u":0"_s}}) << QString();
        QTest::newRow("the user chose") << environment({{u"WAYLAND_DISPLAY"_s, u"wayland-0"_s},
                                                        {u"QT_QPA_PLATFORM"_s, u"xcb"_s}})
                                        << QString();
    }

    void waylandIsPreferredWhereThereIsOne() {
        QFETCH(QProcessEnvironment, env);
        QTEST(PlatformChoice::preferred(env), "preferred");
    }

    // Starts of one desktop differ in their display variables (an autostarted process
    // may lack DISPLAY, a terminal has it; services of the user's systemd lack
    // XDG_SESSION_ID) but share the session bus; another session has a bus of its own,
    // even when its display sockets have the same names.
    void oneNamePerGraphicalSession() {
        PrivateBus mine, other;
        if (!mine.start() || !other.start())
            QSKIP("dbus-daemon could not start a session bus here");
        const auto on = [](const QString &bus, const QString &display, const QString &login) {
            return GraphicalSession::identity(environment({{u"DBUS_SESSION_BUS_ADDRESS"_s, bus},
                                                           {u"WAYLAND_DISPLAY"_s, u"wayland-1"_s},
                                                           {u"DISPLAY"_s, display},
                                                           {u"XDG_SESSION_ID"_s, login}}));
        };
        const QString terminal = on(mine.address, u":0"_s, u"3"_s);
        QVERIFY(terminal.startsWith(u"bus-"_s));
        QCOMPARE(on(mine.address, QString(), u"3"_s), terminal);
        QCOMPARE(on(mine.address, u":0"_s, QString()), terminal);
        QVERIFY(on(other.address, u":0"_s, u"3"_s) != terminal);

        // Without a bus: the login session, else the displays.
        const auto busless = [](const QString &display, const QString &login) {
            return GraphicalSession::identity(
                environment({{u"XDG_RUNTIME_DIR"_s, u"/nonexistent"_s},
                             {u"DISPLAY"_s, display},
                             {u"XDG_SESSION_ID"_s, login}}));
        };
        QCOMPARE(busless(u":0"_s, u"3"_s), busless(QString(), u"3"_s));
        QVERIFY(busless(u":0"_s, u"3"_s) != busless(u":0"_s, u"4"_s));
        QVERIFY(busless(u":0"_s, QString()) != busless(u":1"_s, QString()));
        // A bus address that answers nothing falls back too.
        QCOMPARE(on(u"unix:path=/nonexistent/bus"_s, u":0"_s, u"3"_s), busless(u":9"_s, u"3"_s));
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
        // The tray click that took the focus away arrives just after: it must not reopen...
        window.toggle(QRect());
        QVERIFY(!window.isVisible());
        // ...but a later click does.
        QTRY_VERIFY(window.isVisible() || (window.toggle(QRect()), window.isVisible()));
    }
};

QTEST_MAIN(ShellTest)
#include "tst_shell.moc"
