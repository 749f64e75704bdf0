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

int SintegraCommand::run(const FiscalOptions &o) const
{
    LedgerSession session(o.db);
    LedgerOutput out(o.saida);
    SintegraWriter writer(out, exportNotice);
    const qint64 read = exportLines(session, o, name(), QStringLiteral("reducoes-dia"), QStringLiteral("impostos-dia"),
                                    out, [&](const Reduction &r, const ReductionReader &) { writer.reduction(r); });
    return exportStatus(o, read, writer.leftOut(), name());
}
