#pragma once
// A store's installation of the reference host in a folder of its own (see
// HostProcess): the two local parameter files of a printer of type 18 that
// generates its files, printer memories beside them; and a fresh database of
// the suite's backend with the store's reference data.
#include "AutomationDate.h"
#include "HostProcess.h"
#include "TestDatabase.h"
#include <QDir>
#include <gtest/gtest.h>
#include <memory>

class HostInstall : public ::testing::Test {
protected:
    void SetUp() override;

    void writeLocalFiles(const QString &printerType, const QString &generateFiles);
    // The printer's last reduction is of the given day; returns the memory's path.
    QString writePrinter(const QString &day, const QString &name = QStringLiteral("printer.json"));
    QStringList automaticCall(const QString &caixa, const QString &day, const QString &printer) const;

    std::unique_ptr<QProcess> start(const QStringList &arguments) { return installation.start(arguments); }
    HostRun finish(QProcess &process) { return HostProcess::finish(process); }
    HostRun run(const QStringList &arguments) { return installation.run(arguments); }

    // The host reads the machine's clock: the suite's days are counted from it.
    const QDate today = AutomationDate::currentDate();
    const QDate yesterday = today.addDays(-1);
    static QString text(const QDate &day) { return day.toString(QStringLiteral("dd/MM/yyyy")); }

    HostProcess installation;
    QDir dir; // the installation's program folder
    TestDb::Database db;
    QProcessEnvironment &environment = installation.environment;
};
