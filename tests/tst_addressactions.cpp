#include "store/PortsStore.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

class AddressActionsTest : public QObject {
    Q_OBJECT

public slots:
    void openUrl(const QUrl &url) { m_opened << url; }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void opensAndCopiesLocalhost_data();
    void opensAndCopiesLocalhost();

private:
    QList<QUrl> m_opened;
};

void AddressActionsTest::initTestCase() {
    QDesktopServices::setUrlHandler(u"http"_s, this, "openUrl");
}

void AddressActionsTest::cleanupTestCase() {
    QDesktopServices::unsetUrlHandler(u"http"_s);
}

void AddressActionsTest::opensAndCopiesLocalhost_data() {
    QTest::addColumn<qint64>("port");
    QTest::addColumn<QString>("opened"); // empty: nothing can be opened
    QTest::addColumn<QString>("copied");
    QTest::newRow("dev server") << qint64(3000) << u"http://localhost:3000"_s
                                << u"localhost:3000"_s;
    // Malformed listings can carry ports no URL can hold.
    QTest::newRow("negative port") << qint64(-1) << QString() << u"localhost:-1"_s;
    QTest::newRow("port past 65535") << qint64(70000) << QString() << u"localhost:70000"_s;
}

void AddressActionsTest::opensAndCopiesLocalhost() {
    QFETCH(qint64, port);
    QFETCH(QString, opened);
    QFETCH(QString, copied);
    PortsStore store([] { return QtFuture::makeReadyFuture(PortScanner::Result{}); }, 1h, 1h);
    QTRY_VERIFY(!store.isScanning() && store.entries().isEmpty());
    const PortEntry entry{port, 42, u"node"_s, u"dev"_s, {u"*"_s}};

    auto *previous = new QMimeData;
    previous->setHtml(u"<b>old</b>"_s);
    previous->setData(u"application/x-other"_s, "x");
    QGuiApplication::clipboard()->setMimeData(previous);

    m_opened.clear();
    store.openInBrowser(entry);
    store.copyURL(entry);

    QCOMPARE(m_opened, opened.isEmpty() ? QList<QUrl>{} : QList<QUrl>{QUrl(opened)});
    const QMimeData *now = QGuiApplication::clipboard()->mimeData();
    QCOMPARE(now->text(), copied);
    QCOMPARE(now->formats(), QStringList{u"text/plain"_s}); // nothing of before survives
    QCOMPARE(store.lastError(), std::nullopt);
}

QTEST_MAIN(AddressActionsTest)
#include "tst_addressactions.moc"
