#include "OdbcDriver.h"

#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlQuery>

#include <sql.h>
#include <sqlext.h>

namespace OdbcDriver {

namespace {
// SQLSTATE of the first diagnostic record the failed call left on its handle.
QString sqlState(const QVariant &handle, HandleKind kind)
{
    if (!handle.isValid() || handle.metaType() != QMetaType::fromType<void *>())
        return {};
    SQLHANDLE h = *static_cast<const SQLHANDLE *>(handle.constData());
    if (!h)
        return {};
    SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    const SQLRETURN r = SQLGetDiagRec(kind == HandleKind::Statement ? SQL_HANDLE_STMT : SQL_HANDLE_DBC, h, 1, state,
                                      &native, nullptr, 0, &length);
    if (r != SQL_SUCCESS && r != SQL_SUCCESS_WITH_INFO)
        return {};
    return QString::fromLatin1(reinterpret_cast<const char *>(state)).trimmed();
}

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
QString databaseWords(QString text, AdoConnection::Dbms dbms)
{
    static const QRegularExpression driverTag(QStringLiteral("^(\\[[^\\]]*\\])+\\s*"));
    static const QRegularExpression sqliteCode(QStringLiteral("\\s*\\(\\d+\\)\\s*$"));
    static const QRegularExpression psqlodbcTail(QStringLiteral(";?\\s*Error while executing the query\\s*$"));
    text.remove(driverTag);
    if (dbms == AdoConnection::Dbms::SQLite)
        text.remove(sqliteCode);
    else
        text.remove(psqlodbcTail);
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
} // namespace

AdoConnection::Dbms databaseBehind(const QSqlDatabase &db)
{
    if (db.driver() && db.driver()->dbmsType() == QSqlDriver::PostgreSQL)
        return AdoConnection::Dbms::PostgreSQL;
    QSqlQuery probe(db);
    if (probe.exec(QStringLiteral("SELECT sqlite_version()")) && probe.next())
        return AdoConnection::Dbms::SQLite;
    return AdoConnection::Dbms::Unknown;
}

QSqlError nativeForm(const QSqlError &error, AdoConnection::Dbms dbms, const QVariant &handle, HandleKind kind)
{
    if (!error.isValid())
        return error;
    const QString words = databaseWords(error.databaseText(), dbms);
    switch (dbms) {
    case AdoConnection::Dbms::PostgreSQL: {
        // The server's SQLSTATE, as QPSQL reports it (and appends it to the
        // text). Without one, no code, as QPSQL gives none for its own.
        const QString state = postgresqlCode(sqlState(handle, kind), words);
        return QSqlError(error.driverText(), state.isEmpty() ? words : words + QStringLiteral("\n(%1)").arg(state),
                         error.type(), state);
    }
    case AdoConnection::Dbms::SQLite:
        return QSqlError(error.driverText(), words, error.type(), sqliteExtendedCode(error.nativeErrorCode(), words));
    case AdoConnection::Dbms::Unknown:
        break;
    }
    return QSqlError(error.driverText(), words, error.type(), error.nativeErrorCode());
}

} // namespace OdbcDriver
