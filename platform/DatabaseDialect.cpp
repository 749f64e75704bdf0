#include "DatabaseDialect.h"
#include "AdoConnection.h"
#include "ConnectionString.h"
#include "Exception.h"
#include "OdbcDriver.h"
#include "PostgresDirect.h"
#include "SqliteDirect.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QTimeZone>
#include <QUrl>

#include <algorithm>
#include <iterator>

#include <cerrno>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

// How long SQLite waits for another process's lock, natively and through
// its ODBC driver, before it gives up: the operator is told the same.
constexpr int SqliteBusyMs = 5000;

// The server's notices ("NOTICE: relation ... already exists, skipping",
// "WARNING: there is no transaction in progress") would reach the console raw
// through libpq's default processor: nobody reads them there.
void ignoreNotice(void *, const char *) {}

// ---------------------------------------------------------------- session

struct SessionStatement {
    QString text;
    bool optional = false; // a refusal leaves the session as good
};

std::vector<SessionStatement> sqliteSession(DatabaseDialect::SessionUse use)
{
    const QString busy = QStringLiteral("PRAGMA busy_timeout = %1").arg(SqliteBusyMs);
    if (use == DatabaseDialect::SessionUse::ReadOnly)
        return {{busy}, {QStringLiteral("PRAGMA query_only = ON")}};
    // Some filesystems refuse WAL; the default journal serves as well.
    return {{QStringLiteral("PRAGMA foreign_keys = ON")}, {busy}, {QStringLiteral("PRAGMA journal_mode = WAL"), true}};
}

std::vector<SessionStatement> postgresqlSession(DatabaseDialect::SessionUse use, bool throughOdbc,
                                                const ConnectionString &cs)
{
    std::vector<SessionStatement> statements;
    // The ODBC driver sets the session's encoding itself and converts from
    // it: changed under it, texts would arrive garbled.
    if (!throughOdbc)
        statements.push_back({QStringLiteral("SET client_encoding TO 'UTF8'")});
    statements.push_back({QStringLiteral("SET DateStyle TO 'ISO, DMY'")});
    statements.push_back({QStringLiteral("SET standard_conforming_strings TO on")});
    // Date-times are bound as local time: the session must read them in the
    // process's zone, whatever the server's own.
    statements.push_back({DatabaseDialect::timeZoneStatement(QTimeZone::systemTimeZoneId(),
                                                             QDateTime::currentDateTime().offsetFromUtc())});
    // Natively the limits hold from the connect on (its options); through
    // ODBC they are set here, so that no wait of a run is endless either.
    if (throughOdbc)
        for (const char *limit : {"lock_timeout", "statement_timeout", "idle_in_transaction_session_timeout"})
            statements.push_back({QStringLiteral("SET %1 TO '%2'")
                                      .arg(QLatin1String(limit), cs.parameter(QLatin1String(limit)).remove(u' '))});
    if (use == DatabaseDialect::SessionUse::ReadOnly) {
        statements.push_back({QStringLiteral("SET default_transaction_read_only TO on")});
        // The ledger's reads go through its indexes, row by row: compiling a
        // statement (what the server does for one it estimates dear) costs
        // more than it saves (0.1 s of a night's audit of 500 branches).
        // A server too old to know the setting compiles nothing anyway.
        statements.push_back({QStringLiteral("SET jit TO off"), true});
    }
    return statements;
}

// ------------------------------------------------------------ the connect

// A quiet SQLite file on media it cannot be written to (a read-only share or
// disk, a copy in a locked folder): a reader cannot make the shared-memory
// file a WAL database needs, so it opens it as immutable, taking no locks.
// Never while a -wal, -shm or -journal file shows the database in use: those
// hold data the file does not, or a writer that may be at work.
bool onReadOnlyMedia(const QString &path)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return false;
    for (const char *companion : {"-shm", "-journal"})
        if (QFileInfo::exists(path + QLatin1String(companion)))
            return false;
    const QFileInfo wal(path + QStringLiteral("-wal"));
    if (wal.exists() && wal.size() > 0)
        return false;
    return ::access(QFile::encodeName(file.absolutePath()).constData(), W_OK) != 0;
}

// ------------------------------------------------------ errors through ODBC

