#include "AdoConnection.h"
#include "Exception.h"
#include "OdbcDriver.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include <QAtomicInt>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>

#include <libpq-fe.h>
#include <sys/socket.h>

namespace {
QAtomicInt g_connectionSerial;

// One thread for the whole process watches the calls that wait for a
// server's answer; when one waits past its bound, the session's socket is
// shut down, which wakes the waiting call with an error. The socket itself
// stays open (libpq owns it), so no other file can take its number meanwhile.
class AnswerWatchdog {
public:
    static AnswerWatchdog &instance()
    {
        static AnswerWatchdog watchdog;
        return watchdog;
    }

    quint64 arm(int socket, qint64 timeoutMs, std::shared_ptr<std::atomic_bool> timedOut)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_thread.joinable())
            m_thread = std::thread([this] { watch(); });
        const quint64 ticket = ++m_lastTicket;
        m_waits.emplace(ticket, Wait{socket, Clock::now() + std::chrono::milliseconds(timeoutMs), std::move(timedOut)});
        m_wake.notify_all();
        return ticket;
    }

    void disarm(quint64 ticket)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_waits.erase(ticket);
    }

    // The socket is about to be closed: its number may soon belong to
    // another file, which must never be shut down.
    void forget(int socket)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::erase_if(m_waits, [socket](const auto &wait) { return wait.second.socket == socket; });
    }

    ~AnswerWatchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    using Clock = std::chrono::steady_clock;
    struct Wait {
        int socket;
        Clock::time_point deadline;
        std::shared_ptr<std::atomic_bool> timedOut;
    };

    void watch()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stop) {
            if (m_waits.empty()) {
                m_wake.wait(lock);
                continue;
            }
            const auto first = std::min_element(m_waits.begin(), m_waits.end(), [](const auto &a, const auto &b) {
                return a.second.deadline < b.second.deadline;
            });
            // A copy: the wait may be disarmed, and its entry gone, meanwhile.
            const Clock::time_point deadline = first->second.deadline;
            if (Clock::now() < deadline) {
                m_wake.wait_until(lock, deadline);
                continue;
            }
            *first->second.timedOut = true;
            ::shutdown(first->second.socket, SHUT_RDWR);
            m_waits.erase(first);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<quint64, Wait> m_waits;
    quint64 m_lastTicket = 0;
    bool m_stop = false;
    std::thread m_thread;
};

// The server's notices ("NOTICE: relation ... already exists, skipping",
// "WARNING: there is no transaction in progress") would reach the console raw
// through libpq's default processor: nobody reads them there.
void ignoreNotice(void *, const char *) {}

// The server went away: the session is gone, whatever the client library
// still believes.
bool sessionLost(AdoConnection::Dbms dbms, const QSqlError &error)
{
    if (dbms != AdoConnection::Dbms::PostgreSQL)
        return false;
    const QString code = error.nativeErrorCode();
    if (code.startsWith(QLatin1String("08")) || code == QLatin1String("57P01") || code == QLatin1String("57P02")
        || code == QLatin1String("57P03"))
        return true;
    const QString text = error.databaseText() + QLatin1Char(' ') + error.driverText();
    return code.isEmpty()
           && (text.contains(QLatin1String("server closed the connection"))
               || text.contains(QLatin1String("no connection to the server"))
               || text.contains(QLatin1String("terminating connection"))
               || text.contains(QLatin1String("connection to server")));
}

AdoConnection::Dbms dbmsBehind(AdoConnection::Driver driver, const QSqlDatabase &db)
{
    switch (driver) {
    case AdoConnection::Driver::SQLite:
        return AdoConnection::Dbms::SQLite;
    case AdoConnection::Driver::PostgreSQL:
        return AdoConnection::Dbms::PostgreSQL;
    case AdoConnection::Driver::ODBC:
        return OdbcDriver::databaseBehind(db);
    case AdoConnection::Driver::None:
        break;
    }
    return AdoConnection::Dbms::Unknown;
}

EDatabaseError connectionError(const QString &what, const QSqlError &error, const ConnectionString &cs)
{
    return EDatabaseError(
        cs.scrub(what + (error.text().trimmed().isEmpty() ? QString() : QStringLiteral(": ") + error.text())),
        error.nativeErrorCode(), cs.scrub(error.driverText()), cs.scrub(error.databaseText()),
        EDatabaseError::Kind::Connection);
}
} // namespace

AdoConnection::AdoConnection(QString name)
    : m_name(std::move(name)),
      m_qtName(QStringLiteral("kal-%1-%2").arg(m_name).arg(g_connectionSerial.fetchAndAddOrdered(1)))
{
}

AdoConnection::~AdoConnection()
{
    // Whatever still works on this connection forgets it: a statement that
    // outlives it never reaches a connection that is gone.
    for (SessionUser *user : m_users) {
        user->sessionClosing();
        user->connectionGone();
    }
    m_users.clear();
    if (QSqlDatabase::contains(m_qtName)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_qtName, false);
            if (db.isOpen())
                db.close();
        }
        QSqlDatabase::removeDatabase(m_qtName);
    }
}

