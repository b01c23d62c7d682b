#include "scan/CurrentUser.h"
#include "scan/PortEntry.h"

#include <QTest>

using namespace Qt::StringLiterals;

class PortEntryTest : public QObject {
    Q_OBJECT

private slots:
    void displayAddress_data();
    void displayAddress();
    void isSystem_data();
    void isSystem();
};

void PortEntryTest::displayAddress_data() {
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<QString>("shown");
    QTest::newRow("wildcard later wins")
        << QStringList{u"127.0.0.1"_s, u"*"_s} << u"all interfaces"_s;
    QTest::newRow("first otherwise") << QStringList{u"[::1]"_s, u"127.0.0.1"_s} << u"[::1]"_s;
    QTest::newRow("none") << QStringList{} << QString();
}

void PortEntryTest::displayAddress() {
    QFETCH(QStringList, addresses);
    QFETCH(QString, shown);
    QCOMPARE((PortEntry{1, 1, {}, {}, addresses}.displayAddress()), shown);
}

void PortEntryTest::isSystem_data() {
    const QString me = currentLoginName();
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("login");
    QTest::addColumn<bool>("system");
    QTest::newRow("own dev server") << u"node"_s << me << false;
    QTest::newRow("own socket, process unknown") << QString() << me << true;
    if (me.toUpper() != me)
        QTest::newRow("login differs in case") << u"node"_s << me.toUpper() << true;
    QTest::newRow("no login") << u"node"_s << QString() << true;
    const QString prefix = PortEntry::systemCommandPrefixes.first();
    QTest::newRow("the prefix itself") << prefix << me << true;
    QTest::newRow("prefix then more") << prefix + u"Helper"_s << me << true;
    QTest::newRow("prefix later in the name") << u"my-"_s + prefix << me << false;
    QTest::newRow("prefix is case-sensitive") << prefix.toUpper() << me << false;
    QTest::newRow("shorter than prefix") << prefix.chopped(1) << me << false;
}

void PortEntryTest::isSystem() {
    QFETCH(QString, command);
    QFETCH(QString, login);
    QFETCH(bool, system);
    const pid_t pid = command.isEmpty() ? 0 : 1;
    QCOMPARE((PortEntry{80, pid, command, login, {u"*"_s}}.isSystem()), system);
}

QTEST_APPLESS_MAIN(PortEntryTest)
#include "tst_portentry.moc"