// SQLite's ODBC driver gives the primary result code; QSQLITE gives the
// extended one, which alone tells a duplicate key from another constraint.
// SQLite words its messages in English only, so the text tells them apart.
QString sqliteExtendedCode(const QString &code, const QString &text)
{
    if (code != QLatin1String("19"))
        return code;
    static const struct {
        const char *words;
        const char *code;
    } constraints[] = {{"UNIQUE constraint failed", "2067"},
                       {"PRIMARY KEY constraint failed", "1555"},
                       {"FOREIGN KEY constraint failed", "787"},
                       {"NOT NULL constraint failed", "1299"},
                       {"CHECK constraint failed", "275"}};
    for (const auto &c : constraints)
        if (text.contains(QLatin1String(c.words), Qt::CaseInsensitive))
            return QLatin1String(c.code);
    return code;
}

// SQLite: "[SQLite]UNIQUE constraint failed: T.K (19)" -> "UNIQUE constraint failed: T.K"
// PostgreSQL: "ERROR: ...;\nError while executing the query" -> "ERROR: ..."
QString databaseWords(QString text, bool sqlite)
{
    static const QRegularExpression driverTag(QStringLiteral("^(\\[[^\\]]*\\])+\\s*"));
    static const QRegularExpression sqliteCode(QStringLiteral("\\s*\\(\\d+\\)\\s*$"));
    static const QRegularExpression psqlodbcTail(QStringLiteral(";?\\s*Error while executing the query\\s*$"));
    text.remove(driverTag);
    text.remove(sqlite ? sqliteCode : psqlodbcTail);
    return text.trimmed();
}

// psqlodbc passes the server's SQLSTATE on; its own failures carry ODBC's
// general states (HY000, S1000), which mean nothing as PostgreSQL codes.
// Among them a lost session is told by its words: ODBC names that 08S01.
// A session the server ended reaches it as 08S01 too, the server's 57P01
// left only in the server's words (in English unless the server is set to
// another language; then the operator reads the lost connection).
QString postgresqlCode(const QString &state, const QString &words)
{
    QString code = state;
    if (state.startsWith(QLatin1String("HY")) || state.startsWith(QLatin1String("S1"))) {
        code.clear();
        for (const char *lost : {"connection has been lost", "connection lost", "connection dead"})
            if (words.contains(QLatin1String(lost), Qt::CaseInsensitive))
                code = QStringLiteral("08S01");
    }
    if (code == QLatin1String("08S01")
        && words.contains(QLatin1String("terminating connection due to administrator command")))
        code = QStringLiteral("57P01");
    return code;
}

// ------------------------------------------------------------ error classes

using Class = DatabaseDialect::ErrorClass;

Class sqliteClass(const QString &nativeCode, const QString &lowerText)
{
    // SQLite's own words for SQLITE_FULL, where a driver passes no code
    // (QSQLITE's failed commit) or an I/O error's.
    if (lowerText.contains(QLatin1String("database or disk is full")))
        return Class::DiskFull;
    bool ok = false;
    const int code = nativeCode.toInt(&ok);
    if (!ok)
        return Class::Other;
    switch (code) {
    case 2067: // SQLITE_CONSTRAINT_UNIQUE
    case 1555: // SQLITE_CONSTRAINT_PRIMARYKEY
        return Class::Duplicate;
    case 787: // SQLITE_CONSTRAINT_FOREIGNKEY
        return Class::ForeignKey;
    case 1299: // SQLITE_CONSTRAINT_NOTNULL
        return Class::NotNull;
    case 275: // SQLITE_CONSTRAINT_CHECK
        return Class::Check;
    }
    switch (code & 0xff) { // the primary code of an extended one
    case 1:
        if (lowerText.contains(QLatin1String("no such table")))
            return Class::NoTable;
        if (lowerText.contains(QLatin1String("no such column")))
            return Class::NoColumn;
        return Class::Other;
    case 5:
    case 6:
        return Class::Busy;
    case 8:
        return Class::ReadOnly;
    case 11:
    case 26:
        return Class::Damaged;
    case 13:
        return Class::DiskFull;
    case 14:
        return Class::CannotOpen;
    case 19:
        return Class::Constraint;
    }
    return Class::Other;
}

