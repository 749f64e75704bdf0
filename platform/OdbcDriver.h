#pragma once
// What ODBC itself tells of a failed call of Qt's ODBC driver, whatever
// database lies behind it: the SQLSTATE of its diagnostics. What the state
// and the words mean for each database is the dialect's (DatabaseDialect).
#include <QString>
#include <QVariant>

namespace OdbcDriver {

enum class HandleKind { Statement, Connection };

// SQLSTATE of the first diagnostic record the failed call left on its
// handle; empty when there is none. handle is what QSqlResult::handle() or
// QSqlDriver::handle() returned for the call.
QString sqlState(const QVariant &handle, HandleKind kind);

} // namespace OdbcDriver
