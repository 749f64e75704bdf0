#pragma once
// Synthetic stored data for the fiscal ledger's benchmark: registers x years
// of Z reductions with four tax lines each, a cash movement a day, and the
// CAT-52 files of some registers, written in bulk (one transaction, prepared
// statements) into SQLite or PostgreSQL. Deterministic: both databases get
// the same rows.
#include <string>

namespace FiscalBenchData {

struct Size {
    int branches = 10;
    int registersPerBranch = 10;
    int firstYear = 2015;
    int years = 10;
    // Registers whose code is 001 keep their CAT-52 files; the others' printers make none.
    // When above zero, about one register-day in pendingEvery has its cash
    // movement and no Z reduction (a register still pending).
    int pendingEvery = 0;
};

struct Counts {
    long long reductions = 0;
    long long taxLines = 0;
    long long movements = 0;
    long long files = 0;
};

// Creates the tables (the schema file given) and fills them. Raises std::runtime_error.
Counts fillSqlite(const std::string &path, const std::string &schemaFile, const Size &size);
Counts fillPostgres(const std::string &conninfo, const std::string &schemaFile, const Size &size);

} // namespace FiscalBenchData
