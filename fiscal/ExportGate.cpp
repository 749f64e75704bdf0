#include "ExportGate.h"
#include "LedgerValues.h"
#include "ReductionRules.h"

namespace ExportGate {

bool validEcf(const QString &nrEcf)
{
    const qint64 n = LedgerValues::counter(nrEcf);
    return n >= 1 && n <= 999;
}

QString modelOf(const Reduction &r)
{
    return r.model.section(QLatin1Char('|'), 0, 0).trimmed();
}

QString refusal(const Reduction &r, Layout layout)
{
    if (!r.hasSerial())
        return QStringLiteral("sem número de série do ECF (SERIE_AUSENTE)");
    if (r.serial.trimmed().size() > SerialWidth)
        return QStringLiteral("com número de série de mais de %1 caracteres").arg(SerialWidth);
    if (!validEcf(r.nrEcf))
        return QStringLiteral("com número do ECF \"%1\" fora de 1 a 999 (ECF_INVALIDO)").arg(r.nrEcf.trimmed());
    if (!ReductionRules::zeroCounters(r).isEmpty())
        return QStringLiteral("com CRO, CRZ ou último cupom zerado ou vazio (CONTADOR_ZERO)");
    if (const auto divergence = ReductionRules::totalisers(r))
        return QStringLiteral("com totalizadores somando %1 e venda bruta %2 (C420_DIVERGENTE)")
            .arg(LedgerValues::commaMoney(divergence->found), LedgerValues::commaMoney(divergence->expected));
    if (layout == Layout::Sped && modelOf(r).isEmpty())
        return QStringLiteral("de ECF sem modelo gravado em nenhum dia (MODELO_AUSENTE)");
    return {};
}

QString notice(const Reduction &r, const QString &refusal)
{
    return QStringLiteral("Redução Z ECF %1, caixa %2, %3 %4: não escrita.")
        .arg(r.nrEcf, r.cdCaixa, LedgerValues::displayDay(r.day), refusal);
}

} // namespace ExportGate