// SQLSTATEs, the exact ones before the classes ("23", "22", "08") they belong to.
Class postgresqlClass(const QString &nativeCode, const QString &lowerText)
{
    const QString state = nativeCode.trimmed().toUpper();
    if (state == QLatin1String("57014"))
        return lowerText.contains(QLatin1String("statement timeout")) ? Class::StatementTimeout : Class::Cancelled;
    if (lowerText.contains(QLatin1String("password authentication failed")))
        return Class::LoginRefused;
    // A file the server could not write or extend for want of space, whatever
    // state the failed call carries (53100 itself below).
    if (lowerText.contains(QLatin1String("no space left on device")))
        return Class::DiskFull;
    static const struct {
        const char *state;
        Class cause;
    } states[] = {
        {"55P03", Class::LockTimeout},  {"25P03", Class::IdleInTransaction}, {"23505", Class::Duplicate},
        {"23503", Class::ForeignKey},   {"23502", Class::NotNull},           {"23514", Class::Check},
        {"23", Class::Constraint},      {"22001", Class::TooLong},           {"22003", Class::OutOfRange},
        {"22", Class::BadValue},        {"42P01", Class::NoTable},           {"42703", Class::NoColumn},
        {"28P01", Class::LoginRefused}, {"28000", Class::LoginRefused},      {"3D000", Class::NoDatabase},
        {"57P01", Class::SessionEnded}, {"57P02", Class::SessionEnded},      {"57P03", Class::NotAccepting},
        {"40001", Class::Conflict},     {"40P01", Class::Conflict},          {"25006", Class::ReadOnly},
        {"53100", Class::DiskFull},     {"08", Class::ConnectionFailed},
    };
    for (const auto &s : states) {
        const QLatin1String code(s.state);
        if (code.size() == 5 ? state == code : state.startsWith(code))
            return s.cause;
    }
    return Class::Other;
}

// A limit of the session as the operator reads it: "15 s", "500 ms".
QString limitText(qint64 ms)
{
    return ms % 1000 == 0 ? QStringLiteral("%1 s").arg(ms / 1000) : QStringLiteral("%1 ms").arg(ms);
}

// The limit a sentence names, in milliseconds.
qint64 limitMs(Class cause, const ConnectionString &cs)
{
    switch (cause) {
    case Class::Busy:
        return SqliteBusyMs;
    case Class::LockTimeout:
        return cs.milliseconds(QStringLiteral("lock_timeout"));
    case Class::StatementTimeout:
        return cs.milliseconds(QStringLiteral("statement_timeout"));
    case Class::IdleInTransaction:
        return cs.milliseconds(QStringLiteral("idle_in_transaction_session_timeout"));
    case Class::AnswerTimeout:
        return cs.answerTimeoutMs();
    case Class::OpeningTimeout:
        return cs.openingTimeoutMs();
    default:
        return 0;
    }
}

// An SQLite I/O error ("disk I/O error") whose system call failed for want
// of space: a full disk as well.
bool diskFullBeneath(const AdoConnection &connection)
{
    if (connection.dialect().name() != QLatin1String("sqlite"))
        return false;
    sqlite3 *session = SqliteDirect::session(connection.database());
    return session && (sqlite3_errcode(session) & 0xff) == SQLITE_IOERR && sqlite3_system_errno(session) == ENOSPC;
}

// The operator's sentence of each class. The driver's words follow where
// they name the table, key, column or server; not where the sentence already
// says all ("database is locked", "canceling statement due to lock timeout").
struct Sentence {
    Class cause;
    const char *text; // UTF-8; %1 the limit it names
    bool withDetail;
};

