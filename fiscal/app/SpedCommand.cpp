#include "SpedCommand.h"
#include "ExportLines.h"
#include "SpedWriter.h"

QList<LedgerOption> SpedCommand::options() const
{
    return {{"db", true},     {"cdfilial", true},    {"de", true},      {"ate", true},
            {"saida", false}, {"cfop", false, true}, {"cfop-st", false}};
}

QStringList SpedCommand::help() const
{
    return {QStringLiteral("linhas C400, C405, C420 e C490 do ECF no EFD ICMS/IPI (ISO-8859-1, CR LF).")};
}

int SpedCommand::run(const FiscalOptions &o) const
{
    LedgerSession session(o.db);
    LedgerOutput out(o.saida);
    SpedWriter writer(out, o.cfop, o.cfopSt, exportNotice);
    // NRECFULTIMA: the number of the printer's last Z reduction in the period.
    const qint64 read = exportLines(
        session, o, name(), QStringLiteral("reducoes-ecf"), QStringLiteral("impostos-ecf"), out,
        [&](const Reduction &r, const ReductionReader &reader) { writer.reduction(r, reader.extra(0).toString()); });
    return exportStatus(o, read, writer.leftOut(), name());
}
