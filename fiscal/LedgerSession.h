#pragma once
// The ledger's own read-only session on the back-office database: the
// platform connection, the statement texts of the database's dialect, and a
// consistent view of the data (one snapshot) while a command reads it.
#include "FiscalExport.h"
#include "AdoConnection.h"
#include <QString>

class QSqlError;
class QSqlQuery;

class KALFISCAL_EXPORT LedgerSession {
public:
    // Opens a read-only session; raises EDatabaseError worded for the
    // operator. The connection string is never part of a message.
    explicit LedgerSession(const QString &connectionString);
    ~LedgerSession();
    LedgerSession(const LedgerSession &) = delete;
    LedgerSession &operator=(const LedgerSession &) = delete;

    AdoConnection &connection() { return m_connection; }
    const DatabaseDialect &dialect() const { return m_connection.dialect(); }

    // The text of one of the ledger's statements, in this database's dialect.
    QString statement(const QString &name) const { return statementText(name, dialect()); }
    // The same for a dialect, without a session (the benchmark's baseline).
    static QString statementText(const QString &name, const DatabaseDialect &dialect);

    // Every query between these two sees the same data, even while registers
    // keep storing their days. Nested calls are counted.
    void beginSnapshot();
    void endSnapshot();
    bool inSnapshot() const { return m_snapshotDepth > 0; }

    // A name for a server-side cursor, unique in this session.
    QString nextCursorName();

    // A failed read of one of the ledger's statements: EDatabaseError worded
    // for the operator (the database's cause, then its own words).
    [[noreturn]] void fail(const QString &what, const QString &statement, const QSqlQuery &query);
    [[noreturn]] void fail(const QString &what, const QString &statement, const QSqlError &error);

private:
    AdoConnection m_connection;
    int m_snapshotDepth = 0;
    int m_cursorSerial = 0;
};
