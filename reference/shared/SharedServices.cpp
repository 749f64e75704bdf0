#include "SharedServices.h"
#include "AdoConnection.h"
#include "ConnectionString.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "SharedServicesDetail.h"
#include "SharedServicesHost.h"
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>
#include <QWidget>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#ifndef KAL_VERSION
#define KAL_VERSION "1.0"
#endif

// ---------------------------------------------------------------- messages

void Mensagem(const QString &texto, const QString &titulo, const QString &flagSom, const QString &flagLog,
              TTipoMsg tipo, const QString &complemento, const QString &idEsquema, int codigo, ClientDataSet *dados)
{
    SharedServicesHost::MessageRequest request;
    request.text = texto;
    request.title = titulo;
    request.soundFlag = flagSom;
    request.logFlag = flagLog;
    request.kind = tipo;
    request.complement = complemento;
    request.schemaId = idEsquema;
    request.code = codigo;
    request.data = dados;
    SharedServicesHost::messagePresenter()(request);
}

// Server results: true, or the empty variant of a method without a value, is
// success; false and a text (the failure message of the method) are failures.
// A false is left to the caller to report; a failure text names the cause, so
// it is shown (when asked) before the caller's own "not saved" notice.
QVariant MensagemMetodo(const QVariant &resultado, bool mostraErro, int codigo, const QString &metodo,
                        const QString &unidade, const QString &chave, const QString &idEsquema)
{
    if (!resultado.isValid() || resultado.isNull())
        return QVariant(true);
    switch (resultado.typeId()) {
    case QMetaType::Bool:
        return QVariant(resultado.toBool());
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString text = resultado.toString();
        if (mostraErro && !EmptyString(text))
            Mensagem(text, QString(), QStringLiteral("N"), QStringLiteral("N"), tmErro, QString(), idEsquema, codigo,
                     nullptr);
        return QVariant(false);
    }
    default:
        // Automation booleans may travel as numbers: non-zero is true.
        return QVariant(resultado.toBool());
    }
}

// ---------------------------------------------------------- text utilities

QString MontaRodapeGeral(bool completo, const QString &codTela, const QString &flag)
{
    QString footer = codTela.toUpper() + QStringLiteral(" - v") + QStringLiteral(KAL_VERSION);
    if (completo)
        footer += QStringLiteral(" - ") + FormatSettings::dateToStr(AutomationDate::today());
    return footer;
}

QString Ajusta(const QString &texto, int largura)
{
    // Counters are plain digit texts; anything else cannot be widened safely.
    if (largura < 0 || texto.size() > largura)
        return QStringLiteral("ERRO");
    for (QChar c : texto) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return QStringLiteral("ERRO");
    }
    return QString(largura - texto.size(), QLatin1Char('0')) + texto;
}

bool EmptyString(const QString &texto)
{
    // Blanks and control characters alone count as empty, as a fixed-width
    // column padded with blanks holds nothing.
    return std::all_of(texto.begin(), texto.end(), [](QChar c) { return c.unicode() <= ' '; });
}

double Trunc2(double valor)
{
    if (!std::isfinite(valor))
        return valor;
    // Cut the shortest decimal text of the value, not its binary approximation:
    // 0.29 * 100 is 28.999..., and floor() would give 0.28.
    char buffer[400]; // the longest fixed text of a double is about 330 characters
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, valor, std::chars_format::fixed);
    if (ec != std::errc())
        return std::trunc(valor * 100.0) / 100.0;
    std::string_view text(buffer, size_t(end - buffer));
    const size_t dot = text.find('.');
    if (dot != std::string_view::npos && text.size() > dot + 3)
        text = text.substr(0, dot + 3);
    double result = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), result);
    return result == 0.0 ? 0.0 : result; // no negative zero from -0.001
}

// ------------------------------------------------------------- database

QString _GetStringConexKiv(const QString &chave)
{
    return SharedServicesHost::connectionString();
}

namespace SharedServicesDetail {

QString timeZoneStatement(const QByteArray &zoneId, int offsetFromUtcSeconds)
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

QStringList passwordsOf(const QString &connectionString)
{
    return ConnectionString::parse(connectionString).secrets();
}

QString scrubPasswords(QString text, const QString &connectionString)
{
    if (connectionString.isEmpty())
        return text;
    return ConnectionString::parse(connectionString).scrub(text);
}

} // namespace SharedServicesDetail

