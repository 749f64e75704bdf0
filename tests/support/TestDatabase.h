#pragma once
// A fresh database of the suite's backend, chosen by KAL_TEST_BACKEND:
// "sqlite" (a file in a temporary folder) or "postgresql" (the throwaway
// server that the test run started), reached natively or, with "_odbc"
// after the name, through the ODBC driver of its Debian package by a
// DSN-less connection string. A PostgreSQL suite without its server fails;
// it never skips.
#include "AdoConnection.h"
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

namespace TestDb {

QString backend();
bool isPostgres(); // PostgreSQL behind the connection, natively or through ODBC
bool isOdbc();

class Database {
public:
    Database(); // the six tables, empty
    ~Database();
    // What the module and the host are given: an odbc: string on the ODBC
    // backends.
    const QString &connectionString() const { return m_connectionString; }
    // A native connection of the test's own, to prepare and inspect rows
    // apart from the driver under test.
    AdoConnection &admin() { return *m_admin; }
    void exec(const QString &sql);
    int count(const QString &sqlCount); // SELECT COUNT(*) ...
    QVariant scalar(const QString &sql);
    QList<QVariantList> rows(const QString &sql);

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_connectionString;
    QString m_nativeConnectionString;
    std::unique_ptr<AdoConnection> m_admin;
};

} // namespace TestDb
