#include "AdoConnection.h"
#include "AnswerWatchdog.h"
#include "Exception.h"
#include "SocketSnapshot.h"

#include <algorithm>
#include <mutex>

#include <QAtomicInt>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>

namespace {
QAtomicInt g_connectionSerial;

// Once the opening watch has shut the socket, the driver warns on the console
// of each opening statement that failed ("no connection to the server"): the
// operator reads the connection's own sentence instead. Only the warnings of
// the thread whose open gave up are kept off.
thread_local const std::atomic_bool *t_openingGaveUp = nullptr;
QtMessageHandler g_nextHandler = nullptr;

void quietAfterGivingUp(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && t_openingGaveUp && *t_openingGaveUp)
        return;
    g_nextHandler(type, context, message);
}

EDatabaseError connectionError(const QString &what, const QSqlError &error, const ConnectionString &cs)
{
    return EDatabaseError(
        cs.scrub(what + (error.text().trimmed().isEmpty() ? QString() : QStringLiteral(": ") + error.text())),
        error.nativeErrorCode(), cs.scrub(error.driverText()), cs.scrub(error.databaseText()),
        EDatabaseError::Kind::Connection);
}
// A transaction step that failed on an open session: never worded as a
// connection that could not be made.
EDatabaseError transactionError(const QString &what, const QSqlError &error, const ConnectionString &cs)
{
    return EDatabaseError(
        cs.scrub(what + (error.text().trimmed().isEmpty() ? QString() : QStringLiteral(": ") + error.text())),
        error.nativeErrorCode(), cs.scrub(error.driverText()), cs.scrub(error.databaseText()),
        EDatabaseError::Kind::Transaction);
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
    // Until the next connect, the string tells the database; the same string
    // keeps what its last session told.
    if (connectionString != m_connectionString)
        m_dialect = DatabaseDialect::of(ConnectionString::parse(connectionString));
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
        closeSession();
        return;
    }
    if (beforeConnect)
        beforeConnect(*this);
    const ConnectionString cs = ConnectionString::parse(m_connectionString);
    openDatabase(cs);
    configureSession(cs);
}

void AdoConnection::openDatabase(const ConnectionString &cs)
{
    if (!cs.isValid())
        throw EDatabaseError(
            QStringLiteral("Conexão com o banco de dados não configurada ou inválida: %1").arg(cs.error()), {}, {}, {},
            EDatabaseError::Kind::Connection);
    const DatabaseDialect named = DatabaseDialect::of(cs);
    const QString driverName = named.qtDriver();
    if (!QSqlDatabase::isDriverAvailable(driverName))
        throw EDatabaseError(QStringLiteral("Driver de banco de dados %1 não instalado").arg(driverName), {}, {}, {},
                             EDatabaseError::Kind::Connection);
    *m_answerTimedOut = false;
    *m_openingTimedOut = false;
    m_socket = -1;
    m_answerTimeoutMs = 0;
    if (QSqlDatabase::contains(m_qtName))
        QSqlDatabase::removeDatabase(m_qtName);
    m_qtName = QStringLiteral("kal-%1-%2").arg(m_name).arg(g_connectionSerial.fetchAndAddOrdered(1));
    QSqlDatabase db = QSqlDatabase::addDatabase(driverName, m_qtName);
    named.configure(db, cs, m_openMode == OpenMode::ReadOnly);
    if (!openWatched(db, named, cs)) {
        const QSqlError error = db.lastError();
        db.close();
        throw connectionError(QStringLiteral("Não foi possível conectar ao banco de dados"), error, cs);
    }
    m_dialect = named;
}

bool AdoConnection::openWatched(QSqlDatabase &db, const DatabaseDialect &named, const ConnectionString &cs)
{
    // libpq hands out the session's socket only after connecting, the login
    // and the driver's own opening statements, each of which may wait on a
    // server that stopped answering: the socket opened meanwhile is the one
    // to shut. One open at a time, so that it is this open's.
    m_openedSocket = -1;
    const quint16 port = named.serverPort(cs);
    const qint64 bound = port > 0 ? cs.openingTimeoutMs() : 0;
    if (bound <= 0)
        return db.open();
    static std::once_flag quiet;
    std::call_once(quiet, [] { g_nextHandler = qInstallMessageHandler(quietAfterGivingUp); });
    static std::mutex opening;
    const std::lock_guard<std::mutex> one(opening);
    const auto before = std::make_shared<const SocketSnapshot>(SocketSnapshot::take());
    const quint64 ticket = AnswerWatchdog::instance().arm([before, port] { return before->openedSince(port); }, bound,
                                                          m_openingTimedOut);
    t_openingGaveUp = m_openingTimedOut.get();
    const bool opened = db.open();
    t_openingGaveUp = nullptr;
    AnswerWatchdog::instance().disarm(ticket);
    // Through ODBC the driver never hands it out: the session's answers are
    // watched on the socket found here.
    if (opened)
        m_openedSocket = before->openedSince(port);
    // The driver takes a failed opening statement for a warning: a session
    // whose socket was shut is no session.
    return opened && !*m_openingTimedOut;
}

