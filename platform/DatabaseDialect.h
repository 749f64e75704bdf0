#pragma once
// Each database's ways, in one place: which Qt driver reaches it and how it
// is set up before the connect; what lies behind an ODBC driver; how a fresh
// session is prepared (time zone, limits, string options); how a read-only
// snapshot starts and ends; what its error codes mean; and the operator's
// sentence for a database error, never showing a password. The rest of the
// system asks the dialect and never which database or driver it works with.
//
//   AdoConnection reader(QStringLiteral("leitura"));
//   DatabaseDialect::openForReading(reader, connectionString); // read-only session
//   reader.dialect().beginSnapshot(reader);                    // one consistent view
//   ... queries ...
//   reader.dialect().endSnapshot(reader);
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariant>

class AdoConnection;
class ConnectionString;
class EDatabaseError;
class Exception;
class QSqlDatabase;

class DatabaseDialect {
public:
    // What a session is for: the module stores days; the ledger and the
    // readers built on it (a report, a view on a hot standby) only read.
    enum class SessionUse { ReadWrite, ReadOnly };
    enum class TransactionStep { Begin, Commit, Rollback };
    // The causes of a database error that the operator is told apart.
    enum class ErrorClass {
        Other,
        Duplicate,
        ForeignKey,
        NotNull,
        Check,
        Constraint,
        TooLong,
        OutOfRange,
        BadValue,
        NoTable,
        NoColumn,
        Busy,
        ReadOnly,
        Damaged,
        DiskFull,
        CannotOpen,
        LockTimeout,
        StatementTimeout,
        Cancelled,
        IdleInTransaction,
        AnswerTimeout,
        LoginRefused,
        NoDatabase,
        SessionEnded,
        NotAccepting,
        Conflict,
        ConnectionFailed,
        SessionDropped,
        OpeningTimeout,
    };
    static constexpr int ErrorClassCount = int(ErrorClass::OpeningTimeout) + 1;

    DatabaseDialect() = default; // nothing known: no valid connection string
    // What a connection string names before the connect; an ODBC string by
    // the driver it names ("PostgreSQL Unicode", "SQLite3"...), a data
    // source name by nothing.
    static DatabaseDialect of(const ConnectionString &cs);
    // Each database reached natively (the benchmark's baselines).
    static DatabaseDialect sqlite();
    static DatabaseDialect postgresql();

    // The name under which statements and scripts in this database's own
    // form are kept ("sqlite", "postgresql"); empty when unknown.
    QString name() const;
    // A database in a local file of the store's own: the host lays its tables
    // out on first use.
    bool isEmbedded() const;
    // The statement that takes the one lock under which a schema is applied,
    // held until the session ends, so that sessions applying it at once wait
    // for each other; empty where the database needs none (SQLite writes one
    // at a time).
    QString schemaLockStatement() const;

    // ---- the connect
    // The Qt driver for the connection string's kind; empty when invalid.
    QString qtDriver() const;
    // Sets the connection up before it opens: file, server, credentials,
    // connect time-out, keepalives, the session's limits, the wait for a lock.
    void configure(QSqlDatabase &db, const ConnectionString &cs, bool readOnly = false) const;
    // The dialect of the open session: through ODBC, the database that
    // answers behind the driver (what the string named when it tells nothing).
    DatabaseDialect behind(const QSqlDatabase &db) const;
    // The server's TCP port whose socket a session opens, natively or
    // through the ODBC driver (its Port, else PostgreSQL's own), so that the
    // waits on it can be watched; 0 when none is known (SQLite, a data source
    // name, another database).
    quint16 serverPort(const ConnectionString &cs) const;
    // Once open: the server's notices kept off the console. The socket whose
    // answers may be watched (a libpq session), -1 for none.
    int attachSession(const QSqlDatabase &db) const;

    // ---- the session
    // The statements that prepare a fresh session for its use.
    QStringList sessionStatements(SessionUse use, const ConnectionString &cs) const;
    // Runs them on the open connection; raises EDatabaseError.
    void prepareSession(AdoConnection &connection, SessionUse use) const;
    // Sets the connection string, prepares every session it opens as a
    // read-only one and opens it. Raises EDatabaseError worded for the
    // operator, which never carries a password.
    static void openForReading(AdoConnection &connection, const QString &connectionString);
    // "SET TIME ZONE 'Area/City'" when the zone id is a usable IANA name, else
    // the fixed offset, e.g. "SET TIME ZONE INTERVAL '-03:00' HOUR TO MINUTE".
    static QString timeZoneStatement(const QByteArray &zoneId, int offsetFromUtcSeconds);

    // The statement that lists the names of the indexes of the session's
    // schema, one a row; empty when unknown.
    QString indexNamesStatement() const;

    // The statements that tell a session as the server knows it (one row:
    // an id and its start), whether it is still there (no row when gone; a
    // row whose first value is "idle" when outside a transaction), and end
    // it; empty where the database has no sessions of its own (SQLite).
    QString serverSessionStatement() const;
    QString serverSessionStateStatement(qint64 id, const QString &started) const;
    QString endServerSessionStatement(qint64 id) const;

    // ---- transactions
    // Every read between these two sees the same data, even while registers
    // keep storing their days: REPEATABLE READ READ ONLY on PostgreSQL
    // (natively and through ODBC), a read transaction on SQLite.
    void beginSnapshot(AdoConnection &connection) const;
    void endSnapshot(AdoConnection &connection) const;
    // The statement that takes a transaction step where the driver's own
    // calls must not (SQLite's ODBC driver); empty where they serve.
    QString transactionStatement(TransactionStep step) const;
    // Binary parameters sent apart from the text (PostgresDirect) and large
    // results read through server-side cursors, a batch at a time: both where
    // the client library is libpq.
    bool sendsBytesApart() const;
    bool readsInBatches() const;

    // ---- errors
    // A failed call's error as the database's native driver reports it, so
    // that one classification serves every driver. handle is the failed
    // call's QSqlResult::handle() (statement) or QSqlDriver::handle().
    QSqlError nativeForm(const QSqlError &error, const QVariant &handle, bool statementHandle) const;
    // The server ended the session (stopped, restarted, the session killed),
    // whatever the client library still believes.
    bool sessionLost(const QSqlError &error) const;
    ErrorClass classify(const EDatabaseError &error) const;
    // The operator's sentence for a class, in Portuguese; limits it names are
    // the connection string's. withDetail: whether the driver's words may
    // follow it (where they name the table, key, column or server).
    static QString sentence(ErrorClass cause, const ConnectionString &cs, bool *withDetail = nullptr);
    // The operator's message for an error on the connection: for a database
    // error its cause, and on a second line the driver's words where they
    // help; any other error in its own words. Never a password.
    static QString message(const Exception &error, const AdoConnection &connection);

private:
    enum class Database : quint8 { Unknown, SQLite, PostgreSQL };
    enum class Access : quint8 { None, Native, Odbc };
    DatabaseDialect(Database database, Access access) : m_database(database), m_access(access) {}

    Database m_database = Database::Unknown;
    Access m_access = Access::None;
};
