#pragma once
// A fresh database of the suite's backend, chosen by KAL_TEST_BACKEND:
// "sqlite" (a file in a temporary folder) or "postgresql" (the throwaway
// server that the test run started). A PostgreSQL suite without its server
// fails; it never skips.
#include "AdoConnection.h"
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

namespace TestDb {

QString backend();
bool isPostgres();

class Database {
public:
    Database(); // the six tables, empty
    ~Database();
    const QString &connectionString() const { return m_connectionString; }
    // A connection of the test's own, to prepare and inspect rows.
    AdoConnection &admin() { return *m_admin; }
    void exec(const QString &sql);
    int count(const QString &sqlCount); // SELECT COUNT(*) ...
    QVariant scalar(const QString &sql);
    QList<QVariantList> rows(const QString &sql);

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_connectionString;
    std::unique_ptr<AdoConnection> m_admin;
};

} // namespace TestDb
