#pragma once
// The host's own session on the central database, before the module opens its
// own: --init-db, and the schema of an SQLite database that has no tables yet.
// A failure is one line on the standard error that names the database without
// its credentials.
#include "ExitStatus.h"
#include <QString>
#include <optional>

namespace HostDatabase {

// An SQLite database in the user's data folder (the folder is created).
QString defaultConnectionString();

// Prepares the database for the module. The status the run ends with here
// (--init-db done, or the database could not be opened or prepared), or
// nothing when the module is to be called.
std::optional<ExitStatus> prepare(const QString &connectionString, bool initDb);

} // namespace HostDatabase