const Sentence Sentences[] = {
    {Class::Other, "Erro no banco de dados.", true},
    {Class::Duplicate, "Registro duplicado: já existe um registro com esta chave.", true},
    {Class::ForeignKey, "Registro relacionado inexistente ou ainda em uso (chave estrangeira).", true},
    {Class::NotNull, "Campo obrigatório não informado.", true},
    {Class::Check, "Valor não permitido por uma regra do banco de dados.", true},
    {Class::Constraint, "Gravação recusada por uma restrição do banco de dados.", true},
    {Class::TooLong, "Valor maior que o tamanho do campo.", true},
    {Class::OutOfRange, "Valor numérico fora do limite do campo.", true},
    {Class::BadValue, "Valor inválido para o campo.", true},
    {Class::NoTable, "Tabela não encontrada no banco de dados.", true},
    {Class::NoColumn, "Coluna não encontrada no banco de dados.", true},
    {Class::Busy, "Banco de dados ocupado por outro processo: a espera de %1 pela liberação terminou. Tente novamente.",
     false},
    {Class::ReadOnly, "Banco de dados somente para leitura: não é possível gravar.", false},
    {Class::Damaged, "Arquivo do banco de dados danificado ou inválido.", true},
    {Class::DiskFull, "Disco cheio: não há espaço para gravar no %1.", false},
    {Class::CannotOpen, "Não foi possível abrir o arquivo do banco de dados.", true},
    {Class::LockTimeout,
     "Tempo esgotado à espera de um bloqueio (lock_timeout de %1): outra sessão está usando os mesmos dados no "
     "banco de dados. Tente novamente.",
     false},
    {Class::StatementTimeout,
     "O servidor do banco de dados não concluiu o comando no tempo limite (statement_timeout de %1).", false},
    {Class::Cancelled, "Comando cancelado no servidor do banco de dados.", false},
    {Class::IdleInTransaction,
     "A sessão ficou parada dentro de uma transação além do limite (idle_in_transaction_session_timeout de %1) e "
     "o servidor a encerrou, desfazendo a transação.",
     false},
    {Class::AnswerTimeout,
     "Sem resposta do servidor do banco de dados em %1: a rede ou o servidor parou de responder e a operação foi "
     "abandonada.",
     false},
    {Class::LoginRefused, "Usuário ou senha do banco de dados recusados.", true},
    {Class::NoDatabase, "Banco de dados não encontrado no servidor.", true},
    {Class::SessionEnded, "A conexão foi encerrada pelo servidor do banco de dados.", true},
    {Class::NotAccepting, "O servidor do banco de dados não está aceitando conexões.", true},
    {Class::Conflict, "Conflito com outra transação no banco de dados. Tente novamente.", true},
    {Class::ConnectionFailed, "Não foi possível conectar ao banco de dados.", true},
    {Class::SessionDropped, "A conexão com o banco de dados caiu durante a operação.", true},
    {Class::OpeningTimeout,
     "Sem resposta do servidor do banco de dados em %1 ao abrir a sessão (conexão, login e comandos iniciais): a "
     "rede ou o servidor parou de responder.",
     false},
};

} // namespace

// ------------------------------------------------------------- the dialects

DatabaseDialect DatabaseDialect::of(const ConnectionString &cs)
{
    switch (cs.kind()) {
    case ConnectionString::Kind::SQLite:
        return sqlite();
    case ConnectionString::Kind::PostgreSQL:
        return postgresql();
    case ConnectionString::Kind::ODBC: {
        const QString driver = cs.odbcAttribute(QStringLiteral("Driver"));
        if (driver.contains(QLatin1String("postgres"), Qt::CaseInsensitive)
            || driver.contains(QLatin1String("psqlodbc"), Qt::CaseInsensitive))
            return {Database::PostgreSQL, Access::Odbc};
        if (driver.contains(QLatin1String("sqlite"), Qt::CaseInsensitive))
            return {Database::SQLite, Access::Odbc};
        return {Database::Unknown, Access::Odbc};
    }
    case ConnectionString::Kind::Invalid:
        break;
    }
    return {};
}

DatabaseDialect DatabaseDialect::sqlite()
{
    return {Database::SQLite, Access::Native};
}

DatabaseDialect DatabaseDialect::postgresql()
{
    return {Database::PostgreSQL, Access::Native};
}

QString DatabaseDialect::name() const
{
    switch (m_database) {
    case Database::SQLite:
        return QStringLiteral("sqlite");
    case Database::PostgreSQL:
        return QStringLiteral("postgresql");
    case Database::Unknown:
        break;
    }
    return {};
}

bool DatabaseDialect::isEmbedded() const
{
    return m_database == Database::SQLite;
}

QString DatabaseDialect::schemaLockStatement() const
{
    // A session-level advisory lock, bounded by the session's lock_timeout.
    if (m_database != Database::PostgreSQL)
        return {};
    return QStringLiteral("SELECT pg_advisory_lock(2700052)");
}

// ---------------------------------------------------------------- connect

QString DatabaseDialect::qtDriver() const
{
    if (m_access == Access::Odbc)
        return QStringLiteral("QODBC");
    if (m_access == Access::None)
        return {};
    return m_database == Database::SQLite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
}

