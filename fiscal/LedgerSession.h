#pragma once
// The ledger's own read-only session on the back-office database: the
// platform connection, the statement texts of the database's dialect, and a
// consistent view of the data (one snapshot) while a command reads it.
#include "FiscalExport.h"
#include "AdoConnection.h"
#include "Result.h"
#include <QString>
#include <memory>

class QSqlError;
class QSqlQuery;

class KALFISCAL_EXPORT LedgerSession {
public:
    // A read-only session, or why it could not be opened, worded for the
    // operator. The connection string is never part of a message.
    static Result<std::unique_ptr<LedgerSession>> open(const QString &connectionString);
    ~LedgerSession();
    LedgerSession(const LedgerSession &) = delete;
    LedgerSession &operator=(const LedgerSession &) = delete;

    AdoConnection &connection() { return m_connection; }
    const DatabaseDialect &dialect() const { return m_connection.dialect(); }

    // The text of one of the ledger's statements, in this database's dialect.
    // The texts are built into the library: one missing is a broken build,
    // raised as Exception.
    QString statement(const QString &name) const { return statementText(name, dialect()); }
    // The same for a dialect, without a session (the benchmark's baseline).
    static QString statementText(const QString &name, const DatabaseDialect &dialect);

    // Every query between these two sees the same data, even while registers
    // keep storing their days. Nested calls are counted.
    Result<NoValue> beginSnapshot();
    Result<NoValue> endSnapshot();
    bool inSnapshot() const { return m_snapshotDepth > 0; }

    // A name for a server-side cursor, unique in this session.
    QString nextCursorName();

    // Why a read of one of the ledger's statements failed, worded for the
    // operator (the database's cause, then its own words); a lost connection
    // is noted on the session.
    QString failure(const QString &what, const QString &statement, const QSqlQuery &query);
    QString failure(const QString &what, const QString &statement, const QSqlError &error);

private:
    LedgerSession() : m_connection(QStringLiteral("fiscal")) {}

    AdoConnection m_connection;
    int m_snapshotDepth = 0;
    int m_cursorSerial = 0;
};
