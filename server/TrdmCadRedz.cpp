#include "TrdmCadRedz.h"
#include "ReductionFigures.h"
#include "SharedServices.h"
#include "Statements.h"
#include "TaxLines.h"

namespace Srv_kal02700 {

TrdmCadRedz::TrdmCadRedz(QObject * /*owner*/)
    : adcCadRedz(QStringLiteral("adcCadRedz")), acmInsRedZ(QStringLiteral("acmInsRedZ"), &adcCadRedz),
      cdsImpRed(QStringLiteral("cdsImpRed")), acmInsImpRedZ(QStringLiteral("acmInsImpRedZ"), &adcCadRedz),
      adqCupomInicial(QStringLiteral("adqCupomInicial"), &adcCadRedz),
      adqMaxMovCaixa(QStringLiteral("adqMaxMovCaixa"), &adcCadRedz),
      adqUltimoCupom(QStringLiteral("adqUltimoCupom"), &adcCadRedz),
      adqUltimoCupomEcf(QStringLiteral("adqUltimoCupomEcf"), &adcCadRedz),
      adqPesqCdImposto(QStringLiteral("adqPesqCdImposto"), &adcCadRedz),
      adqRedZGravada(QStringLiteral("adqRedZGravada"), &adcCadRedz),
      adqRedZDoDia(QStringLiteral("adqRedZDoDia"), &adcCadRedz), arqCat52(adcCadRedz),
      adqArqCat52Gravado(arqCat52.adqArqCat52Gravado), adqArqCat52DoDia(arqCat52.adqArqCat52DoDia),
      acmTravaRedZ(arqCat52.acmTravaRedZ), acmInsArqCat52(arqCat52.acmInsArqCat52),
      acmUpdArqCat52(arqCat52.acmUpdArqCat52)
{
    // Only the two connection events are bound; activation is left to a host
    // that manages it.
    adcCadRedz.beforeConnect = [this](AdoConnection &sender) { adcCadRedzBeforeConnect(sender); };
    adcCadRedz.afterConnect = [this](AdoConnection &sender) { adcCadRedzAfterConnect(sender); };

    using K = ParamKind;
    using Statements::describe;
    // The day's key, its figures as their description says (counters as
    // text, amounts as numbers), then what the module fills in itself.
    std::vector<std::pair<const char *, ParamKind>> reducao{{"CDFILIAL", K::Text},
                                                            {"CDCAIXA", K::Text},
                                                            {"NRECFREDZ", K::Text},
                                                            {"NRSERIEREDZ", K::Text},
                                                            {"DTREDUCAOZ", K::Date}};
    for (const ReductionFigures::Figure &figure : ReductionFigures::all())
        reducao.emplace_back(figure.column, figure.kind == ReductionFigures::Kind::Counter ? K::Text : K::Float);
    reducao.insert(reducao.end(), {{"IDORIGEMREDZ", K::Text},
                                   {"NRGERCNFREDZ", K::Text},
                                   {"NRLEITREDZ", K::Text},
                                   {"NRCANCFREDZ", K::Text},
                                   {"DSMODMARCAECF", K::Text}});
    describe(acmInsRedZ, reducao);
    describe(acmInsImpRedZ, {{"CDFILIAL", K::Text},
                             {"CDCAIXA", K::Text},
                             {"NRECFREDZ", K::Text},
                             {"DTREDUCAOZ", K::Date},
                             {"CDIMPOSTO", K::Text},
                             {"VRALIQIMPRZ", K::Float},
                             {"VRBCALCIMPRZ", K::Float},
                             {"VRIMPOSTORZ", K::Float}});
    describe(adqCupomInicial, {{"P_CDCONTADOR", K::Text}});
    describe(adqMaxMovCaixa, {{"P_CDFILIAL", K::Text}, {"P_CDCAIXA", K::Text}, {"P_DTMOVIMCAIXA", K::Date}});
    describe(adqUltimoCupom, {{"P_CDFILIAL", K::Text}, {"P_CDCAIXA", K::Text}});
    describe(adqUltimoCupomEcf, {{"P_CDFILIAL", K::Text}, {"P_CDCAIXA", K::Text}, {"P_NRSERIEREDZ", K::Text}});
    describe(adqPesqCdImposto, {{"VRPEALIMPFIS", K::Float}});
    describe(adqRedZGravada,
             {{"P_CDFILIAL", K::Text}, {"P_CDCAIXA", K::Text}, {"P_NRECFREDZ", K::Text}, {"P_DTREDUCAOZ", K::Date}});
    describe(adqRedZDoDia,
             {{"P_CDFILIAL", K::Text}, {"P_CDCAIXA", K::Text}, {"P_NRECFREDZ", K::Text}, {"P_DTREDUCAOZ", K::Date}});

    // The same eight fields as the screen's tax list: the packet it sends.
    const TaxLines::Fields campos = TaxLines::addFields(cdsImpRed);
    cdsImpRedCDFILIAL = campos.CDFILIAL;
    cdsImpRedCDCAIXA = campos.CDCAIXA;
    cdsImpRedNRECFREDZ = campos.NRECFREDZ;
    cdsImpRedDTREDUCAOZ = campos.DTREDUCAOZ;
    cdsImpRedCDIMPOSTO = campos.CDIMPOSTO;
    cdsImpRedVRALIQIMPRZ = campos.VRALIQIMPRZ;
    cdsImpRedVRBCALCIMPRZ = campos.VRBCALCIMPRZ;
    cdsImpRedVRIMPOSTORZ = campos.VRIMPOSTORZ;
}

TrdmCadRedz::~TrdmCadRedz() = default;

void TrdmCadRedz::adcCadRedzAfterConnect(AdoConnection & /*sender*/)
{
    SetADODBSession(adcCadRedz);
}

void TrdmCadRedz::adcCadRedzBeforeConnect(AdoConnection & /*sender*/)
{
    adcCadRedz.setConnectionString(_GetStringConexKiv(QString()));
}

void TrdmCadRedz::MtsDataModuleActivate(QObject * /*sender*/)
{
    TryConnect(adcCadRedz);
}

void TrdmCadRedz::MtsDataModuleDeactivate(QObject * /*sender*/)
{
    adcCadRedz.setConnected(false);
}

void TrdmCadRedz::StartTrans()
{
    if (!adcCadRedz.inTransaction())
        adcCadRedz.beginTrans();
}

void TrdmCadRedz::CommitTrans()
{
    if (adcCadRedz.inTransaction())
        adcCadRedz.commitTrans();
}

void TrdmCadRedz::RollbackTrans()
{
    if (adcCadRedz.inTransaction())
        adcCadRedz.rollbackTrans();
}

} // namespace Srv_kal02700