void DatabaseDialect::configure(QSqlDatabase &db, const ConnectionString &cs, bool readOnly) const
{
    if (m_access == Access::Odbc) {
        QString text = cs.odbcText();
        auto add = [&text](const QString &attribute) {
            text += (text.trimmed().endsWith(u';') ? QString() : QStringLiteral(";")) + attribute;
        };
        // SQLite's ODBC driver waits 100 s for a locked database unless told
        // otherwise: the same wait as natively; a session that only reads
        // never creates a missing file.
        if (m_database == Database::SQLite && cs.odbcAttribute(QStringLiteral("Timeout")).isEmpty())
            add(QStringLiteral("Timeout=%1").arg(SqliteBusyMs));
        if (m_database == Database::SQLite && readOnly && cs.odbcAttribute(QStringLiteral("NoCreat")).isEmpty())
            add(QStringLiteral("NoCreat=1"));
        db.setDatabaseName(text);
        // The PostgreSQL driver hands ODBC's login time-out to libpq as its
        // connect_timeout: without it a server that accepts the connection
        // and never answers is waited for without end.
        if (m_database == Database::PostgreSQL)
            db.setConnectOptions(
                QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(cs.parameter(QStringLiteral("connect_timeout"))));
    } else if (m_database == Database::SQLite) {
        const bool immutable = readOnly && onReadOnlyMedia(cs.sqlitePath());
        db.setDatabaseName(immutable ? QStringLiteral("file:%1?mode=ro&immutable=1")
                                           .arg(QString::fromLatin1(QUrl::toPercentEncoding(cs.sqlitePath(), "/")))
                                     : cs.sqlitePath());
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(SqliteBusyMs)
                             + (readOnly ? QStringLiteral(";QSQLITE_OPEN_READONLY") : QString())
                             + (immutable ? QStringLiteral(";QSQLITE_OPEN_URI") : QString()));
    } else if (m_database == Database::PostgreSQL) {
        db.setHostName(cs.host());
        db.setPort(cs.port());
        db.setUserName(cs.userName());
        db.setPassword(cs.password());
        db.setDatabaseName(cs.databaseName());
        // Connect time-out, keepalives and the session's lock, statement
        // and idle-in-transaction limits, from the string or by default.
        db.setConnectOptions(cs.postgresqlConnectOptions());
    }
}

DatabaseDialect DatabaseDialect::behind(const QSqlDatabase &db) const
{
    if (m_access != Access::Odbc)
        return *this;
    if (db.driver() && db.driver()->dbmsType() == QSqlDriver::PostgreSQL)
        return {Database::PostgreSQL, Access::Odbc};
    QSqlQuery probe(db);
    if (probe.exec(QStringLiteral("SELECT sqlite_version()")) && probe.next())
        return {Database::SQLite, Access::Odbc};
    return *this;
}

quint16 DatabaseDialect::serverPort(const ConnectionString &cs) const
{
    if (m_database != Database::PostgreSQL)
        return 0;
    if (m_access == Access::Native)
        return quint16(cs.port());
    if (cs.odbcAttribute(QStringLiteral("Server")).isEmpty()
        && cs.odbcAttribute(QStringLiteral("Servername")).isEmpty())
        return 0;
    const QString port = cs.odbcAttribute(QStringLiteral("Port"));
    const uint value = port.isEmpty() ? 5432 : port.toUInt();
    return value <= 65535 ? quint16(value) : 0;
}

int DatabaseDialect::attachSession(const QSqlDatabase &db) const
{
    PGconn *session = readsInBatches() ? PostgresDirect::session(db) : nullptr;
    if (!session)
        return -1;
    PQsetNoticeProcessor(session, &ignoreNotice, nullptr);
    return PQsocket(session);
}

// ---------------------------------------------------------------- session

QStringList DatabaseDialect::sessionStatements(SessionUse use, const ConnectionString &cs) const
{
    std::vector<SessionStatement> statements;
    if (m_database == Database::SQLite)
        statements = sqliteSession(use);
    else if (m_database == Database::PostgreSQL)
        statements = postgresqlSession(use, m_access == Access::Odbc, cs);
    QStringList texts;
    for (const SessionStatement &s : statements)
        texts << s.text;
    return texts;
}

void DatabaseDialect::prepareSession(AdoConnection &connection, SessionUse use) const
{
    std::vector<SessionStatement> statements;
    if (m_database == Database::SQLite)
        statements = sqliteSession(use);
    else if (m_database == Database::PostgreSQL)
        statements = postgresqlSession(use, m_access == Access::Odbc,
                                       ConnectionString::parse(connection.connectionString()));
    for (const SessionStatement &s : statements) {
        try {
            connection.execute(s.text);
        } catch (const Exception &) {
            if (!s.optional)
                throw;
        }
    }
}

