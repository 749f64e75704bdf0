#pragma once
// The files an SQLite database lives in: the file itself and its -wal, -shm
// and -journal companions. Nothing the ledger writes may land on one of
// them, whatever spelling of the path or link leads there.
#include "FiscalExport.h"
#include <QString>

namespace DatabaseFiles {

// The Portuguese sentence refusing `path` as a place to write when it is one
// of the files of the database the connection string names (the same file on
// disk, or for a companion not made yet, the same place); empty when it is
// none of them or the database is no local file.
KALFISCAL_EXPORT QString clash(const QString &path, const QString &connectionString);

// Where a write to `path` lands: its links followed, a dangling one too (a
// file replaced whole is written at the link's target), its folder without
// links, "." or "..".
KALFISCAL_EXPORT QString landing(const QString &path);

} // namespace DatabaseFiles
