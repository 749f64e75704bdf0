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
    const Result<std::unique_ptr<LedgerSession>> session = LedgerSession::open(o.db);
    if (!session)
        return Result<int>::failureOf(session);
    const Result<std::unique_ptr<LedgerOutput>> out = LedgerOutput::create(o.saida);
    if (!out)
        return Result<int>::failureOf(out);
    SintegraWriter writer(*out.value(), exportNotice);
    const Result<qint64> read = exportLines(
        *session.value(), o, name(), QStringLiteral("reducoes-dia"), QStringLiteral("impostos-dia"), *out.value(),
        [&](const Reduction &r, const ReductionReader &) { return writer.reduction(r); });
    if (!read)
        return Result<int>::failureOf(read);
    return Result<int>::of(exportStatus(o, read.value(), writer.leftOut(), name()));
}