void DatabaseDialect::openForReading(AdoConnection &connection, const QString &connectionString)
{
    connection.setConnectionString(connectionString);
    connection.setOpenMode(AdoConnection::OpenMode::ReadOnly);
    connection.afterConnect = [](AdoConnection &c) { c.dialect().prepareSession(c, SessionUse::ReadOnly); };
    try {
        connection.open();
    } catch (const EDatabaseError &error) {
        const ConnectionString cs = ConnectionString::parse(connectionString);
        throw EDatabaseError(message(error, connection), error.nativeCode(), cs.scrub(error.driverText()),
                             cs.scrub(error.databaseText()), EDatabaseError::Kind::Connection);
    }
}

QString DatabaseDialect::timeZoneStatement(const QByteArray &zoneId, int offsetFromUtcSeconds)
{
    static const QRegularExpression ianaName(QStringLiteral("^[A-Za-z][A-Za-z0-9_+-]*(/[A-Za-z0-9_+-]+)*$"));
    const QString id = QString::fromLatin1(zoneId);
    if (ianaName.match(id).hasMatch() && QTimeZone::isTimeZoneIdAvailable(zoneId))
        return QStringLiteral("SET TIME ZONE '%1'").arg(id);
    const int minutes = std::abs(offsetFromUtcSeconds) / 60;
    return QStringLiteral("SET TIME ZONE INTERVAL '%1%2:%3' HOUR TO MINUTE")
        .arg(offsetFromUtcSeconds < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString DatabaseDialect::serverSessionStatement() const
{
    if (m_database != Database::PostgreSQL)
        return {};
    return QStringLiteral("SELECT pid, backend_start::text FROM pg_stat_activity WHERE pid = pg_backend_pid()");
}

QString DatabaseDialect::serverSessionStateStatement(qint64 id, const QString &started) const
{
    // started is the server's own text, checked to be a time stamp's.
    return QStringLiteral("SELECT state FROM pg_stat_activity WHERE pid = %1 AND backend_start = '%2'::timestamptz")
        .arg(id)
        .arg(started);
}

QString DatabaseDialect::endServerSessionStatement(qint64 id) const
{
    return QStringLiteral("SELECT pg_terminate_backend(%1)").arg(id);
}

// ----------------------------------------------------------- transactions

void DatabaseDialect::beginSnapshot(AdoConnection &connection) const
{
    switch (m_database) {
    case Database::PostgreSQL:
        connection.execute(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
        break;
    case Database::SQLite:
        connection.execute(QStringLiteral("BEGIN"));
        break;
    case Database::Unknown:
        connection.beginTrans();
        break;
    }
}

void DatabaseDialect::endSnapshot(AdoConnection &connection) const
{
    // Nothing was written: ending the read is all there is to do.
    if (m_database == Database::Unknown)
        connection.rollbackTrans();
    else
        connection.execute(QStringLiteral("ROLLBACK"));
}

QString DatabaseDialect::transactionStatement(TransactionStep step) const
{
    // SQLite's ODBC driver keeps a transaction flag of its own that an
    // automatic rollback of SQLite (a full disk) leaves set: its next
    // transaction would never begin and every statement would commit on its
    // own. SQLite's own statements, as QSQLITE sends them, keep none.
    if (m_database != Database::SQLite || m_access != Access::Odbc)
        return {};
    static const char *const statements[] = {"BEGIN", "COMMIT", "ROLLBACK"};
    return QLatin1String(statements[int(step)]);
}

bool DatabaseDialect::sendsBytesApart() const
{
    return readsInBatches();
}

QString DatabaseDialect::indexNamesStatement() const
{
    if (m_database == Database::SQLite)
        return QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index'");
    if (m_database == Database::PostgreSQL)
        return QStringLiteral("SELECT indexname FROM pg_indexes WHERE schemaname = current_schema()");
    return {};
}

bool DatabaseDialect::readsInBatches() const
{
    return m_database == Database::PostgreSQL && m_access == Access::Native;
}

// ----------------------------------------------------------------- errors

QSqlError DatabaseDialect::nativeForm(const QSqlError &error, const QVariant &handle, bool statementHandle) const
{
    if (m_access != Access::Odbc || !error.isValid())
        return error;
    const QString words = databaseWords(error.databaseText(), m_database == Database::SQLite);
    switch (m_database) {
    case Database::PostgreSQL: {
        // The server's SQLSTATE, as QPSQL reports it (and appends it to the
        // text). Without one, no code, as QPSQL gives none for its own.
        const QString state = postgresqlCode(OdbcDriver::sqlState(handle, statementHandle
                                                                              ? OdbcDriver::HandleKind::Statement
                                                                              : OdbcDriver::HandleKind::Connection),
                                             words);
        return QSqlError(error.driverText(), state.isEmpty() ? words : words + QStringLiteral("\n(%1)").arg(state),
                         error.type(), state);
    }
    case Database::SQLite:
        return QSqlError(error.driverText(), words, error.type(), sqliteExtendedCode(error.nativeErrorCode(), words));
    case Database::Unknown:
        break;
    }
    return QSqlError(error.driverText(), words, error.type(), error.nativeErrorCode());
}

bool DatabaseDialect::sessionLost(const QSqlError &error) const
{
    if (m_database != Database::PostgreSQL)
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

DatabaseDialect::ErrorClass DatabaseDialect::classify(const EDatabaseError &error) const
{
    const QString lowerText =
        (error.databaseText() + QLatin1Char(' ') + error.driverText() + QLatin1Char(' ') + error.message()).toLower();
    Class cause = Class::Other;
    if (m_database == Database::SQLite)
        cause = sqliteClass(error.nativeCode(), lowerText);
    else if (m_database == Database::PostgreSQL)
        cause = postgresqlClass(error.nativeCode(), lowerText);
    if (cause == Class::Other && error.kind() == EDatabaseError::Kind::Connection)
        cause = Class::ConnectionFailed;
    // A session that was open and died in a statement or a transaction step
    // had been connected: it is no connection that could not be made.
    if (cause == Class::ConnectionFailed
        && (error.kind() == EDatabaseError::Kind::Statement || error.kind() == EDatabaseError::Kind::Transaction))
        cause = Class::SessionDropped;
    return cause;
}

QString DatabaseDialect::sentence(ErrorClass cause, const ConnectionString &cs, bool *withDetail)
{
    const Sentence *found = std::find_if(std::begin(Sentences), std::end(Sentences),
                                         [cause](const Sentence &s) { return s.cause == cause; });
    if (found == std::end(Sentences))
        found = Sentences; // "Erro no banco de dados."
    if (withDetail)
        *withDetail = found->withDetail;
    QString text = QString::fromUtf8(found->text);
    // A full disk names the database whose disk it is.
    if (cause == ErrorClass::DiskFull)
        text = text.arg(cs.isValid() ? cs.description() : QStringLiteral("banco de dados"));
    else if (text.contains(QLatin1String("%1")))
        text = text.arg(limitText(limitMs(cause, cs)));
    return text;
}

QString DatabaseDialect::message(const Exception &error, const AdoConnection &connection)
{
    const ConnectionString cs = ConnectionString::parse(connection.connectionString());
    const auto *dbError = dynamic_cast<const EDatabaseError *>(&error);
    if (!dbError)
        return cs.scrub(error.message());
    // The session's socket was shut because the server's answer did not come.
    ErrorClass cause = connection.openingTimedOut()  ? ErrorClass::OpeningTimeout
                       : connection.answerTimedOut() ? ErrorClass::AnswerTimeout
                                                     : connection.dialect().classify(*dbError);
    if (cause == ErrorClass::Other && diskFullBeneath(connection))
        cause = ErrorClass::DiskFull;
    bool withDetail = true;
    QString text = sentence(cause, cs, &withDetail);
    // The database's own words on a second line, where they name the table,
    // key, column or server.
    QString detail = dbError->databaseText().simplified();
    if (detail.isEmpty())
        detail = dbError->driverText().simplified();
    if (detail.isEmpty())
        detail = dbError->message().simplified();
    // The server's context lines quote the statement ("LINE 1: PREPARE ..."):
    // no statement text reaches the operator.
    static const QRegularExpression statementText(QStringLiteral("\\s*\\b(LINE \\d+:|QUERY:|CONTEXT:|STATEMENT:).*$"));
    detail.remove(statementText);
    if (withDetail && !detail.isEmpty())
        text += QLatin1Char('\n') + detail;
    // A full disk is one sentence wherever it arises: the database's words,
    // if any, inside it.
    if (cause == ErrorClass::DiskFull && !detail.isEmpty())
        text = text.chopped(1) + QStringLiteral(" (%1).").arg(detail);
    return cs.scrub(text);
}