void AdoConnection::setConnectionString(const QString &connectionString)
{
    m_connectionString = connectionString;
}

QString AdoConnection::description() const
{
    return ConnectionString::parse(m_connectionString).description();
}

bool AdoConnection::connected() const
{
    return QSqlDatabase::contains(m_qtName) && QSqlDatabase::database(m_qtName, false).isOpen();
}

QSqlDatabase AdoConnection::database() const
{
    return QSqlDatabase::database(m_qtName, false);
}

void AdoConnection::setConnected(bool value)
{
    if (value == connected())
        return;
    if (!value) {
        // Statements are prepared again on the next open, which gets a driver
        // of its own: nothing left of this session can reach the next one.
        for (SessionUser *user : m_users)
            user->sessionClosing();
        if (m_socket >= 0)
            AnswerWatchdog::instance().forget(m_socket);
        {
            QSqlDatabase db = QSqlDatabase::database(m_qtName, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_qtName);
        m_inTransaction = false;
        m_socket = -1;
        return;
    }

    if (beforeConnect)
        beforeConnect(*this);

    const ConnectionString cs = ConnectionString::parse(m_connectionString);
    QString driverName;
    Driver driver = Driver::None;
    switch (cs.kind()) {
    case ConnectionString::Kind::SQLite:
        driverName = QStringLiteral("QSQLITE");
        driver = Driver::SQLite;
        break;
    case ConnectionString::Kind::PostgreSQL:
        driverName = QStringLiteral("QPSQL");
        driver = Driver::PostgreSQL;
        break;
    case ConnectionString::Kind::ODBC:
        driverName = QStringLiteral("QODBC");
        driver = Driver::ODBC;
        break;
    case ConnectionString::Kind::Invalid:
        throw EDatabaseError(
            QStringLiteral("Conexão com o banco de dados não configurada ou inválida: %1").arg(cs.error()), {}, {}, {},
            EDatabaseError::Kind::Connection);
    }
    if (!QSqlDatabase::isDriverAvailable(driverName))
        throw EDatabaseError(QStringLiteral("Driver de banco de dados %1 não instalado").arg(driverName), {}, {}, {},
                             EDatabaseError::Kind::Connection);

    *m_answerTimedOut = false;
    m_socket = -1;
    m_answerTimeoutMs = 0;
    {
        if (QSqlDatabase::contains(m_qtName))
            QSqlDatabase::removeDatabase(m_qtName);
        m_qtName = QStringLiteral("kal-%1-%2").arg(m_name).arg(g_connectionSerial.fetchAndAddOrdered(1));
        QSqlDatabase db = QSqlDatabase::addDatabase(driverName, m_qtName);
        if (driver == Driver::SQLite) {
            db.setDatabaseName(cs.sqlitePath());
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        } else if (driver == Driver::PostgreSQL) {
            db.setHostName(cs.host());
            db.setPort(cs.port());
            db.setUserName(cs.userName());
            db.setPassword(cs.password());
            db.setDatabaseName(cs.databaseName());
            // Connect time-out, keepalives and the session's lock, statement
            // and idle-in-transaction limits, from the string or by default.
            db.setConnectOptions(cs.postgresqlConnectOptions());
        } else {
            QString text = cs.odbcText();
            // SQLite's ODBC driver waits 100 s for a locked database unless
            // told otherwise: the same 5 s as natively.
            if (cs.odbcAttribute(QStringLiteral("Driver")).contains(QLatin1String("sqlite"), Qt::CaseInsensitive)
                && cs.odbcAttribute(QStringLiteral("Timeout")).isEmpty())
                text += (text.trimmed().endsWith(u';') ? QString() : QStringLiteral(";"))
                        + QStringLiteral("Timeout=5000");
            db.setDatabaseName(text);
        }
        if (!db.open()) {
            const QSqlError error = db.lastError();
            throw connectionError(QStringLiteral("Não foi possível conectar ao banco de dados"), error, cs);
        }
        if (driver == Driver::PostgreSQL) {
            const QVariant handle = db.driver()->handle();
            // QPSQL hands out its PGconn, registered under the struct's name.
            if (handle.isValid()
                && (qstrcmp(handle.typeName(), "PGconn*") == 0 || qstrcmp(handle.typeName(), "pg_conn*") == 0)) {
                PGconn *session = *static_cast<PGconn *const *>(handle.data());
                PQsetNoticeProcessor(session, &ignoreNotice, nullptr);
                m_socket = PQsocket(session);
                m_answerTimeoutMs = cs.answerTimeoutMs();
            }
        }
    }
    m_driver = driver;
    m_dbms = dbmsBehind(driver, database());
    m_inTransaction = false;
    ++m_generation;
    try {
        if (afterConnect)
            afterConnect(*this);
    } catch (...) {
        // A session that could not be prepared is not a usable connection.
        setConnected(false);
        throw;
    }
}

bool AdoConnection::noteFailure(const QSqlError &error)
{
    if (!connected() || !(answerTimedOut() || sessionLost(m_dbms, error)))
        return false;
    setConnected(false);
    return true;
}

QSqlError AdoConnection::nativeForm(const QSqlError &error, const QVariant &statementHandle) const
{
    if (m_driver != Driver::ODBC)
        return error;
    if (statementHandle.isValid())
        return OdbcDriver::nativeForm(error, m_dbms, statementHandle, OdbcDriver::HandleKind::Statement);
    const QSqlDatabase db = database();
    return OdbcDriver::nativeForm(error, m_dbms, db.driver() ? db.driver()->handle() : QVariant(),
                                  OdbcDriver::HandleKind::Connection);
}

void AdoConnection::attach(SessionUser *user)
{
    m_users.push_back(user);
}

void AdoConnection::detach(SessionUser *user)
{
    m_users.erase(std::remove(m_users.begin(), m_users.end(), user), m_users.end());
}

bool AdoConnection::transactionStep(TransactionStep step, QSqlError *error)
{
    QSqlDatabase db = database();
    if (m_driver == Driver::ODBC && m_dbms == Dbms::SQLite) {
        // SQLite's ODBC driver keeps a transaction flag of its own that an
        // automatic rollback of SQLite (a full disk) leaves set: its next
        // transaction would never begin and every statement would commit on
        // its own. SQLite's own statements, as QSQLITE sends them, keep none.
        static const char *const statements[] = {"BEGIN", "COMMIT", "ROLLBACK"};
        QSqlQuery query(db);
        if (query.exec(QLatin1String(statements[int(step)])))
            return true;
        *error = nativeForm(query.lastError(), query.result()->handle());
        return false;
    }
    const bool done = step == TransactionStep::Begin    ? db.transaction()
                      : step == TransactionStep::Commit ? db.commit()
                                                        : db.rollback();
    if (!done)
        *error = nativeForm(db.lastError());
    return done;
}

void AdoConnection::beginTrans()
{
    if (!database().isOpen())
        throw EDatabaseError(QStringLiteral("Conexão com o banco de dados fechada"), {}, {}, {},
                             EDatabaseError::Kind::Connection);
    const AnswerWait wait(this);
    QSqlError error;
    if (!transactionStep(TransactionStep::Begin, &error)) {
        noteFailure(error);
        throw connectionError(QStringLiteral("Não foi possível iniciar a transação"), error,
                              ConnectionString::parse(m_connectionString));
    }
    m_inTransaction = true;
}

void AdoConnection::commitTrans()
{
    const AnswerWait wait(this);
    QSqlError error;
    if (!transactionStep(TransactionStep::Commit, &error)) {
        // A failed commit leaves nothing open that we could still commit.
        QSqlError ignored;
        transactionStep(TransactionStep::Rollback, &ignored);
        m_inTransaction = false;
        noteFailure(error);
        throw connectionError(QStringLiteral("Não foi possível confirmar a transação"), error,
                              ConnectionString::parse(m_connectionString));
    }
    m_inTransaction = false;
}

void AdoConnection::rollbackTrans()
{
    m_inTransaction = false;
    const AnswerWait wait(this);
    QSqlError error;
    if (!transactionStep(TransactionStep::Rollback, &error)) {
        noteFailure(error);
        throw connectionError(QStringLiteral("Não foi possível desfazer a transação"), error,
                              ConnectionString::parse(m_connectionString));
    }
}

void AdoConnection::execute(const QString &sql)
{
    QSqlDatabase db = database();
    QSqlQuery query(db);
    const AnswerWait wait(this);
    if (!query.exec(sql)) {
        const QSqlError error = nativeForm(query.lastError(), query.result()->handle());
        query.finish();
        noteFailure(error);
        throw EDatabaseError(QStringLiteral("Erro ao executar comando: ") + error.text(), error.nativeErrorCode(),
                             error.driverText(), error.databaseText(), EDatabaseError::Kind::Statement);
    }
}

QString AdoConnection::redact(const QString &connectionString)
{
    return ConnectionString::parse(connectionString).description();
}

AdoConnection::AnswerWait::AnswerWait(AdoConnection *connection)
{
    if (connection && connection->m_driver == Driver::PostgreSQL && connection->m_socket >= 0
        && connection->m_answerTimeoutMs > 0 && connection->connected())
        m_ticket = AnswerWatchdog::instance().arm(connection->m_socket, connection->m_answerTimeoutMs,
                                                  connection->m_answerTimedOut);
}

AdoConnection::AnswerWait::~AnswerWait()
{
    if (m_ticket)
        AnswerWatchdog::instance().disarm(m_ticket);
}
