#include "TypedDayCheck.h"
#include "FormatSettings.h"
#include "ReductionRules.h"

namespace TypedDayCheck {

namespace {
QString money(qint64 cents)
{
    return FormatSettings::centsToStr(cents, QLatin1Char(','), false);
}
const QString Printed = QStringLiteral(": confira na Redução Z impressa.");
} // namespace

Outcome check(const QStringList &captions, const QStringList &texts, const QList<TaxLine> &taxes)
{
    Outcome outcome;
    const Reduction day = ReductionRules::fromTexts(texts, taxes);
    const QList<ReductionRules::Counter> zero = ReductionRules::zeroCounters(day);
    // In field order: the CRZ, the CRO, the last coupon.
    for (const int field : {1, 2, 4}) {
        if (!zero.contains(ReductionRules::Counter(field)))
            continue;
        outcome.field = field;
        outcome.refusal = QStringLiteral("%1: \"%2\" zerado%3")
                              .arg(captions.value(field - 1), texts.value(field - 1).trimmed(), Printed);
        return outcome;
    }
    QStringList lines;
    if (const auto net = ReductionRules::netSales(day))
        lines << QStringLiteral("Venda líquida %1, mas bruta − cancelamentos − descontos = %2%3")
                     .arg(money(net->found), money(net->expected), Printed);
    if (const auto totals = ReductionRules::totalisers(day))
        lines << QStringLiteral("Totalizadores %1 (bases tributadas + F1 + I1 + N1 + cancelamentos + descontos), mas a "
                                "venda bruta é %2%3")
                     .arg(money(totals->found), money(totals->expected), Printed);
    outcome.divergence = lines.join(QLatin1Char('\n'));
    return outcome;
}

} // namespace TypedDayCheck
