#include "Cat52ExportarCommand.h"
#include "Cat52Exporter.h"
#include "LedgerOutput.h"
#include "LedgerSession.h"
#include "Progress.h"

QList<LedgerOption> Cat52ExportarCommand::options() const
{
    return {{"db", true}, {"cdfilial", true}, {"de", true}, {"ate", true}, {"pasta", true}};
}

QStringList Cat52ExportarCommand::help() const
{
    return {QStringLiteral("grava na pasta os arquivos CAT-52 guardados, byte a byte, e confere cada um.")};
}

Result<int> Cat52ExportarCommand::run(const FiscalOptions &o) const
{
    const Result<std::unique_ptr<LedgerSession>> session = LedgerSession::open(o.db);
    if (!session)
        return Result<int>::failureOf(session);
    const Result<std::unique_ptr<LedgerOutput>> report = LedgerOutput::create(QString());
    if (!report)
        return Result<int>::failureOf(report);
    Progress progress(name());
    Cat52Exporter exporter(*session.value(), *report.value(), &progress);
    const Result<bool> complete = exporter.run(o.cdFilial, o.de, o.ate, o.pasta);
    if (!complete)
        return Result<int>::failureOf(complete);
    if (const Result<NoValue> written = report.value()->commit(); !written)
        return Result<int>::failureOf(written);
    if (!complete.value())
        return Result<int>::of(CouldNotFinish);
    return Result<int>::of(exporter.divergent() > 0 ? AuditFoundErrors : Done);
}
