#include "panel/FilterMatch.h"

#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

PortEntry listener(qint64 port, const QString &command) {
    return {port, 100, command, u"alice"_s, {u"127.0.0.1"_s}};
}

} // namespace

class FilterTest : public QObject {
    Q_OBJECT

private slots:
    void apply_data();
    void apply();
};

void FilterTest::apply_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QList<PortEntry>>("entries");
    QTest::addColumn<QList<qint64>>("expected");

    const QList<PortEntry> mixed = {listener(8080, u"java"_s), listener(80, u"nginx"_s),
                                    listener(3000, u"node"_s), listener(3080, u"Node"_s)};
    QTest::newRow("empty keeps all in order")
        << QString() << mixed << QList<qint64>{8080, 80, 3000, 3080};
    QTest::newRow("spaces and tabs keep all")
        << u" \t "_s << mixed << QList<qint64>{8080, 80, 3000, 3080};
    QTest::newRow("trimmed, Unicode spaces too")
        << u"\u00a0\t3000\u2003"_s << mixed << QList<qint64>{3000};
    QTest::newRow("any case") << u"NODE"_s << mixed << QList<qint64>{3000, 3080};
    QTest::newRow("substring of ports") << u"80"_s << mixed << QList<qint64>{8080, 80, 3080};
    QTest::newRow("middle of command") << u"gin"_s << mixed << QList<qint64>{80};
    QTest::newRow("colon never in port text") << u":3000"_s << mixed << QList<qint64>{};
    QTest::newRow("line break not trimmed") << u"node\n"_s << mixed << QList<qint64>{};

    PortEntry inProject = listener(5173, u"node"_s);
    inProject.process = ProcessDetails{{}, {}, {}, u"Shop-Frontend"_s};
    QTest::newRow("project name") << u"front"_s
                                  << QList<PortEntry>{listener(3000, u"node"_s), inProject}
                                  << QList<qint64>{5173};

    const PortEntry other{443, 7, u"proxy"_s, u"webmaster"_s, {u"10.0.0.9"_s}};
    QTest::newRow("login ignored") << u"webmaster"_s << QList<PortEntry>{other} << QList<qint64>{};
    QTest::newRow("address ignored") << u"10.0"_s << QList<PortEntry>{other} << QList<qint64>{};
    QTest::newRow("pid ignored") << u"7"_s << QList<PortEntry>{other} << QList<qint64>{};

    const QList<PortEntry> accented = {listener(1, u"caf\u00e9"_s), listener(2, u"cafe\u0301"_s),
                                       listener(3, u"cafe"_s)};
    QTest::newRow("composed query") << u"caf\u00e9"_s << accented << QList<qint64>{1, 2};
    QTest::newRow("decomposed query") << u"cafe\u0301"_s << accented << QList<qint64>{1, 2};
    QTest::newRow("capital accented query") << u"CAF\u00c9"_s << accented << QList<qint64>{1, 2};
    QTest::newRow("base letter is not the accented one")
        << u"cafe"_s << accented << QList<qint64>{3};
}

void FilterTest::apply() {
    QFETCH(QString, filter);
    QFETCH(QList<PortEntry>, entries);
    QFETCH(QList<qint64>, expected);
    QList<qint64> kept;
    std::ranges::transform(::apply(filter, entries), std::back_inserter(kept), &PortEntry::port);
    QCOMPARE(kept, expected);
}

QTEST_GUILESS_MAIN(FilterTest)
#include "tst_filter.moc"
