#include "scan/PortScanner.h"

#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

using Entries = QList<PortEntry>;

// The parser's order is unspecified; compare as sets keyed by id.
static Entries byId(Entries entries) {
    std::sort(entries.begin(), entries.end(),
              [](const PortEntry &a, const PortEntry &b) { return a.id() < b.id(); });
    return entries;
}

class ParserTest : public QObject {
    Q_OBJECT

private slots:
    void parses_data();
    void parses();
    void numbers_data();
    void numbers();
};

void ParserTest::parses_data() {
    QTest::addColumn<QString>("output");
    QTest::addColumn<Entries>("expected");

    QTest::newRow("worked example")
        << u"p812\ncnode\nLdev\nf23\nn127.0.0.1:3000\nf24\nn[::1]:3000\n"
           u"f25\nn127.0.0.1:3000\np97\nclaunchd\nLroot\nf11\nn*:22\n"
           u"f12\nn*:*\np640\nf5\nn*:8000\nf6\nnlocalhost:4000\n"_s
        << Entries{{3000, 812, u"node"_s, u"dev"_s, {u"127.0.0.1"_s, u"[::1]"_s}},
                   {22, 97, u"launchd"_s, u"root"_s, {u"*"_s}},
                   {8000, 640, {}, {}, {u"*"_s}},
                   {4000, 640, {}, {}, {u"localhost"_s}}};
    QTest::newRow("only line feeds") << u"\n\n"_s << Entries{};
    QTest::newRow("socket before any process")
        << u"n127.0.0.1:9\n"_s << Entries{{9, 0, {}, {}, {u"127.0.0.1"_s}}};
    QTest::newRow("new process forgets command and login")
        << u"p1\ncnode\nLdev\nn*:1\np2\nn*:2\np3\ncruby\nn*:3\n"_s
        << Entries{{1, 1, u"node"_s, u"dev"_s, {u"*"_s}},
                   {2, 2, {}, {}, {u"*"_s}},
                   {3, 3, u"ruby"_s, {}, {u"*"_s}}};
    QTest::newRow("same port, two processes")
        << u"p1\nca\nLu\nn*:5000\np2\ncb\nLu\nn*:5000\n"_s
        << Entries{{5000, 1, u"a"_s, u"u"_s, {u"*"_s}}, {5000, 2, u"b"_s, u"u"_s, {u"*"_s}}};
    QTest::newRow("arrow uses last colon")
        << u"p1\nn127.0.0.1:3000->127.0.0.1:4000\n"_s
        << Entries{{4000, 1, {}, {}, {u"127.0.0.1:3000->127.0.0.1"_s}}};
    QTest::newRow("ipv6 keeps brackets")
        << u"p1\nn[fe80::1%lo]:631\n"_s << Entries{{631, 1, {}, {}, {u"[fe80::1%lo]"_s}}};
    QTest::newRow("skipped names")
        << u"p1\nn127.0.0.1:\nnnocolon\nn*:*\nn*: 80\nn*:80 \n"_s << Entries{};
    QTest::newRow("empty address") << u"p1\nn:8080\n"_s << Entries{{8080, 1, {}, {}, {QString()}}};
    QTest::newRow("carriage returns stay") << u"p1\ncnode\r\nLu\nn*:80\r\nn*:81\n"_s
                                           << Entries{{81, 1, u"node\r"_s, u"u"_s, {u"*"_s}}};
    QTest::newRow("wrong-case and unknown letters")
        << u"p1\ncnode\nLu\nP2\nCx\nlx\nN*:9\nf3\nt4\nn*:80\n"_s
        << Entries{{80, 1, u"node"_s, u"u"_s, {u"*"_s}}};
    QTest::newRow("command keeps spaces")
        << u"p1\nc my server \nLu\nn*:80"_s << Entries{{80, 1, u" my server "_s, u"u"_s, {u"*"_s}}};
    QTest::newRow("duplicate address stored once, order of first sight")
        << u"p1\ncx\nLu\nn[::1]:80\nn*:80\nn[::1]:80\n"_s
        << Entries{{80, 1, u"x"_s, u"u"_s, {u"[::1]"_s, u"*"_s}}};
    QTest::newRow("new address takes current command")
        << u"p1\ncold\nLu\nn*:80\ncnew\nn[::1]:80\n"_s
        << Entries{{80, 1, u"new"_s, u"u"_s, {u"*"_s, u"[::1]"_s}}};
    QTest::newRow("repeated address keeps first command")
        << u"p1\ncold\nLu\nn*:80\ncnew\nn*:80\n"_s << Entries{{80, 1, u"old"_s, u"u"_s, {u"*"_s}}};
    QTest::newRow("bad pids file under 0 and keep their sockets")
        << u"p5\ncnode\nLu\nn*:1\npabc\nn*:2\np12x\nn*:3\np6\nn*:4\np\nn*:5\np2147483648\nn*:6\n"_s
        << Entries{{1, 5, u"node"_s, u"u"_s, {u"*"_s}},
                   {2, 0, {}, {}, {u"*"_s}},
                   {3, 0, {}, {}, {u"*"_s}},
                   {4, 6, {}, {}, {u"*"_s}},
                   {5, 0, {}, {}, {u"*"_s}},
                   {6, 0, {}, {}, {u"*"_s}}};
}

void ParserTest::parses() {
    QFETCH(QString, output);
    QFETCH(Entries, expected);
    QCOMPARE(byId(PortScanner::parse(output)), byId(expected));
}

void ParserTest::numbers_data() {
    QTest::addColumn<QString>("pidText");
    QTest::addColumn<QString>("portText");
    QTest::addColumn<QString>("id"); // empty: the socket is skipped

    QTest::newRow("plain") << u"812"_s << u"3000"_s << u"812:3000"_s;
    QTest::newRow("signs") << u"+42"_s << u"+80"_s << u"42:80"_s;
    QTest::newRow("negative") << u"-7"_s << u"-1"_s << u"-7:-1"_s;
    QTest::newRow("leading zeros") << u"007"_s << u"08080"_s << u"7:8080"_s;
    QTest::newRow("pid at 32-bit max") << u"2147483647"_s << u"1"_s << u"2147483647:1"_s;
    QTest::newRow("pid at 32-bit min") << u"-2147483648"_s << u"1"_s << u"-2147483648:1"_s;
    QTest::newRow("pid below 32-bit min") << u"-2147483649"_s << u"1"_s << u"0:1"_s;
    QTest::newRow("port at 64-bit max")
        << u"1"_s << u"9223372036854775807"_s << u"1:9223372036854775807"_s;
    QTest::newRow("port at 64-bit min")
        << u"1"_s << u"-9223372036854775808"_s << u"1:-9223372036854775808"_s;
    QTest::newRow("port past 64-bit max") << u"1"_s << u"9223372036854775808"_s << QString();
    QTest::newRow("lone sign") << u"-"_s << u"+"_s << QString();
    QTest::newRow("double sign") << u"--1"_s << u"+-1"_s << QString();
    QTest::newRow("non-ASCII digits") << u"١"_s << u"８０"_s << QString();
}

void ParserTest::numbers() {
    QFETCH(QString, pidText);
    QFETCH(QString, portText);
    QFETCH(QString, id);
    const Entries entries = PortScanner::parse(u"p"_s + pidText + u"\nn*:"_s + portText + u'\n');
    QCOMPARE(entries.isEmpty(), id.isEmpty());
    if (!id.isEmpty())
        QCOMPARE(entries.first().id(), id);
}

QTEST_APPLESS_MAIN(ParserTest)
#include "tst_parser.moc"
