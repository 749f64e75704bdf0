#include "Cat52ExportarCommand.h"
#include "Cat52Exporter.h"
#include "ExportLines.h"
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
    // Its report goes to the standard output: --saida is not one of its options.
    const Result<LedgerRun> opened = openLedgerRun(o.db, QString());
    if (!opened)
        return Result<int>::failureOf(opened);
    LedgerOutput &report = *opened.value().out;
    Progress progress(name());
    Cat52Exporter exporter(*opened.value().session, report, &progress);
    const Result<bool> complete = exporter.run(o.cdFilial, o.de, o.ate, o.pasta);
    if (!complete)
        return Result<int>::failureOf(complete);
    if (const Result<NoValue> written = report.commit(); !written)
        return Result<int>::failureOf(written);
    if (!complete.value())
        return Result<int>::of(CouldNotFinish);
    return Result<int>::of(exporter.divergent() > 0 ? AuditFoundErrors : Done);
}
