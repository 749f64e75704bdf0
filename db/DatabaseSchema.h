#pragma once
// Prepares a back-office database of either kind for the Z-reduction module:
// the six tables it touches with the indexes of the fiscal ledger's reads,
// and demo reference data.
#include <QStringList>

class AdoConnection;

namespace DatabaseSchema {
// Creates the tables and indexes that are missing (the statements of the
// database behind the connection, natively or through ODBC).
void apply(AdoConnection &connection);
// The schema's indexes that the database does not have (by name).
QStringList missingIndexes(AdoConnection &connection);
// Creates those indexes and nothing else.
void applyIndexes(AdoConnection &connection);
// Drops the six tables.
void drop(AdoConnection &connection);
// Demo tax rates (ALIQIMPFIS), a first-coupon counter (NOVOCODIGO) and cash
// movements (MOVCAIXA) of branch 0001, register 001.
void loadDemo(AdoConnection &connection);
// True when REDUCAOZ exists.
bool hasTables(AdoConnection &connection);
} // namespace DatabaseSchema
