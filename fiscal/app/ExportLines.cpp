#include "ExportLines.h"

#include <utility>

Result<LedgerRun> openLedgerRun(const QString &db, const QString &saida)
{
    Result<std::unique_ptr<LedgerSession>> session = LedgerSession::open(db);
    if (!session)
        return Result<LedgerRun>::failureOf(session);
    Result<std::unique_ptr<LedgerOutput>> out = LedgerOutput::create(saida);
    if (!out)
        return Result<LedgerRun>::failureOf(out);
    return Result<LedgerRun>::of({std::move(session.value()), std::move(out.value())});
}
