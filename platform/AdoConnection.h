#pragma once
// The database connection of the module: a connection string, before- and
// after-connect events and its own in-transaction state (Qt SQL tells none).
// What differs from one database to another is its dialect's.
#include "ConnectionString.h"
#include "DatabaseDialect.h"
#include "ServerSession.h"
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
    // ReadOnly: the session only reads, and an embedded database file that
    // does not exist is an error, never created. Takes effect on the next open.
    enum class OpenMode { ReadWrite, ReadOnly };
    void setOpenMode(OpenMode mode) { m_openMode = mode; }
    OpenMode openMode() const { return m_openMode; }
    std::function<void(AdoConnection &)> beforeConnect;
    std::function<void(AdoConnection &)> afterConnect;

    bool inTransaction() const { return m_inTransaction; }
    void beginTrans();
    void commitTrans();
    void rollbackTrans();

    // The ways of the database: of the open session (through ODBC, the
    // database behind the driver), else of what the connection string names.
    const DatabaseDialect &dialect() const { return m_dialect; }
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
    // The last session opened, as its server knows it; kept after it closes,
    // so that a new session can wait for it to end (a lost commit's answer).
    const ServerSession &serverSession() const { return m_serverSession; }
    bool answerTimedOut() const { return *m_answerTimedOut; }
    // The last open gave up: connecting, the login or the driver's opening
    // statements took longer than the connection string's openingTimeoutMs().
    bool openingTimedOut() const { return *m_openingTimedOut; }
    // The answer time-out of the open session in milliseconds; 0 for none.
    qint64 answerTimeoutMs() const { return m_answerTimeoutMs; }

private:
    using TransactionStep = DatabaseDialect::TransactionStep;
    bool transactionStep(TransactionStep step, QSqlError *error);
    // The three steps of setting connected and back.
    void openDatabase(const ConnectionString &cs);
    bool openWatched(QSqlDatabase &db, const DatabaseDialect &named, const ConnectionString &cs);
    void configureSession(const ConnectionString &cs);
    void closeSession();

    QString m_name;
    QString m_connectionString;
    QString m_qtName;
    DatabaseDialect m_dialect;
    int m_socket = -1;
    int m_openedSocket = -1; // the socket the last open was found to open, when watched
    qint64 m_answerTimeoutMs = 0;
    std::shared_ptr<std::atomic_bool> m_answerTimedOut = std::make_shared<std::atomic_bool>(false);
    std::shared_ptr<std::atomic_bool> m_openingTimedOut = std::make_shared<std::atomic_bool>(false);
    ServerSession m_serverSession;
    OpenMode m_openMode = OpenMode::ReadWrite;
    bool m_inTransaction = false;
    int m_generation = 0;
    std::vector<SessionUser *> m_users;
};
