#pragma once
// Prepares a back-office database of either kind for the Z-reduction module:
// the six tables it touches, and demo reference data.
class AdoConnection;

namespace DatabaseSchema {
// Creates the tables that are missing (the statements of the database behind
// the connection, natively or through ODBC).
void apply(AdoConnection &connection);
// Drops the six tables.
void drop(AdoConnection &connection);
// Demo tax rates (ALIQIMPFIS), a first-coupon counter (NOVOCODIGO) and cash
// movements (MOVCAIXA) of branch 0001, register 001.
void loadDemo(AdoConnection &connection);
// True when REDUCAOZ exists.
bool hasTables(AdoConnection &connection);
} // namespace DatabaseSchema
