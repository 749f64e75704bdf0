// Reading the tax-line packet, as the store does on every save: 8 lines, a
// typical day, and 100, a busy printer's day.
#include "BenchSupport.h"

#include "ClientDataSet.h"
#include "TestPackets.h"

#include <benchmark/benchmark.h>
#include <chrono>

namespace {

void BM_readTaxPacket(benchmark::State &state)
{
    const int lines = int(state.range(0));
    QList<PacketTaxLine> taxLines;
    for (int i = 0; i < lines; ++i)
        taxLines << PacketTaxLine{QStringLiteral("%1").arg(i % 100, 2, 10, QLatin1Char('0')), 7.0 + i, 100.0 + i,
                                  1.0 + i};
    const QVariant packet = taxLinePacket(taxLines, 40000);
    ClientDataSet dataset(QStringLiteral("cdsImpRed"));
    double us = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        dataset.setData(packet);
        us += std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(dataset.recordCount());
    }
    if (state.iterations() > 0)
        recordMean(QStringLiteral("tax packet read, %1 lines").arg(lines), us / double(state.iterations()));
}

} // namespace

BENCHMARK(BM_readTaxPacket)->Arg(8)->Arg(100)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
