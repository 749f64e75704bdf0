#include "DayChecks.h"
#include "ClientDataSet.h"
#include "FigureCheck.h"
#include "FormatSettings.h"
#include "ReductionRules.h"

#include <cmath>

namespace DayChecks {

namespace {
QString money(qint64 cents)
{
    return FormatSettings::centsToStr(cents, QLatin1Char(','), false);
}
const QString Printed = QStringLiteral(": confira na Redução Z impressa.");
} // namespace

Refusal figures(const QStringList &captions, const QStringList &texts)
{
    for (const ReductionFigures::Figure &figure : ReductionFigures::all()) {
        const QString line = FigureCheck::figure(figure, captions.value(figure.tag - 1), texts.value(figure.tag - 1));
        if (!line.isEmpty())
            return {figure.tag, line};
    }
    return {};
}

QString totalisers(ClientDataSet &totalizadores)
{
    // None may be dropped for a value that is negative or cannot be read.
    int ordem = 0;
    for (totalizadores.first(); !totalizadores.eof(); totalizadores.next()) {
        auto texto = [&totalizadores](const char *coluna) {
            return totalizadores.fieldByName(QLatin1String(coluna)).asString();
        };
        ++ordem;
        const QString codigo = texto("CDIMPOSTO").trimmed();
        const QString nome = QStringLiteral("Totalizador %1").arg(codigo.isEmpty() ? QString::number(ordem) : codigo);
        for (const QString &linha :
             {FigureCheck::amount(nome + QStringLiteral(", alíquota"), texto("VRALIQIMPFIS"), FigureCheck::RateDigits),
              FigureCheck::amount(nome + QStringLiteral(", valor vendido"), texto("VRVENDIDO"),
                                  FigureCheck::TotaliserDigits),
              FigureCheck::amount(nome + QStringLiteral(", imposto"), texto("VRIMPOSTO"),
                                  FigureCheck::TotaliserDigits)})
            if (!linha.isEmpty())
                return linha;
    }
    return {};
}

QString taxLines(ClientDataSet &lista, const TaxLines::Fields &campos)
{
    for (lista.first(); !lista.eof(); lista.next()) {
        const QString nome = QStringLiteral("Imposto %1").arg(campos.CDIMPOSTO->asString().trimmed());
        for (const QString &linha : {FigureCheck::amount(nome + QStringLiteral(", alíquota"),
                                                         campos.VRALIQIMPRZ->asFloat(), FigureCheck::RateDigits),
                                     FigureCheck::amount(nome + QStringLiteral(", base de cálculo"),
                                                         campos.VRBCALCIMPRZ->asFloat(), FigureCheck::TotaliserDigits),
                                     FigureCheck::amount(nome + QStringLiteral(", imposto"),
                                                         campos.VRIMPOSTORZ->asFloat(), FigureCheck::TotaliserDigits)})
            if (!linha.isEmpty())
                return linha;
    }
    // The CAT-52 stage reads the day from the row the list was loaded on.
    lista.first();
    return {};
}

TypedDay typedDay(const QStringList &captions, const QStringList &texts, ClientDataSet &lista,
                  const TaxLines::Fields &campos)
{
    QList<TaxLine> taxes;
    for (lista.first(); !lista.eof(); lista.next())
        taxes.append({campos.CDIMPOSTO->asString(), std::llround(campos.VRALIQIMPRZ->asFloat() * 100),
                      std::llround(campos.VRBCALCIMPRZ->asFloat() * 100),
                      std::llround(campos.VRIMPOSTORZ->asFloat() * 100)});
    lista.first();
    TypedDay outcome;
    const Reduction day = ReductionRules::fromTexts(texts, taxes);
    const QList<ReductionRules::Counter> zero = ReductionRules::zeroCounters(day);
    // In field order: the CRZ, the CRO, the last coupon.
    for (const int field : {1, 2, 4}) {
        if (!zero.contains(ReductionRules::Counter(field)))
            continue;
        outcome.refusal = {field, QStringLiteral("%1: \"%2\" zerado%3")
                                      .arg(captions.value(field - 1), texts.value(field - 1).trimmed(), Printed)};
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

} // namespace DayChecks
