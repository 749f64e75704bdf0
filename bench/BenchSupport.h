#pragma once
#include <QString>

// Mean time of one call, in microseconds, recorded by each benchmark.
void recordMean(const QString &name, double micros);
// Peak memory growth while storing the large file, in bytes.
void recordPeak(const QString &name, double bytes, double fileBytes);
void printSummary();
