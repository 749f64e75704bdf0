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

Result<int> SpedCommand::run(const FiscalOptions &o) const
{
    const Result<LedgerRun> opened = openLedgerRun(o.db, o.saida);
    if (!opened)
        return Result<int>::failureOf(opened);
    LedgerSession &session = *opened.value().session;
    LedgerOutput &out = *opened.value().out;
    SpedWriter writer(out, o.cfop, o.cfopSt, exportNotice);
    // NRECFULTIMA: the number of the printer's last Z reduction in the period.
    const Result<qint64> read = exportLines(session, o, name(), QStringLiteral("reducoes-ecf"),
                                            QStringLiteral("impostos-ecf"), out,
                                            [&](const Reduction &r, const ReductionReader &reader) {
                                                return writer.reduction(r, reader.extra(0).toString());
                                            });
    if (!read)
        return Result<int>::failureOf(read);
    return Result<int>::of(exportStatus(o, read.value(), writer.leftOut(), name()));
}
