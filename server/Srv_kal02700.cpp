#include "Srv_kal02700.h"
#include "Exception.h"
#include "FigureCheck.h"
#include "FormatSettings.h"
#include "InputLimits.h"
#include "ServerCalls.h"
#include "SharedServices.h"

namespace Srv_kal02700 {

TrdmCadRedz *rdmCadRedz = nullptr;

namespace {
const QString kZeroCounter = QStringLiteral("0000000000");

// A counter that does not fit its width would be stored as the text "ERRO":
// refuse the whole save instead.
QString counter(const QString &value, const char *what)
{
    const QString adjusted = Ajusta(value, 10);
    if (adjusted == QLatin1String("ERRO"))
        throw EConvertError(QStringLiteral("%1 inválido: '%2'").arg(QString::fromUtf8(what), value));
    return adjusted;
}

// A counter wider than its CAT-52 field would be stored whole and cut in
// every fiscal file: refused with the others.
void checkWidth(const QString &value, const char *what, const ReductionFigures::Figure &figure)
{
    QString significant = value.trimmed();
    while (significant.size() > 1 && significant.startsWith(QLatin1Char('0')))
        significant.remove(0, 1);
    if (significant.size() > figure.digits)
        throw EConvertError(QStringLiteral("%1 inválido: '%2' tem mais de %3 algarismos")
                                .arg(QString::fromUtf8(what), InputLimits::excerpt(value, 40))
                                .arg(figure.digits));
}

// The reason no fiscal file can carry one of the day's amounts or of its tax
// lines (not a number, negative, wider than its field); empty when all can.
QString amountsRefusal(const std::array<double, 9> &amounts, ClientDataSet &taxLines, TrdmCadRedz &rdm)
{
    // The words are made only for a figure that is refused: a save that
    // passes pays for the comparisons alone.
    for (size_t i = 0; i < amounts.size(); ++i) {
        const ReductionFigures::Figure &figure = ReductionFigures::byTag(int(i) + 5);
        if (!FigureCheck::carries(amounts[i], figure.digits))
            return FigureCheck::carried(figure, amounts[i]);
    }
    const struct {
        Field *field;
        const char *what;
        int digits;
    } columns[] = {{rdm.cdsImpRedVRALIQIMPRZ, ", alíquota", FigureCheck::RateDigits},
                   {rdm.cdsImpRedVRBCALCIMPRZ, ", base de cálculo", FigureCheck::TotaliserDigits},
                   {rdm.cdsImpRedVRIMPOSTORZ, ", imposto", FigureCheck::TotaliserDigits}};
    for (taxLines.first(); !taxLines.eof(); taxLines.next())
        for (const auto &column : columns) {
            const double value = column.field->asFloat();
            if (!FigureCheck::carries(value, column.digits))
                return FigureCheck::carried(
                    QStringLiteral("Imposto %1").arg(rdm.cdsImpRedCDIMPOSTO->asString().trimmed())
                        + QString::fromUtf8(column.what),
                    value, column.digits);
        }
    taxLines.first();
    return QString();
}

// The commit's answer was lost: the day is stored or not as a new session
// finds it; when none can tell, the save is neither.
ServerResult<Done> afterLostCommit(const ECommitUnanswered &e, const QString &CdFilial, const QString &CdCaixa,
                                   const QString &NrEcf, TDateTime DtReducao)
{
    TrdmCadRedz &rdm = *rdmCadRedz;
    const QString lost = ADOExceptionMessage(e, rdm.adcCadRedz, QString());
    const ServerCalls::LostCommit outcome = ServerCalls::afterLostCommit(rdm, CdFilial, CdCaixa, NrEcf, DtReducao);
    if (outcome == ServerCalls::LostCommit::Stored)
        return ServerResult<Done>::of(Done{});
    if (outcome == ServerCalls::LostCommit::Unknown)
        return ServerResult<Done>::uncertain(
            QStringLiteral("Não foi possível saber se a Redução Z de %1 foi gravada: confira antes de "
                           "repetir.")
                .arg(FormatSettings::dateToStr(DtReducao)));
    return ServerResult<Done>::failure(lost);
}
// The day's tax lines, inside the save's transaction.
void insertTaxLines(TrdmCadRedz &rdm, ClientDataSet &cds)
{
    AdoCommand &imp = rdm.acmInsImpRedZ;
    AdoParameter &pFilial = imp.paramByName(QStringLiteral("CDFILIAL"));
    AdoParameter &pCaixa = imp.paramByName(QStringLiteral("CDCAIXA"));
    AdoParameter &pEcf = imp.paramByName(QStringLiteral("NRECFREDZ"));
    AdoParameter &pData = imp.paramByName(QStringLiteral("DTREDUCAOZ"));
    AdoParameter &pImposto = imp.paramByName(QStringLiteral("CDIMPOSTO"));
    AdoParameter &pAliquota = imp.paramByName(QStringLiteral("VRALIQIMPRZ"));
    AdoParameter &pBase = imp.paramByName(QStringLiteral("VRBCALCIMPRZ"));
    AdoParameter &pValor = imp.paramByName(QStringLiteral("VRIMPOSTORZ"));
    while (!cds.eof()) {
        // A rate with sales is kept even when its tax truncates to zero:
        // its base is part of the day's gross sales.
        if (rdm.cdsImpRedVRIMPOSTORZ->asFloat() > 0 || rdm.cdsImpRedVRBCALCIMPRZ->asFloat() > 0) {
            pFilial.setAsString(rdm.cdsImpRedCDFILIAL->asString());
            pCaixa.setAsString(rdm.cdsImpRedCDCAIXA->asString());
            pEcf.setAsString(rdm.cdsImpRedNRECFREDZ->asString());
            pData.setAsDateTime(rdm.cdsImpRedDTREDUCAOZ->asDateTime());
            pImposto.setAsString(rdm.cdsImpRedCDIMPOSTO->asString());
            pAliquota.setAsFloat(rdm.cdsImpRedVRALIQIMPRZ->asFloat());
            pBase.setAsFloat(rdm.cdsImpRedVRBCALCIMPRZ->asFloat());
            pValor.setAsFloat(rdm.cdsImpRedVRIMPOSTORZ->asFloat());
            imp.execute();
        }
        cds.next();
    }
}
} // namespace

ServerResult<Done> storeReduction(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
                                  const QString &NrSerieEcf, const QString &NrRedZ, const QString &NrReinicio,
                                  const QString &NrPrimCupom, const QString &NrUltCupom, double VrSubTrib,
                                  double VrIsento, double VrNaoIncid, double VrTotGeral, double VrVendaBruta,
                                  double VrCancelamento, double VrDesconto, double VrVendaLiquida, double VrAcrescimo,
                                  TDateTime DtReducao, const QVariant &DadosImpostos, const QString &DsModMarcaEcf)
{
    if (!rdmCadRedz)
        return ServerResult<Done>::failure(ServerCalls::noDataModuleMessage());
    TrdmCadRedz &rdm = *rdmCadRedz;
    try {
        // Whoever calls, nothing is stored that a fiscal file cannot carry.
        const std::array<std::pair<QString, const char *>, 4> counters{
            {{NrRedZ, "Contador de redução Z"},
             {NrReinicio, "Contador de reinício de operação"},
             {NrPrimCupom, "Cupom fiscal inicial"},
             {NrUltCupom, "Cupom fiscal final"}}};
        for (size_t i = 0; i < counters.size(); ++i) {
            counter(counters[i].first, counters[i].second);
            checkWidth(counters[i].first, counters[i].second, ReductionFigures::byTag(int(i) + 1));
        }
        ClientDataSet &cds = rdm.cdsImpRed;
        cds.setData(DadosImpostos);
        const std::array<double, 9> amounts{VrSubTrib,      VrIsento,   VrNaoIncid,     VrTotGeral, VrVendaBruta,
                                            VrCancelamento, VrDesconto, VrVendaLiquida, VrAcrescimo};
        const QString refusal = amountsRefusal(amounts, cds, rdm);
        if (!refusal.isEmpty())
            return ServerResult<Done>::failure(refusal);

        rdm.StartTrans();

        AdoCommand &ins = rdm.acmInsRedZ;
        ins.paramByName(QStringLiteral("CDFILIAL")).setAsString(CdFilial);
        ins.paramByName(QStringLiteral("CDCAIXA")).setAsString(CdCaixa);
        ins.paramByName(QStringLiteral("NRECFREDZ")).setAsString(NrEcf);
        ins.paramByName(QStringLiteral("NRSERIEREDZ")).setAsString(NrSerieEcf);
        // The figures in the order of their fields: the four counters, then the amounts.
        for (size_t i = 0; i < counters.size(); ++i)
            ins.paramByName(QLatin1String(ReductionFigures::byTag(int(i) + 1).column))
                .setAsString(counter(counters[i].first, counters[i].second));
        for (size_t i = 0; i < amounts.size(); ++i)
            ins.paramByName(QLatin1String(ReductionFigures::byTag(int(i) + 5).column)).setAsFloat(amounts[i]);
        ins.paramByName(QStringLiteral("NRGERCNFREDZ")).setAsString(kZeroCounter);
        ins.paramByName(QStringLiteral("NRLEITREDZ")).setAsString(kZeroCounter);
        ins.paramByName(QStringLiteral("NRCANCFREDZ")).setAsString(kZeroCounter);
        ins.paramByName(QStringLiteral("DTREDUCAOZ")).setAsDateTime(DtReducao);
        ins.paramByName(QStringLiteral("IDORIGEMREDZ")).setAsString(QStringLiteral("KIV"));
        ins.paramByName(QStringLiteral("DSMODMARCAECF")).setAsString(DsModMarcaEcf);
        ins.execute();

        insertTaxLines(rdm, cds);

        rdm.CommitTrans();
        return ServerResult<Done>::of(Done{});
    } catch (const ECommitUnanswered &e) {
        return afterLostCommit(e, CdFilial, CdCaixa, NrEcf, DtReducao);
    } catch (const Exception &e) {
        const QString reason = ADOExceptionMessage(e, rdm.adcCadRedz, QString());
        ServerCalls::rollbackQuietly(rdm);
        return ServerResult<Done>::failure(reason);
    }
}

QVariant setRedZ(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf, const QString &NrSerieEcf,
                 const QString &NrRedZ, const QString &NrReinicio, const QString &NrPrimCupom,
                 const QString &NrUltCupom, double VrSubTrib, double VrIsento, double VrNaoIncid, double VrTotGeral,
                 double VrVendaBruta, double VrCancelamento, double VrDesconto, double VrVendaLiquida,
                 double VrAcrescimo, TDateTime DtReducao, const QVariant &DadosImpostos, const QString &DsModMarcaEcf)
{
    const ServerResult<Done> saved = storeReduction(
        CdFilial, CdCaixa, NrEcf, NrSerieEcf, NrRedZ, NrReinicio, NrPrimCupom, NrUltCupom, VrSubTrib, VrIsento,
        VrNaoIncid, VrTotGeral, VrVendaBruta, VrCancelamento, VrDesconto, VrVendaLiquida, VrAcrescimo, DtReducao,
        DadosImpostos, DsModMarcaEcf);
    // Whatever the way out, the host can read why.
    lastSaveReason() = saved.error().simplified();
    return QVariant(saved.ok());
}

QString &lastSaveReason()
{
    static QString reason;
    return reason;
}

// The exported methods give the variants hosts read: the value found, or the
// failure message, as text.
namespace {
template <typename T>
QVariant asVariant(const ServerResult<T> &result)
{
    return result.ok() ? QVariant::fromValue(result.value()) : QVariant(result.error());
}

// A store that worked answers nothing.
QVariant asVariant(const ServerResult<Done> &result)
{
    return result.ok() ? QVariant() : QVariant(result.error());
}
} // namespace

QVariant getCupomInicial(const QString &CdFilial, const QString &CdCaixa, TDateTime Dia)
{
    return asVariant(ServerCalls::firstCoupon(CdFilial, CdCaixa, Dia));
}

QVariant getPesqCdImposto(double Aliquota)
{
    return asVariant(ServerCalls::taxCode(Aliquota));
}

QString getMaxMovCaixa(const QString &CdFilial, const QString &CdCaixa)
{
    const ServerResult<TDateTime> result = ServerCalls::lastCashMovement(CdFilial, CdCaixa);
    return result.ok() ? FormatSettings::dateTimeToStr(result.value()) : result.error();
}

QVariant getRedZGravada(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf, TDateTime DtReducao)
{
    return asVariant(ServerCalls::reductionStored(CdFilial, CdCaixa, NrEcf, DtReducao));
}

QVariant setArqCat52(const QString &CdFilial, const QString &CdCaixa, const QString &CdLoja, const QString &CdOperador,
                     const QString &DtMovimento, const QString &NmArquivo, const QStringList &Conteudo)
{
    return asVariant(
        ServerCalls::storeCat52File(CdFilial, CdCaixa, CdLoja, CdOperador, DtMovimento, NmArquivo, Conteudo));
}

// The unit has no state of its own to bring up or down: its places in the
// package's unit table keep the order of the units around it.
void Initialization() {}

void Finalization() {}

} // namespace Srv_kal02700
