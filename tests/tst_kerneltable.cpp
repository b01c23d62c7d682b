#include "OtherUser.h"
#include "scan/KernelListenerTable.h"
#include "scan/PortScanner.h"
#include "scan/SockDiagReply.h"
#include "store/PortsStore.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>

#include <arpa/inet.h>
#include <cstring>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Progress = SockDiagReply::Progress;

namespace {

const QString data = QStringLiteral(HARKLET_TEST_DATA) + u"/sockdiag/"_s;

QByteArray recorded(const QString &name) {
    QFile file(data + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

template <typename T> QByteArray bytesOf(const T &value) {
    return QByteArray(reinterpret_cast<const char *>(&value), sizeof value);
}

QByteArray padded(QByteArray bytes) {
    while (bytes.size() % 4)
        bytes.append('\0');
    return bytes;
}

// A netlink message; lengthChange lies about its length.
QByteArray message(quint16 type, const QByteArray &payload, int lengthChange = 0) {
    nlmsghdr header{};
    header.nlmsg_len = quint32(int(sizeof header + payload.size()) + lengthChange);
    header.nlmsg_type = type;
    header.nlmsg_flags = NLM_F_MULTI;
    return padded(bytesOf(header) + payload);
}

QByteArray attribute(quint16 type, const QByteArray &value, int lengthChange = 0) {
    rtattr header{};
    header.rta_len = quint16(int(sizeof header + value.size()) + lengthChange);
    header.rta_type = type;
    return padded(bytesOf(header) + value);
}

QByteArray listener(quint8 family, const char *address, quint16 port, quint32 inode,
                    const QByteArray &attributes = {}, quint8 state = TCP_LISTEN) {
    inet_diag_msg diag{};
    diag.idiag_family = family;
    diag.idiag_state = state;
    diag.id.idiag_sport = htons(port);
    inet_pton(family, address, diag.id.idiag_src);
    diag.idiag_uid = 1000;
    diag.idiag_inode = inode;
    return message(SOCK_DIAG_BY_FAMILY, bytesOf(diag) + attributes);
}

QByteArray done(int error = 0) {
    return message(NLMSG_DONE, bytesOf(error));
}

QByteArray errorMessage() {
    nlmsgerr error{};
    error.error = -EINVAL;
    return message(NLMSG_ERROR, bytesOf(error));
}

QStringList described(const QList<KernelSocket> &sockets) {
    QStringList out;
    for (const KernelSocket &s : sockets) {
        out << s.lsofAddress() + u':' + QString::number(s.port) + u" uid "_s +
                   QString::number(s.uid) + u" inode "_s + QString::number(s.inode);
    }
    out.sort();
    return out;
}

// What `ss -ltneH` lists, in the same words.
std::optional<QStringList> ssListeners() {
    QProcess ss;
    ss.start(u"ss"_s, {u"-ltneH"_s});
    if (!ss.waitForFinished(10000) || ss.exitCode() != 0)
        return std::nullopt;
    QStringList out;
    for (const QByteArray &line : ss.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 5)
            continue;
        const QByteArray local = fields[3];
        const qsizetype colon = local.lastIndexOf(':');
        QString address = QString::fromLatin1(local.left(colon));
        address.remove(QRegularExpression(u"%[^\\]]*"_s)); // an interface name, as in 127.0.0.53%lo
        if (address == u"0.0.0.0"_s || address == u"[::]"_s || address == u"*"_s)
            address = u"*"_s;
        else if (address.startsWith(u"[::ffff:"_s) && address.contains(u'.'))
            address = address.mid(8).chopped(1);
        QString uid = u"0"_s, inode;
        for (const QByteArray &field : fields) {
            if (field.startsWith("uid:"))
                uid = QString::fromLatin1(field.mid(4));
            else if (field.startsWith("ino:"))
                inode = QString::fromLatin1(field.mid(4));
        }
        out << address + u':' + QString::fromLatin1(local.mid(colon + 1)) + u" uid "_s + uid +
                   u" inode "_s + inode;
    }
    out.sort();
    return out;
}

KernelSocket socketAt(KernelSocket::Family family, const char *address, quint16 port,
                      uid_t uid = 0) {
    KernelSocket s;
    s.family = family;
    s.port = port;
    s.uid = uid;
    inet_pton(family == KernelSocket::Family::ipv4 ? AF_INET : AF_INET6, address, s.address.data());
    return s;
}

} // namespace

class KernelTableTest : public QObject {
    Q_OBJECT

private slots:
    void decodesRecordedReplies_data();
    void decodesRecordedReplies();
    void refusesMalformedReplies_data();
    void refusesMalformedReplies();
    void realTableMatchesSs();
    void mergeAddsWhatLsofCannotSee_data();
    void mergeAddsWhatLsofCannotSee();
    void anotherUsersListenerShowsItsOwner();
};

void KernelTableTest::decodesRecordedReplies_data() {
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<Progress>("progress");
    QTest::addColumn<QStringList>("sockets");
    const QStringList ipv4{u"*:2024 uid 0 inode 216"_s, u"127.0.0.1:42661 uid 0 inode 82004"_s};
    QTest::newRow("IPv6 part") << recorded(u"ipv6-listener.bin"_s) << Progress::more
                               << QStringList{u"[::1]:37353 uid 0 inode 82005"_s};
    QTest::newRow("both in one datagram")
        << recorded(u"ipv4-listeners.bin"_s) + recorded(u"ipv4-done.bin"_s) << Progress::done
        << ipv4;
    QTest::newRow("anything after the end is ignored")
        << recorded(u"ipv4-done.bin"_s) + QByteArray(7, '\xff') << Progress::done << QStringList{};
    QTest::newRow("empty") << QByteArray() << Progress::more << QStringList{};
    QTest::newRow("no-op and a socket in another state")
        << message(NLMSG_NOOP, {}) + listener(AF_INET, "10.0.0.1", 80, 7, {}, TCP_ESTABLISHED)
        << Progress::more << QStringList{};
    QTest::newRow("attributes, mapped IPv4")
        << listener(AF_INET6, "::ffff:127.0.0.1", 8080, 9,
                    attribute(INET_DIAG_SHUTDOWN, "\0"_ba) + attribute(INET_DIAG_MARK, "abcd"_ba))
        << Progress::more << QStringList{u"127.0.0.1:8080 uid 1000 inode 9"_s};
}

void KernelTableTest::decodesRecordedReplies() {
    QFETCH(QByteArray, datagram);
    QFETCH(Progress, progress);
    QFETCH(QStringList, sockets);
    QVERIFY(!recorded(u"ipv4-done.bin"_s).isEmpty());
    const SockDiagReply::Datagram decoded = SockDiagReply::decode(datagram);
    QCOMPARE(decoded.progress, progress);
    QCOMPARE(described(decoded.sockets), sockets);
}

void KernelTableTest::refusesMalformedReplies_data() {
    QTest::addColumn<QByteArray>("datagram");
    const QByteArray real = recorded(u"ipv4-listeners.bin"_s);
    const QByteArray good = listener(AF_INET, "127.0.0.1", 3000, 5);
    QTest::newRow("cut inside a header") << real.left(10);
    QTest::newRow("cut inside a message") << real.left(100);
    QTest::newRow("cut after a message") << real + done().left(8);
    QTest::newRow("length beyond the datagram") << message(SOCK_DIAG_BY_FAMILY, good.mid(16), 4);
    QTest::newRow("length shorter than a header") << message(NLMSG_NOOP, {}, -1);
    QTest::newRow("payload shorter than a socket")
        << message(SOCK_DIAG_BY_FAMILY, good.mid(16, 40));
    QTest::newRow("attribute beyond its message")
        << listener(AF_INET, "127.0.0.1", 80, 1, attribute(INET_DIAG_MARK, "abcd"_ba, 8));
    QTest::newRow("attribute of length zero")
        << listener(AF_INET, "127.0.0.1", 80, 1, attribute(INET_DIAG_MARK, "abcd"_ba, -8));
    QTest::newRow("half an attribute header") << listener(AF_INET, "127.0.0.1", 80, 1, "\x08\0"_ba);
    QTest::newRow("error message") << good + errorMessage();
    QTest::newRow("dump broke off") << good + done(-EINTR);
    QTest::newRow("overrun") << message(NLMSG_OVERRUN, {});
    QTest::newRow("unknown family") << good.left(16) + '\x01' + good.mid(17);
}

void KernelTableTest::refusesMalformedReplies() {
    QFETCH(QByteArray, datagram);
    const SockDiagReply::Datagram decoded = SockDiagReply::decode(datagram);
    QCOMPARE(decoded.progress, Progress::failed);
    QVERIFY(decoded.sockets.isEmpty());
}

void KernelTableTest::realTableMatchesSs() {
    QTcpServer ipv4, ipv6;
    QVERIFY(ipv4.listen(QHostAddress::LocalHost, 0));
    QVERIFY(ipv6.listen(QHostAddress::LocalHostIPv6, 0));
    const QString uid = QString::number(getuid());
    // Other programs may open or close listeners meanwhile: retry until two reads agree.
    QStringList table, ss;
    for (int attempt = 0; attempt < 10; ++attempt) {
        const auto before = KernelListenerTable::read();
        const auto listed = ssListeners();
        const auto after = KernelListenerTable::read();
        QVERIFY(before && after);
        QVERIFY2(listed, "ss -ltneH failed");
        table = described(*after);
        ss = *listed;
        if (described(*before) == table && table == ss)
            break;
    }
    QCOMPARE(table, ss);
    const auto own = [&](const QString &address, quint16 port) {
        const QString prefix = address + u':' + QString::number(port) + u" uid "_s + uid;
        return std::any_of(table.cbegin(), table.cend(),
                           [&](const QString &s) { return s.startsWith(prefix + u' '); });
    };
    QVERIFY(own(u"127.0.0.1"_s, ipv4.serverPort()));
    QVERIFY(own(u"[::1]"_s, ipv6.serverPort()));
}

void KernelTableTest::mergeAddsWhatLsofCannotSee_data() {
    using F = KernelSocket::Family;
    QTest::addColumn<QList<KernelSocket>>("table");
    QTest::addColumn<QStringList>("unattributed"); // port and addresses of each pid-0 entry
    QTest::newRow("IPv4 any is lsof's *")
        << QList{socketAt(F::ipv4, "0.0.0.0", 8000)} << QStringList{};
    QTest::newRow("IPv6 any is lsof's * too")
        << QList{socketAt(F::ipv6, "::", 8000)} << QStringList{};
    QTest::newRow("IPv6 in brackets") << QList{socketAt(F::ipv6, "::1", 3000)} << QStringList{};
    QTest::newRow("mapped IPv4 as lsof prints it")
        << QList{socketAt(F::ipv6, "::ffff:127.0.0.1", 3000)} << QStringList{};
    QTest::newRow("listed address, another port")
        << QList{socketAt(F::ipv4, "127.0.0.1", 3001)} << QStringList{u"3001 127.0.0.1"_s};
    QTest::newRow("* covers any address only")
        << QList{socketAt(F::ipv4, "10.1.2.3", 8000)} << QStringList{u"8000 10.1.2.3"_s};
    QTest::newRow("one entry per port")
        << QList{socketAt(F::ipv4, "0.0.0.0", 5432), socketAt(F::ipv6, "::", 5432),
                 socketAt(F::ipv6, "::1", 5432), socketAt(F::ipv4, "0.0.0.0", 22)}
        << QStringList{u"22 *"_s, u"5432 *,[::1]"_s};
}

void KernelTableTest::mergeAddsWhatLsofCannotSee() {
    QFETCH(QList<KernelSocket>, table);
    QFETCH(QStringList, unattributed);
    const QList<PortEntry> listing{{3000, 812, u"node"_s, u"dev"_s, {u"127.0.0.1"_s, u"[::1]"_s}},
                                   {8000, 813, u"python3"_s, u"dev"_s, {u"*"_s}}};
    const QList<PortEntry> merged = PortScanner::merge(listing, table);
    QCOMPARE(merged.mid(0, 2), listing);
    QStringList added;
    for (const PortEntry &e : merged.mid(2)) {
        QCOMPARE(e.pid, 0);
        QCOMPARE(e.command, QString());
        QCOMPARE(e.login, u"root"_s);
        QVERIFY(e.isSystem());
        added << QString::number(e.port) + u' ' + e.addresses.join(u',');
    }
    added.sort();
    QCOMPARE(added, unattributed);

    // An owner without a passwd entry is named by number, as lsof does.
    const KernelSocket stranger = socketAt(KernelSocket::Family::ipv4, "0.0.0.0", 9, 3999999);
    QCOMPARE(PortScanner::merge({}, {stranger}).value(0).login, u"3999999"_s);
}

void KernelTableTest::anotherUsersListenerShowsItsOwner() {
    if (getuid() != 0)
        QSKIP("starts a listener as nobody, which needs root");
    // Listens on 127.0.0.1 and reports its port.
    OtherUser nobody([](int report) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr *>(&address), length) != 0 || ::listen(fd, 1) ||
            ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return;
        const quint16 bound = ntohs(address.sin_port);
        if (::write(report, &bound, sizeof bound) != sizeof bound)
            return;
        for (;;)
            pause();
    });
    const QByteArray reported = nobody.report(sizeof(quint16));
    QCOMPARE(reported.size(), qsizetype(sizeof(quint16)));
    quint16 port = 0;
    std::memcpy(&port, reported.constData(), sizeof port);

    // lsof sees no process at all, the kernel's table is the real one.
    PortsStore::Sources sources;
    sources.lsof = [] {
        return PortScanner::scan(QStringLiteral(HARKLET_TEST_FAKES) + u"/counting"_s, 10s);
    };
    sources.kernelTable = KernelListenerTable::read;
    PortsStore store(sources, 1h, 1h);
    const PortEntry expected{port, 0, {}, u"nobody"_s, {u"127.0.0.1"_s}};
    QTRY_VERIFY_WITH_TIMEOUT(store.entries().contains(expected), 10000);
    QVERIFY(store.systemEntries().contains(expected));

    QCOMPARE(store.kill(expected, false), PortsStore::KillResult::failed);
    QCOMPARE(store.kill(expected, true), PortsStore::KillResult::failed);
    QTest::qWait(100);
    QCOMPARE(nobody.process().terminationSignal(0ms), -1); // still running
}

QTEST_GUILESS_MAIN(KernelTableTest)
#include "tst_kerneltable.moc"