namespace {
void prepareSqliteSession(AdoConnection &connection)
{
    connection.execute(QStringLiteral("PRAGMA foreign_keys = ON"));
    connection.execute(QStringLiteral("PRAGMA busy_timeout = 5000"));
    try {
        connection.execute(QStringLiteral("PRAGMA journal_mode = WAL"));
    } catch (const Exception &) {
        // Some filesystems refuse WAL; the default journal serves as well.
    }
}

void preparePostgresqlSession(AdoConnection &connection)
{
    // The ODBC driver sets the session's encoding itself and converts from
    // it: changed under it, texts would arrive garbled.
    if (connection.driver() != AdoConnection::Driver::ODBC)
        connection.execute(QStringLiteral("SET client_encoding TO 'UTF8'"));
    connection.execute(QStringLiteral("SET DateStyle TO 'ISO, DMY'"));
    // Date-times are bound as local time: the session must read them in
    // the process's zone, whatever the server's own.
    connection.execute(SharedServicesDetail::timeZoneStatement(QTimeZone::systemTimeZoneId(),
                                                               QDateTime::currentDateTime().offsetFromUtc()));
}
} // namespace

// The session is prepared for the database behind the driver: through ODBC
// as natively.
void SetADODBSession(AdoConnection &connection)
{
    switch (connection.dbms()) {
    case AdoConnection::Dbms::SQLite:
        prepareSqliteSession(connection);
        break;
    case AdoConnection::Dbms::PostgreSQL:
        preparePostgresqlSession(connection);
        break;
    case AdoConnection::Dbms::Unknown:
        break;
    }
}

void TryConnect(AdoConnection &connection)
{
    try {
        connection.setConnected(true);
    } catch (const Exception &) {
        // Nothing waits for this result; the first statement reports a
        // connection that stayed closed.
    }
}