void AdoConnection::configureSession(const ConnectionString &cs)
{
    {
        // No copy of the database outlives this block: a session that fails
        // below is removed.
        const QSqlDatabase db = database();
        m_socket = m_dialect.attachSession(db);
        if (m_socket < 0)
            m_socket = m_openedSocket;
        if (m_socket >= 0)
            m_answerTimeoutMs = cs.answerTimeoutMs();
        m_dialect = m_dialect.behind(db);
    }
    m_inTransaction = false;
    ++m_generation;
    m_serverSession = {};
    try {
        // Only a session that writes can lose a commit's answer: a reader
        // (the ledger, the head-office view) is spared the round trip.
        if (m_openMode == OpenMode::ReadWrite)
            m_serverSession = ServerSession::of(*this);
        if (afterConnect)
            afterConnect(*this);
    } catch (...) {
        // A session that could not be prepared is not a usable connection.
        closeSession();
        throw;
    }
}

void AdoConnection::closeSession()
{
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
}

bool AdoConnection::noteFailure(const QSqlError &error)
{
    if (!connected() || !(answerTimedOut() || m_dialect.sessionLost(error)))
        return false;
    setConnected(false);
    return true;
}

QSqlError AdoConnection::nativeForm(const QSqlError &error, const QVariant &statementHandle) const
{
    if (statementHandle.isValid())
        return m_dialect.nativeForm(error, statementHandle, true);
    const QSqlDatabase db = database();
    return m_dialect.nativeForm(error, db.driver() ? db.driver()->handle() : QVariant(), false);
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
    const QString statement = m_dialect.transactionStatement(step);
    if (!statement.isEmpty()) {
        QSqlQuery query(db);
        if (query.exec(statement))
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
        throw transactionError(QStringLiteral("Não foi possível iniciar a transação"), error,
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
        const ConnectionString cs = ConnectionString::parse(m_connectionString);
        const QString what = QStringLiteral("Não foi possível confirmar a transação");
        // With the session gone the commit may have reached the server: the
        // caller must find out on a new session. The driver may have given
        // up the session itself: it is closed here all the same.
        const bool gone = answerTimedOut() || m_dialect.sessionLost(error);
        if (!noteFailure(error) && gone && QSqlDatabase::contains(m_qtName))
            closeSession();
        if (gone)
            throw ECommitUnanswered(cs.scrub(what + QStringLiteral(": ") + error.text()), error.nativeErrorCode(),
                                    cs.scrub(error.driverText()), cs.scrub(error.databaseText()),
                                    EDatabaseError::Kind::Transaction);
        throw transactionError(what, error, cs);
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
        throw transactionError(QStringLiteral("Não foi possível desfazer a transação"), error,
                               ConnectionString::parse(m_connectionString));
    }
}

void AdoConnection::execute(const QString &sql)
{
    QSqlError error;
    {
        // Nothing of the session is held past this block: a lost session
        // is closed below.
        QSqlQuery query(database());
        const AnswerWait wait(this);
        if (query.exec(sql))
            return;
        error = nativeForm(query.lastError(), query.result()->handle());
    }
    noteFailure(error);
    throw EDatabaseError(QStringLiteral("Erro ao executar comando: ") + error.text(), error.nativeErrorCode(),
                         error.driverText(), error.databaseText(), EDatabaseError::Kind::Statement);
}

AdoConnection::AnswerWait::AnswerWait(AdoConnection *connection)
{
    if (connection && connection->m_socket >= 0 && connection->m_answerTimeoutMs > 0 && connection->connected())
        m_ticket = AnswerWatchdog::instance().arm(connection->m_socket, connection->m_answerTimeoutMs,
                                                  connection->m_answerTimedOut);
}

AdoConnection::AnswerWait::~AnswerWait()
{
    if (m_ticket)
        AnswerWatchdog::instance().disarm(m_ticket);
}
