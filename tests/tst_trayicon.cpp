#include "shell/MenuBarIcon.h"
#include "shell/TrayContrast.h"
#include "shell/TrayIconColour.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QColor darkBar(0x1e, 0x1e, 0x1e), lightBar(0xf0, 0xf0, 0xf0);

// How many of the icon's pixels, drawn over the bar, stand out from it by 3:1 or more.
int pixelsAtThreeToOne(const QPixmap &icon, const QColor &bar) {
    QImage image(icon.size(), QImage::Format_RGB32);
    image.fill(bar);
    QPainter(&image).drawPixmap(0, 0, icon);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += TrayContrast::ratio(image.pixelColor(x, y), bar) >= 3;
    return count;
}

// Enough to be seen: the solid centre dot alone covers about this many at 16 px.
constexpr int visiblePixels = 12;

} // namespace

class TrayIconTest : public QObject {
    Q_OBJECT

private slots:
    void strokeStandsOutFromAnyBar_data() {
        QTest::addColumn<QColor>("bar");
        QTest::newRow("dark top bar") << darkBar;
        QTest::newRow("light tray") << lightBar;
        QTest::newRow("black") << QColor(Qt::black);
        QTest::newRow("white") << QColor(Qt::white);
        // Where light and dark strokes contrast least.
        for (int grey : {0x60, 0x70, 0x76, 0x80, 0x90, 0xa0})
            QTest::addRow("grey %02x", grey) << QColor(grey, grey, grey);
        for (const char *name :
             {"red", "lime", "blue", "yellow", "magenta", "cyan", "orange", "#3daee9", "#e95420"})
            QTest::newRow(name) << QColor::fromString(QLatin1String(name));
    }

    void strokeStandsOutFromAnyBar() {
        QFETCH(QColor, bar);
        const QColor stroke = TrayContrast::strokeFor(bar);
        QVERIFY2(TrayContrast::ratio(stroke, bar) >= 3,
                 qPrintable(stroke.name() + u" on "_s + bar.name()));
        for (int size : {16, 22, 24})
            QVERIFY(pixelsAtThreeToOne(MenuBarIcon::inColour(stroke).pixmap(size), bar) >=
                    visiblePixels);
    }

    // Before it docks, and on status-notifier hosts, whose bar nobody knows, the icon sends
    // the same pixmaps whatever the application's theme, and they read on dark and light bars.
    void undockedIconReadsOnBothBarsUnderAnyTheme_data() {
        QTest::addColumn<QColor>("themeText");
        QTest::newRow("dark theme") << QColor(Qt::white);
        QTest::newRow("light theme") << QColor(Qt::black);
    }

    void undockedIconReadsOnBothBarsUnderAnyTheme() {
        QFETCH(QColor, themeText);
        QPalette palette;
        palette.setColor(QPalette::WindowText, themeText);
        QGuiApplication::setPalette(palette);
        const QIcon icon = MenuBarIcon::inColour(TrayIconColour().stroke());
        QGuiApplication::setPalette(QPalette());

        QCOMPARE(icon.name(), MenuBarIcon::themeName);
        const QList<QSize> sizes = icon.availableSizes();
        QVERIFY(!sizes.isEmpty());
        for (const QSize size : sizes) {
            const QPixmap pixmap = icon.pixmap(size);
            QVERIFY(pixelsAtThreeToOne(pixmap, darkBar) >= visiblePixels);
            QVERIFY(pixelsAtThreeToOne(pixmap, lightBar) >= visiblePixels);
        }
    }

    void trayColourHint_data() {
        QTest::addColumn<QList<quint32>>("hint");
        QTest::addColumn<QColor>("foreground");
        const QList<quint32> rest(9, 0);
        QTest::newRow("light foreground")
            << (QList<quint32>{0xeeee, 0xeeee, 0xecec} + rest) << QColor(0xee, 0xee, 0xec);
        QTest::newRow("coloured foreground")
            << (QList<quint32>{0xffff, 0x8080, 0} + rest) << QColor(0xff, 0x80, 0);
        QTest::newRow("none") << QList<quint32>{} << QColor();
        QTest::newRow("foreground only") << QList<quint32>{0, 0, 0} << QColor();
        QTest::newRow("one too many") << QList<quint32>(13, 0) << QColor();
        QTest::newRow("channel beyond 16 bits")
            << (QList<quint32>{0x10000, 0, 0} + rest) << QColor();
    }

    void trayColourHint() {
        QFETCH(QList<quint32>, hint);
        QFETCH(QColor, foreground);
        QCOMPARE(TrayContrast::trayForeground(hint).value_or(QColor()), foreground);
    }

    // The cell as grabbed: the mark in the middle, a neighbour's edge touching one side.
    void barColourSeenAroundTheMark() {
        QImage cell(24, 24, QImage::Format_RGB32);
        cell.fill(darkBar);
        QPainter painter(&cell);
        painter.drawPixmap(0, 0, MenuBarIcon::inColour(Qt::white).pixmap(24));
        painter.fillRect(0, 4, 1, 10, Qt::yellow);
        painter.end();
        QCOMPARE(TrayContrast::barColour(cell), darkBar);
        QCOMPARE(TrayContrast::barColour(QImage()), std::nullopt);
    }
};

QTEST_MAIN(TrayIconTest)
#include "tst_trayicon.moc"