namespace {

// The operator's sentence for a database error, and whether the driver's own
// text may follow it: it does where it names the table, key, column or
// server; it does not where the sentence already says all ("database is
// locked", "canceling statement due to lock timeout").
struct Cause {
    QString text;
    bool withDetail = true;
};

Cause sqliteCause(const EDatabaseError &error, const QString &lowerText)
{
    bool ok = false;
    const int code = error.nativeCode().toInt(&ok);
    if (!ok)
        return {};
    switch (code) {
    case 2067: // SQLITE_CONSTRAINT_UNIQUE
    case 1555: // SQLITE_CONSTRAINT_PRIMARYKEY
        return {QStringLiteral("Registro duplicado: já existe um registro com esta chave.")};
    case 787: // SQLITE_CONSTRAINT_FOREIGNKEY
        return {QStringLiteral("Registro relacionado inexistente ou ainda em uso (chave estrangeira).")};
    case 1299: // SQLITE_CONSTRAINT_NOTNULL
        return {QStringLiteral("Campo obrigatório não informado.")};
    case 275: // SQLITE_CONSTRAINT_CHECK
        return {QStringLiteral("Valor não permitido por uma regra do banco de dados.")};
    }
    switch (code & 0xff) { // the primary code of an extended one
    case 1:
        if (lowerText.contains(QLatin1String("no such table")))
            return {QStringLiteral("Tabela não encontrada no banco de dados.")};
        if (lowerText.contains(QLatin1String("no such column")))
            return {QStringLiteral("Coluna não encontrada no banco de dados.")};
        return {};
    case 5:
    case 6:
        return {QStringLiteral("Banco de dados ocupado por outro processo: a espera de 5 s pela liberação "
                               "terminou. Tente novamente."),
                false};
    case 8:
        return {QStringLiteral("Banco de dados somente para leitura: não é possível gravar."), false};
    case 11:
    case 26:
        return {QStringLiteral("Arquivo do banco de dados danificado ou inválido.")};
    case 13:
        return {QStringLiteral("Disco cheio: não há espaço para gravar no banco de dados."), false};
    case 14:
        return {QStringLiteral("Não foi possível abrir o arquivo do banco de dados.")};
    case 19:
        return {QStringLiteral("Gravação recusada por uma restrição do banco de dados.")};
    }
    return {};
}

// A limit of the session as the operator reads it: "15 s", "500 ms".
QString limitText(const ConnectionString &cs, const QString &parameter)
{
    const qint64 ms = parameter == QLatin1String("answer") ? cs.answerTimeoutMs() : cs.milliseconds(parameter);
    return ms % 1000 == 0 ? QStringLiteral("%1 s").arg(ms / 1000) : QStringLiteral("%1 ms").arg(ms);
}

Cause postgresqlCause(const EDatabaseError &error, const QString &lowerText, const AdoConnection &connection)
{
    const ConnectionString cs = ConnectionString::parse(connection.connectionString());
    // The session's socket was shut because the server's answer did not come.
    if (connection.answerTimedOut())
        return {QStringLiteral("Sem resposta do servidor do banco de dados em %1: a rede ou o servidor parou de "
                               "responder e a operação foi abandonada.")
                    .arg(limitText(cs, QStringLiteral("answer"))),
                false};
    const QString state = error.nativeCode().trimmed().toUpper();
    if (state == QLatin1String("55P03"))
        return {QStringLiteral("Tempo esgotado à espera de um bloqueio (lock_timeout de %1): outra sessão está "
                               "usando os mesmos dados no banco de dados. Tente novamente.")
                    .arg(limitText(cs, QStringLiteral("lock_timeout"))),
                false};
    if (state == QLatin1String("57014")) {
        if (lowerText.contains(QLatin1String("statement timeout")))
            return {QStringLiteral("O servidor do banco de dados não concluiu o comando no tempo limite "
                                   "(statement_timeout de %1).")
                        .arg(limitText(cs, QStringLiteral("statement_timeout"))),
                    false};
        return {QStringLiteral("Comando cancelado no servidor do banco de dados."), false};
    }
    if (state == QLatin1String("25P03"))
        return {QStringLiteral("A sessão ficou parada dentro de uma transação além do limite "
                               "(idle_in_transaction_session_timeout de %1) e o servidor a encerrou, desfazendo a "
                               "transação.")
                    .arg(limitText(cs, QStringLiteral("idle_in_transaction_session_timeout"))),
                false};
    if (state == QLatin1String("23505"))
        return {QStringLiteral("Registro duplicado: já existe um registro com esta chave.")};
    if (state == QLatin1String("23503"))
        return {QStringLiteral("Registro relacionado inexistente ou ainda em uso (chave estrangeira).")};
    if (state == QLatin1String("23502"))
        return {QStringLiteral("Campo obrigatório não informado.")};
    if (state == QLatin1String("23514"))
        return {QStringLiteral("Valor não permitido por uma regra do banco de dados.")};
    if (state.startsWith(QLatin1String("23")))
        return {QStringLiteral("Gravação recusada por uma restrição do banco de dados.")};
    if (state == QLatin1String("22001"))
        return {QStringLiteral("Valor maior que o tamanho do campo.")};
    if (state == QLatin1String("22003"))
        return {QStringLiteral("Valor numérico fora do limite do campo.")};
    if (state.startsWith(QLatin1String("22")))
        return {QStringLiteral("Valor inválido para o campo.")};
    if (state == QLatin1String("42P01"))
        return {QStringLiteral("Tabela não encontrada no banco de dados.")};
    if (state == QLatin1String("42703"))
        return {QStringLiteral("Coluna não encontrada no banco de dados.")};
    if (state == QLatin1String("28P01") || state == QLatin1String("28000")
        || lowerText.contains(QLatin1String("password authentication failed")))
        return {QStringLiteral("Usuário ou senha do banco de dados recusados.")};
    if (state == QLatin1String("3D000"))
        return {QStringLiteral("Banco de dados não encontrado no servidor.")};
    if (state == QLatin1String("57P01") || state == QLatin1String("57P02"))
        return {QStringLiteral("A conexão foi encerrada pelo servidor do banco de dados.")};
    if (state == QLatin1String("57P03"))
        return {QStringLiteral("O servidor do banco de dados não está aceitando conexões.")};
    if (state == QLatin1String("40001") || state == QLatin1String("40P01"))
        return {QStringLiteral("Conflito com outra transação no banco de dados. Tente novamente.")};
    if (state == QLatin1String("25006"))
        return {QStringLiteral("Banco de dados somente para leitura: não é possível gravar.")};
    if (state == QLatin1String("53100"))
        return {QStringLiteral("Disco cheio: não há espaço para gravar no banco de dados.")};
    if (state.startsWith(QLatin1String("08")))
        return {QStringLiteral("Não foi possível conectar ao banco de dados.")};
    return {};
}

// The database is known once the connection has opened; before that (an
// error of the connect itself) the connection string tells it. Through ODBC
// the errors come in the native drivers' form (AdoConnection::nativeForm).
AdoConnection::Dbms dbmsOf(const AdoConnection &connection)
{
    if (connection.dbms() != AdoConnection::Dbms::Unknown)
        return connection.dbms();
    const ConnectionString cs = ConnectionString::parse(connection.connectionString());
    switch (cs.kind()) {
    case ConnectionString::Kind::SQLite:
        return AdoConnection::Dbms::SQLite;
    case ConnectionString::Kind::PostgreSQL:
        return AdoConnection::Dbms::PostgreSQL;
    case ConnectionString::Kind::ODBC: {
        // An ODBC string tells it by the driver it names ("PostgreSQL Unicode",
        // "SQLite3", or the library's path); a data source name tells nothing.
        const QString driver = cs.odbcAttribute(QStringLiteral("Driver"));
        if (driver.contains(QLatin1String("postgres"), Qt::CaseInsensitive)
            || driver.contains(QLatin1String("psqlodbc"), Qt::CaseInsensitive))
            return AdoConnection::Dbms::PostgreSQL;
        if (driver.contains(QLatin1String("sqlite"), Qt::CaseInsensitive))
            return AdoConnection::Dbms::SQLite;
        break;
    }
    case ConnectionString::Kind::Invalid:
        break;
    }
    return AdoConnection::Dbms::Unknown;
}

Cause databaseCause(const EDatabaseError &error, const AdoConnection &connection)
{
    const QString lowerText =
        (error.databaseText() + QLatin1Char(' ') + error.driverText() + QLatin1Char(' ') + error.message()).toLower();
    const AdoConnection::Dbms dbms = dbmsOf(connection);
    Cause cause;
    if (dbms == AdoConnection::Dbms::SQLite)
        cause = sqliteCause(error, lowerText);
    else if (dbms == AdoConnection::Dbms::PostgreSQL)
        cause = postgresqlCause(error, lowerText, connection);
    if (cause.text.isEmpty() && error.kind() == EDatabaseError::Kind::Connection)
        cause = {QStringLiteral("Não foi possível conectar ao banco de dados.")};
    if (cause.text.isEmpty())
        cause = {QStringLiteral("Erro no banco de dados.")};
    return cause;
}

} // namespace

QString ADOExceptionMessage(const Exception &error, AdoConnection &connection, const QString &complemento)
{
    QString text;
    if (const auto *dbError = dynamic_cast<const EDatabaseError *>(&error)) {
        const Cause cause = databaseCause(*dbError, connection);
        text = cause.text;
        // The database's own words on a second line, where they name the
        // table, key, column or server.
        QString detail = dbError->databaseText().simplified();
        if (detail.isEmpty())
            detail = dbError->driverText().simplified();
        if (detail.isEmpty())
            detail = dbError->message().simplified();
        if (cause.withDetail && !detail.isEmpty())
            text += QLatin1Char('\n') + detail;
    } else {
        text = error.message();
    }
    if (!complemento.isEmpty())
        text += QStringLiteral(" - ") + complemento;
    text = SharedServicesDetail::scrubPasswords(text, connection.connectionString());
    return SharedServicesDetail::scrubPasswords(text, SharedServicesHost::connectionString());
}

// ------------------------------------------------------------------ forms

void Trad(QWidget *form)
{
    // The reference package has no translation table: the captions stay as
    // designed, in Portuguese, and the form formats as a Brazilian one.
    if (form)
        form->setLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
}
