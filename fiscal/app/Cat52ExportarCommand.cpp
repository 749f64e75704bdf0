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

int Cat52ExportarCommand::run(const FiscalOptions &o) const
{
    LedgerSession session(o.db);
    LedgerOutput report{QString()};
    Progress progress(name());
    Cat52Exporter exporter(session, report, &progress);
    const bool complete = exporter.run(o.cdFilial, o.de, o.ate, o.pasta);
    report.commit();
    if (!complete)
        return CouldNotFinish;
    return exporter.divergent() > 0 ? AuditFoundErrors : Done;
}
