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
    // The busy notice on a headless platform would fill the table with
    // "does not support raise()" notices.
    static QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &message) {
        if (message != QLatin1String("This plugin does not support raise()"))
            previous(type, context, message);
    });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    return 0;
}
