#pragma once
// A store's installation of the reference host in a folder of its own: the
// executable, the module beside it, the two local parameter files and a
// printer memory; and a fresh database of the suite's backend.
#include "TestDatabase.h"
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

struct HostRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class HostInstall : public ::testing::Test {
protected:
    void SetUp() override;

    void writeLocalFiles(const QString &printerType, const QString &generateFiles);
    // The printer's last reduction is of the given day; returns the memory's path.
    QString writePrinter(const QString &day, const QString &name = QStringLiteral("printer.json"));
    QStringList automaticCall(const QString &caixa, const QString &day, const QString &printer) const;

    std::unique_ptr<QProcess> start(const QStringList &arguments);
    HostRun finish(QProcess &process);
    HostRun run(const QStringList &arguments);

    QTemporaryDir dir;
    TestDb::Database db;
    QString host;
    QProcessEnvironment environment;
};
