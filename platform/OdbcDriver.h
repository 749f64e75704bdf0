#pragma once
// What differs when the database is reached through Qt's ODBC driver: which
// database lies behind it, and its errors put in the form the native drivers
// give them, so that they are classified and worded alike.
#include "AdoConnection.h"
#include <QSqlDatabase>
#include <QSqlError>
#include <QVariant>

namespace OdbcDriver {

enum class HandleKind { Statement, Connection };

// The database behind an open ODBC connection: PostgreSQL as the driver
// names it, SQLite when it answers SQLite's own function.
AdoConnection::Dbms databaseBehind(const QSqlDatabase &db);

// The error as the database's native driver would report it: for PostgreSQL
// the SQLSTATE of the failed call (read from the handle's diagnostics) as the
// native code; for SQLite its extended result code, as QSQLITE reports it;
// the database's own words without the ODBC driver's decorations. handle is
// what QSqlResult::handle() or QSqlDriver::handle() returned for the call.
QSqlError nativeForm(const QSqlError &error, AdoConnection::Dbms dbms, const QVariant &handle, HandleKind kind);

} // namespace OdbcDriver
