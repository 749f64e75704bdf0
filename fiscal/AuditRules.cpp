#include "FormatSettings.h"
#include "AuditRules.h"
#include "ExportGate.h"
#include "LedgerValues.h"
#include "ReductionRules.h"

#include <QStringList>

using FormatSettings::displayMoney;
using LedgerValues::displayDay;

namespace AuditRules {

namespace {

bool bothKnown(qint64 a, qint64 b)
{
    return a >= 0 && b >= 0;
}

// How far the current CRZ lies after the previous one: 1 for the next Z
// reduction. The counter starts again at 1 after 9999 or 999999 (its width
// on the printer), so a CRZ below one of those follows it.
qint64 crzStep(const Reduction &previous, const Reduction &current)
{
    const bool turned = (previous.crz == 9999 || previous.crz == 999999) && current.crz >= 1
                        && current.crz < previous.crz;
    return turned ? current.crz : current.crz - previous.crz;
}

void crzSalto(const Reduction *previous, const Reduction &current, Output &out)
{
    if (!previous || !bothKnown(previous->crz, current.crz) || crzStep(*previous, current) <= 1)
        return;
    const qint64 missing = crzStep(*previous, current) - 1;
    out.add(QStringLiteral("CRZ %1 depois do CRZ %2 (%3): %4 %5")
                .arg(current.crz)
                .arg(previous->crz)
                .arg(displayDay(previous->day))
                .arg(missing)
                .arg(missing == 1 ? QStringLiteral("Redução Z ausente") : QStringLiteral("Reduções Z ausentes")))
        .missing = missing;
}

void crzRepetido(const Reduction *previous, const Reduction &current, Output &out)
{
    if (previous && bothKnown(previous->crz, current.crz) && current.crz == previous->crz)
        out.add(QStringLiteral("CRZ %1 repetido: já gravado em %2 (caixa %3)")
                    .arg(current.crz)
                    .arg(displayDay(previous->day), previous->cdCaixa));
}

void dataForaDeOrdem(const Reduction *previous, const Reduction &current, Output &out)
{
    if (previous && bothKnown(previous->crz, current.crz) && crzStep(*previous, current) > 0
        && current.day < previous->day)
        out.add(QStringLiteral("CRZ %1 com data anterior à do CRZ %2 (%3)")
                    .arg(current.crz)
                    .arg(previous->crz)
                    .arg(displayDay(previous->day)));
}

// The printer's coupon counter has six digits and starts again at 1 after
// 999999: a day that begins right after that is no overlap.
bool couponCounterTurned(qint64 previousLast, qint64 currentFirst)
{
    return previousLast >= 999000 && previousLast <= 999999 && currentFirst <= 1000;
}

void cooSobreposto(const Reduction *previous, const Reduction &current, Output &out)
{
    if (!previous || !bothKnown(previous->lastCoupon, current.firstCoupon) || current.firstCoupon > previous->lastCoupon
        || couponCounterTurned(previous->lastCoupon, current.firstCoupon))
        return;
    out.add(QStringLiteral("primeiro cupom %1 não é maior que o último cupom da Redução Z anterior (%2, CRZ %3)")
                .arg(current.firstCoupon)
                .arg(previous->lastCoupon)
                .arg(previous->crz));
}

void cooInvertido(const Reduction *, const Reduction &current, Output &out)
{
    if (ReductionRules::couponsInverted(current))
        out.add(QStringLiteral("último cupom %1 menor que o primeiro cupom %2")
                    .arg(current.lastCoupon)
                    .arg(current.firstCoupon));
}

void gtDivergente(const Reduction *previous, const Reduction &current, Output &out)
{
    if (!previous || !bothKnown(previous->crz, current.crz) || crzStep(*previous, current) != 1
        || !bothKnown(previous->cro, current.cro) || current.cro != previous->cro)
        return;
    const qint64 expected = previous->grandTotal + current.gross;
    if (current.grandTotal == expected)
        return;
    out.money(QStringLiteral("grande total %1 menos o anterior %2 dá %3, e a venda bruta do dia é %4")
                  .arg(displayMoney(current.grandTotal), displayMoney(previous->grandTotal),
                       displayMoney(current.grandTotal - previous->grandTotal), displayMoney(current.gross)),
              expected, current.grandTotal);
}

void vlDivergente(const Reduction *, const Reduction &current, Output &out)
{
    const auto divergence = ReductionRules::netSales(current);
    if (!divergence)
        return;
    const qint64 expected = divergence->expected;
    out.money(QStringLiteral("venda líquida %1 difere de venda bruta %2 - cancelamentos %3 - descontos %4 = %5")
                  .arg(displayMoney(current.net), displayMoney(current.gross), displayMoney(current.cancel),
                       displayMoney(current.discount), displayMoney(expected)),
              expected, current.net);
}

void croAlterado(const Reduction *previous, const Reduction &current, Output &out)
{
    if (previous && bothKnown(previous->cro, current.cro) && current.cro != previous->cro)
        out.add(QStringLiteral("CRO passou de %1 para %2 (intervenção técnica): grande total não conferido")
                    .arg(previous->cro)
                    .arg(current.cro));
}

void parciaisDivergentes(const Reduction *, const Reduction &current, Output &out)
{
    qint64 bases = 0;
    for (const TaxLine &line : current.taxes)
        bases += line.base;
    const qint64 found = bases + current.subTrib + current.isento + current.naoIncid;
    if (found == current.net)
        return;
    out.money(QStringLiteral("bases tributadas %1 + F1 %2 + I1 %3 + N1 %4 = %5, e a venda líquida é %6")
                  .arg(displayMoney(bases), displayMoney(current.subTrib), displayMoney(current.isento),
                       displayMoney(current.naoIncid), displayMoney(found), displayMoney(current.net)),
              current.net, found);
}

void impostoDivergente(const Reduction *, const Reduction &current, Output &out)
{
    for (const TaxLine &line : current.taxes) {
        if (line.rate <= 0 || line.base <= 0) {
            out.add(QStringLiteral("imposto %1 com alíquota %2%, base %3 e imposto %4: uma linha tributada precisa "
                                   "de alíquota e base maiores que zero, e fica fora do SPED")
                        .arg(line.cdImposto, LedgerValues::commaMoney(line.rate), displayMoney(line.base),
                             displayMoney(line.tax)));
            continue;
        }
        if (line.tax <= 0) {
            out.add(QStringLiteral("imposto %1 com alíquota %2% e base %3 é %4 (truncado ao centavo): escrito assim "
                                   "no SPED e no Sintegra")
                        .arg(line.cdImposto, LedgerValues::commaMoney(line.rate), displayMoney(line.base),
                             displayMoney(line.tax)));
            continue;
        }
        const qint64 expected = LedgerValues::truncatedTax(line.base, line.rate);
        if (qAbs(line.tax - expected) <= 1)
            continue;
        out.money(QStringLiteral("imposto %1 (alíquota %2%) é %3; base %4 x alíquota dá %5")
                      .arg(line.cdImposto, LedgerValues::commaMoney(line.rate), displayMoney(line.tax),
                           displayMoney(line.base), displayMoney(expected)),
                  expected, line.tax);
    }
}

void c420Divergente(const Reduction *, const Reduction &current, Output &out)
{
    const auto divergence = ReductionRules::totalisers(current);
    if (!divergence)
        return;
    out.money(QStringLiteral(
                  "totalizadores do dia (bases tributadas %1 + F1 %2 + I1 %3 + N1 %4 + cancelamentos %5 + "
                  "descontos %6) somam %7, e a venda bruta é %8: o validador do SPED recusa o C405, e a Redução Z fica "
                  "fora do sped e do sintegra")
                  .arg(displayMoney(ReductionRules::taxedBases(current)), displayMoney(current.subTrib),
                       displayMoney(current.isento), displayMoney(current.naoIncid), displayMoney(current.cancel),
                       displayMoney(current.discount), displayMoney(divergence->found),
                       displayMoney(divergence->expected)),
              divergence->expected, divergence->found);
}

void contadorZero(const Reduction *, const Reduction &current, Output &out)
{
    QStringList zero;
    for (const ReductionRules::Counter counter : ReductionRules::zeroCounters(current))
        zero << (counter == ReductionRules::Counter::Cro   ? QStringLiteral("CRO")
                 : counter == ReductionRules::Counter::Crz ? QStringLiteral("CRZ")
                                                           : QStringLiteral("último cupom"));
    if (!zero.isEmpty())
        out.add(QStringLiteral("%1 zerado ou vazio: o validador do SPED recusa o C405, e a Redução Z fica fora do "
                               "sped e do sintegra")
                    .arg(zero.join(QStringLiteral(", "))));
}

void modeloAusente(const Reduction *, const Reduction &current, Output &out)
{
    if (current.hasSerial() && ExportGate::modelOf(current).isEmpty())
        out.add(QStringLiteral("nenhuma Redução Z do ECF de série %1 traz o modelo: o C400 não pode ser escrito, e o "
                               "dia fica fora do sped")
                    .arg(current.serial.trimmed()));
}

void ecfInvalido(const Reduction *, const Reduction &current, Output &out)
{
    if (!ExportGate::validEcf(current.nrEcf))
        out.add(QStringLiteral("número do ECF \"%1\" não é um número de 1 a 999: o C400 e o 60M não o comportam, e o "
                               "dia fica fora do sped e do sintegra")
                    .arg(current.nrEcf.trimmed()));
}

void serieAusente(const Reduction *, const Reduction &current, Output &out)
{
    if (!current.hasSerial())
        out.add(QStringLiteral("Redução Z sem número de série do ECF: não pertence a nenhuma cadeia e fica fora do "
                               "sped e do sintegra"));
}

void cat52Ausente(const Reduction *, const Reduction &current, Output &out)
{
    if (!current.hasCat52)
        out.add(QStringLiteral("nenhum arquivo CAT-52 do ECF %1 gravado para o caixa %2 no dia")
                    .arg(current.hasSerial() ? current.serial.trimmed() : current.nrEcf, current.cdCaixa));
}

} // namespace

Finding &Output::add(const QString &message)
{
    Finding f;
    f.rule = QString::fromLatin1(m_rule);
    f.severity = m_severity;
    f.cdFilial = m_row.cdFilial;
    f.cdCaixa = m_row.cdCaixa;
    f.nrEcf = m_row.nrEcf;
    f.serial = m_row.serial;
    f.day = m_row.day;
    f.message = message;
    m_findings.append(f);
    return m_findings.last();
}

Finding &Output::money(const QString &message, qint64 expected, qint64 found)
{
    Finding &f = add(message);
    f.values = Finding::Values::Money;
    f.expectedCents = expected;
    f.foundCents = found;
    return f;
}

const QList<Rule> &rules()
{
    static const QList<Rule> table{
        {"CRZ_SALTO", Severity::Erro, crzSalto},
        {"CRZ_REPETIDO", Severity::Erro, crzRepetido},
        {"DATA_FORA_DE_ORDEM", Severity::Erro, dataForaDeOrdem},
        {"COO_SOBREPOSTO", Severity::Erro, cooSobreposto},
        {"COO_INVERTIDO", Severity::Erro, cooInvertido},
        {"GT_DIVERGENTE", Severity::Erro, gtDivergente},
        {"VL_DIVERGENTE", Severity::Erro, vlDivergente},
        {"CRO_ALTERADO", Severity::Aviso, croAlterado},
        {"PARCIAIS_DIVERGENTES", Severity::Aviso, parciaisDivergentes},
        {"IMPOSTO_DIVERGENTE", Severity::Aviso, impostoDivergente},
        {"C420_DIVERGENTE", Severity::Erro, c420Divergente},
        {"MODELO_AUSENTE", Severity::Erro, modeloAusente},
        {"ECF_INVALIDO", Severity::Erro, ecfInvalido},
        {"CONTADOR_ZERO", Severity::Erro, contadorZero},
        {"SERIE_AUSENTE", Severity::Erro, serieAusente},
        {"DIA_SEM_REDUCAO", Severity::Erro, nullptr},
        {"CAT52_AUSENTE", Severity::Aviso, cat52Ausente},
        {"CAT52_DIVERGENTE", Severity::Erro, nullptr},
    };
    return table;
}

Severity severityOf(const QString &code)
{
    for (const Rule &rule : rules())
        if (code == QLatin1String(rule.code))
            return rule.severity;
    return Severity::Erro;
}

void checkRow(const Reduction *previous, const Reduction &current, QList<Finding> &findings)
{
    for (const Rule &rule : rules()) {
        if (!rule.check)
            continue;
        Output out(findings, rule.code, rule.severity, current);
        rule.check(previous, current, out);
    }
}

Finding dayFinding(const char *code, const QString &cdFilial, const QString &cdCaixa, const QDate &day,
                   const QString &message)
{
    Finding f;
    f.rule = QString::fromLatin1(code);
    f.severity = severityOf(f.rule);
    f.cdFilial = cdFilial;
    f.cdCaixa = cdCaixa;
    f.day = day;
    f.message = message;
    return f;
}

} // namespace AuditRules
