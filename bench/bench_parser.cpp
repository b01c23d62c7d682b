// Parser throughput on a listing of 10,000 listeners, shaped like real lsof output.
#include "scan/PortScanner.h"

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

static QString listing(int listeners) {
    QString out;
    for (int i = 0; i < listeners; ++i) {
        out += u'p' + QString::number(1000 + i) + u"\ncserver-"_s + QString::number(i) +
               u"\nLdeveloper\nf"_s + QString::number(20 + i % 7) + u"\nn127.0.0.1:"_s +
               QString::number(1024 + i) + u"\nf"_s + QString::number(21 + i % 7) + u"\nn[::1]:"_s +
               QString::number(1024 + i) + u'\n';
    }
    return out;
}

static void parseListing(benchmark::State &state) {
    const QString output = listing(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(PortScanner::parse(output));
    state.SetBytesProcessed(state.iterations() * output.toUtf8().size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(parseListing)->Arg(10'000)->Arg(100)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
