#pragma once
// The database connection of the module: a connection string, before- and
// after-connect events and its own in-transaction state (Qt SQL tells none).
#include "ConnectionString.h"
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <atomic>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

// What works on a connection's session and must let go of it in time: a
// prepared statement, before the session closes; and, when the connection
// itself goes first, it must forget the connection and never reach it again.
class SessionUser {
public:
    virtual void sessionClosing() = 0;
    virtual void connectionGone() = 0;

protected:
    ~SessionUser() = default;
};

class AdoConnection {
public:
    enum class Driver { None, SQLite, PostgreSQL, ODBC };
    // The database behind the driver: the same SQL, schema and error codes
    // whether it is reached natively or through ODBC.
    enum class Dbms { Unknown, SQLite, PostgreSQL };

    explicit AdoConnection(QString name);
    ~AdoConnection();
    AdoConnection(const AdoConnection &) = delete;
    AdoConnection &operator=(const AdoConnection &) = delete;

    const QString &name() const { return m_name; }
    QString connectionString() const { return m_connectionString; }
    void setConnectionString(const QString &connectionString);
    // The database named without credentials, for messages ("banco PostgreSQL
    // kal em db:5432"); see ConnectionString.h for the forms it takes.
    QString description() const;

    // Setting connected when closed runs beforeConnect, opens, then runs
    // afterConnect; when already open nothing happens. Raises EDatabaseError.
    bool connected() const;
    void setConnected(bool value);
    void open() { setConnected(true); }
    void close() { setConnected(false); }
    std::function<void(AdoConnection &)> beforeConnect;
    std::function<void(AdoConnection &)> afterConnect;

    bool inTransaction() const { return m_inTransaction; }
    void beginTrans();
    void commitTrans();
    void rollbackTrans();

    Driver driver() const { return m_driver; }
    Dbms dbms() const { return m_dbms; }
    // Grows with every successful open, so statements know to prepare again.
    int generation() const { return m_generation; }
    QSqlDatabase database() const;
    // Runs one statement without parameters (session set-up, schema).
    void execute(const QString &sql);

    // Statements on this connection let go of their prepared form before it
    // closes: a prepared statement outlives neither the session nor a
    // transaction that a failed clean-up would abort.
    void attach(SessionUser *user);
    void detach(SessionUser *user);

    // After a failed call: when the error says the server ended the session
    // (stopped, restarted, the session killed), the connection is closed, so
    // that the next connect opens a fresh session instead of finding this dead
    // one "already open". True when it did so.
    bool noteFailure(const QSqlError &error);

    // A failed call's error as the database's native driver reports it, so
    // that one classification serves every driver. statementHandle is the
    // failed call's QSqlResult::handle(), empty for the connection's own calls.
    QSqlError nativeForm(const QSqlError &error, const QVariant &statementHandle = {}) const;

    // A connection string as messages may name it: its description, which
    // never carries a credential (kept for callers that redacted strings).
    static QString redact(const QString &connectionString);

    // Around every wait for the server's answer (a statement, a commit...).
    // On PostgreSQL, when no answer comes within the connection string's
    // answerTimeoutMs() (a network that stopped forwarding, a server that
    // hangs), the session's socket is shut: the waiting call fails as a lost
    // session instead of waiting on, and answerTimedOut() tells why until the
    // next open. Elsewhere it does nothing.
    class AnswerWait {
    public:
        explicit AnswerWait(AdoConnection *connection); // none: nothing to watch
        ~AnswerWait();
        AnswerWait(const AnswerWait &) = delete;
        AnswerWait &operator=(const AnswerWait &) = delete;

    private:
        quint64 m_ticket = 0;
    };
    bool answerTimedOut() const { return *m_answerTimedOut; }
    // The answer time-out of the open session in milliseconds; 0 for none.
    qint64 answerTimeoutMs() const { return m_answerTimeoutMs; }

private:
    enum class TransactionStep { Begin, Commit, Rollback };
    bool transactionStep(TransactionStep step, QSqlError *error);

    QString m_name;
    QString m_connectionString;
    QString m_qtName;
    Driver m_driver = Driver::None;
    int m_socket = -1;
    qint64 m_answerTimeoutMs = 0;
    std::shared_ptr<std::atomic_bool> m_answerTimedOut = std::make_shared<std::atomic_bool>(false);
    Dbms m_dbms = Dbms::Unknown;
    bool m_inTransaction = false;
    int m_generation = 0;
    std::vector<SessionUser *> m_users;
};
