#pragma once
// A statement run on the libpq connection under Qt's PostgreSQL driver, its
// parameters sent apart from the text and binary data as the bytes
// themselves. QPSQL writes every value into the statement text, binary data
// as an escaped literal twice its size that it converts twice more: fifteen
// times the data in memory for a large CAT-52 file, against about twice here.
#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlError>
#include <vector>

struct pg_conn; // libpq's PGconn

namespace PostgresDirect {

// The libpq session under Qt's PostgreSQL driver; none for another driver or
// a closed connection.
pg_conn *session(const QSqlDatabase &db);

struct Parameter {
    QByteArray value; // text in the session's encoding (UTF-8), or the bytes
    bool null = false;
    bool binary = false;
};

// Runs text ($1, $2... placeholders) on the connection's session, inside its
// open transaction if there is one. On success returns true and the rows it
// touched; on failure false and the error as QPSQL forms it (SQLSTATE as the
// native code).
bool execute(const QSqlDatabase &db, const QByteArray &text, const std::vector<Parameter> &parameters,
             int *rowsAffected, QSqlError *error);

} // namespace PostgresDirect
