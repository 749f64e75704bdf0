// Runs the benchmarks offscreen, then prints the figures side by side; the
// last line is the setRedZ / raw sqlite3 ratio.
#include "BenchSupport.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    return 0;
}
