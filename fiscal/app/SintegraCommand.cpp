#include "SintegraCommand.h"
#include "ExportLines.h"
#include "SintegraWriter.h"

QList<LedgerOption> SintegraCommand::options() const
{
    return {{"db", true}, {"cdfilial", true}, {"de", true}, {"ate", true}, {"saida", false}};
}

QStringList SintegraCommand::help() const
{
    return {QStringLiteral("registros 60M e 60A (126 caracteres, ASCII, CR LF)."),
            QStringLiteral("sped e sintegra geram só a parte do ECF: outro sistema as junta ao"),
            QStringLiteral("arquivo completo, que ele mesmo completa e entrega.")};
}

Result<int> SintegraCommand::run(const FiscalOptions &o) const
{
    const Result<LedgerRun> opened = openLedgerRun(o.db, o.saida);
    if (!opened)
        return Result<int>::failureOf(opened);
    LedgerSession &session = *opened.value().session;
    LedgerOutput &out = *opened.value().out;
    SintegraWriter writer(out, exportNotice);
    const Result<qint64> read = exportLines(
        session, o, name(), QStringLiteral("reducoes-dia"), QStringLiteral("impostos-dia"), out,
        [&](const Reduction &r, const ReductionReader &) { return writer.reduction(r); });
    if (!read)
        return Result<int>::failureOf(read);
    return Result<int>::of(exportStatus(o, read.value(), writer.leftOut(), name()));
}
