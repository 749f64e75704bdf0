#include "PostgresDirect.h"

#include <QSqlDriver>
#include <QVariant>

#include <libpq-fe.h>
#include <memory>

namespace PostgresDirect {

PGconn *session(const QSqlDatabase &db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    // QPSQL hands out its PGconn*, which the type system names after the struct.
    const QByteArrayView type(handle.typeName());
    if (!handle.isValid() || (type != "PGconn*" && type != "pg_conn*"))
        return nullptr;
    return *static_cast<PGconn *const *>(handle.constData());
}

namespace {
QSqlError failure(const QString &databaseText, const QString &state)
{
    // As QPSQL words it: the server's message with the SQLSTATE after it.
    return QSqlError(QStringLiteral("QPSQL: Unable to create query"),
                     state.isEmpty() ? databaseText : databaseText + QStringLiteral("(%1)").arg(state),
                     QSqlError::StatementError, state);
}
} // namespace

bool execute(const QSqlDatabase &db, const QByteArray &text, const std::vector<Parameter> &parameters,
             int *rowsAffected, QSqlError *error)
{
    PGconn *connection = session(db);
    if (!connection || PQstatus(connection) != CONNECTION_OK) {
        *error = failure(QStringLiteral("no connection to the server"), {});
        return false;
    }
    // What the driver's last statement left unread goes, as the driver
    // itself discards it before each statement it sends.
    while (PGresult *pending = PQgetResult(connection))
        PQclear(pending);
    std::vector<const char *> values;
    std::vector<int> lengths;
    std::vector<int> formats;
    values.reserve(parameters.size());
    lengths.reserve(parameters.size());
    formats.reserve(parameters.size());
    for (const Parameter &p : parameters) {
        values.push_back(p.null ? nullptr : p.value.constData());
        lengths.push_back(int(p.value.size()));
        formats.push_back(p.binary ? 1 : 0);
    }
    const std::unique_ptr<PGresult, decltype(&PQclear)> result(
        PQexecParams(connection, text.constData(), int(parameters.size()), nullptr, values.data(), lengths.data(),
                     formats.data(), 0),
        &PQclear);
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        const char *state = result ? PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
        *error = failure(QString::fromUtf8(result ? PQresultErrorMessage(result.get()) : PQerrorMessage(connection)),
                         QString::fromLatin1(state ? state : ""));
        return false;
    }
    *rowsAffected = QByteArray(PQcmdTuples(result.get())).toInt();
    return true;
}

} // namespace PostgresDirect
