#include "Srv_kal02700.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "SharedServices.h"
#include "Win1252.h"

namespace Srv_kal02700 {

TrdmCadRedz *rdmCadRedz = nullptr;

namespace {
const QString kZeroCounter = QStringLiteral("0000000000");

// Codes that arrive as wide text reach the database as the system's 8-bit
// code page holds them.
QString codePage(const QString &wide)
{
    return Win1252::decode(Win1252::encode(wide));
}

// A counter that does not fit its width would be stored as the text "ERRO":
// refuse the whole save instead.
QString counter(const QString &value, const char *what)
{
    const QString adjusted = Ajusta(value, 10);
    if (adjusted == QLatin1String("ERRO"))
        throw EConvertError(QStringLiteral("%1 inválido: '%2'").arg(QString::fromUtf8(what), value));
    return adjusted;
}

// The failure path of a server method must never raise: a rollback that fails
// too (a lost connection) leaves nothing to undo on our side.
void rollbackQuietly(TrdmCadRedz &rdm)
{
    try {
        rdm.RollbackTrans();
    } catch (const Exception &) {
    }
}

QString g_lastSaveError;
} // namespace

QVariant setRedZ(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf, const QString &NrSerieEcf,
                 const QString &NrRedZ, const QString &NrReinicio, const QString &NrPrimCupom,
                 const QString &NrUltCupom, double VrSubTrib, double VrIsento, double VrNaoIncid, double VrTotGeral,
                 double VrVendaBruta, double VrCancelamento, double VrDesconto, double VrVendaLiquida,
                 double VrAcrescimo, TDateTime DtReducao, const QVariant &DadosImpostos, const QString &DsModMarcaEcf)
{
    TrdmCadRedz &rdm = *rdmCadRedz;
    g_lastSaveError.clear();
    try {
        rdm.StartTrans();

        AdoCommand &ins = rdm.acmInsRedZ;
        ins.paramByName(QStringLiteral("CDFILIAL")).setAsString(CdFilial);
        ins.paramByName(QStringLiteral("CDCAIXA")).setAsString(CdCaixa);
        ins.paramByName(QStringLiteral("NRECFREDZ")).setAsString(NrEcf);
        ins.paramByName(QStringLiteral("NRSERIEREDZ")).setAsString(NrSerieEcf);
        ins.paramByName(QStringLiteral("NRREDREDZ")).setAsString(counter(NrRedZ, "Contador de redução Z"));
        ins.paramByName(QStringLiteral("NRREINIREDZ"))
            .setAsString(counter(NrReinicio, "Contador de reinício de operação"));
        ins.paramByName(QStringLiteral("NRPRIMCFREDZ")).setAsString(counter(NrPrimCupom, "Cupom fiscal inicial"));
        ins.paramByName(QStringLiteral("NRULTCFREDZ")).setAsString(counter(NrUltCupom, "Cupom fiscal final"));
        ins.paramByName(QStringLiteral("VRSTRIBREDZ")).setAsFloat(VrSubTrib);
        ins.paramByName(QStringLiteral("VRISENCREDZ")).setAsFloat(VrIsento);
        ins.paramByName(QStringLiteral("VRNINCIDREDZ")).setAsFloat(VrNaoIncid);
        ins.paramByName(QStringLiteral("VRGTREDZ")).setAsFloat(VrTotGeral);
        ins.paramByName(QStringLiteral("VRVENBRUREDZ")).setAsFloat(VrVendaBruta);
        ins.paramByName(QStringLiteral("VRTOTCANREDZ")).setAsFloat(VrCancelamento);
        ins.paramByName(QStringLiteral("VRTOTDESREDZ")).setAsFloat(VrDesconto);
        ins.paramByName(QStringLiteral("VRVENLIQREDZ")).setAsFloat(VrVendaLiquida);
        ins.paramByName(QStringLiteral("VRTOTACRREDZ")).setAsFloat(VrAcrescimo);
        ins.paramByName(QStringLiteral("NRGERCNFREDZ")).setAsString(kZeroCounter);
        ins.paramByName(QStringLiteral("NRLEITREDZ")).setAsString(kZeroCounter);
        ins.paramByName(QStringLiteral("NRCANCFREDZ")).setAsString(kZeroCounter);
        ins.paramByName(QStringLiteral("DTREDUCAOZ")).setAsDateTime(DtReducao);
        ins.paramByName(QStringLiteral("IDORIGEMREDZ")).setAsString(QStringLiteral("KIV"));
        ins.paramByName(QStringLiteral("DSMODMARCAECF")).setAsString(DsModMarcaEcf);
        ins.execute();

        ClientDataSet &cds = rdm.cdsImpRed;
        cds.setData(DadosImpostos);
        cds.first();
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
            // Only rates that carried tax are kept.
            if (rdm.cdsImpRedVRIMPOSTORZ->asFloat() > 0) {
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

        rdm.CommitTrans();
        return QVariant(true);
    } catch (const Exception &e) {
        g_lastSaveError = ADOExceptionMessage(e, rdm.adcCadRedz, QString());
        rollbackQuietly(rdm);
        return QVariant(false);
    }
}

QString UltimoErroSetRedZ()
{
    return g_lastSaveError;
}

QVariant getCupomInicial(const QString &CdFilial, const QString &CdCaixa, TDateTime Dia)
{
    TrdmCadRedz &rdm = *rdmCadRedz;
    try {
        AdoQuery &q = rdm.adqCupomInicial;
        q.close();
        q.paramByName(QStringLiteral("P_CDCONTADOR"))
            .setAsString(QStringLiteral("CUPINICIAL") + CdFilial + CdCaixa + FormatSettings::dateToStr(Dia));
        q.open();
        QString valor = q.isEmpty() ? kZeroCounter : Ajusta(q.asString(QStringLiteral("NRSEQUENCIAL")), 6);

        if (valor == QLatin1String("ERRO") || valor == kZeroCounter) {
            // No usable counter for the day: the day starts after the last
            // coupon of the register's latest Z reduction.
            AdoQuery &u = rdm.adqUltimoCupom;
            u.close();
            u.paramByName(QStringLiteral("P_CDFILIAL")).setAsString(CdFilial);
            u.paramByName(QStringLiteral("P_CDCAIXA")).setAsString(CdCaixa);
            u.open();
            const qint64 ultimo = FormatSettings::strToInt(u.asString(QStringLiteral("PRIMEIROCUPOM")));
            valor = Ajusta(QString::number(ultimo + 1), 10);
        }
        if (EmptyString(valor))
            valor = kZeroCounter;
        return QVariant(valor);
    } catch (const Exception &e) {
        return QVariant(ADOExceptionMessage(e, rdm.adcCadRedz, QString()));
    }
}

QVariant getPesqCdImposto(double Aliquota)
{
    TrdmCadRedz &rdm = *rdmCadRedz;
    try {
        AdoQuery &q = rdm.adqPesqCdImposto;
        q.close();
        q.paramByName(QStringLiteral("VRPEALIMPFIS")).setAsFloat(Aliquota);
        q.open();
        return QVariant(q.asString(QStringLiteral("CDIMPOSTO")));
    } catch (const Exception &e) {
        return QVariant(ADOExceptionMessage(e, rdm.adcCadRedz, QString()));
    }
}

QString getMaxMovCaixa(const QString &CdFilial, const QString &CdCaixa)
{
    TrdmCadRedz &rdm = *rdmCadRedz;
    try {
        AdoQuery &q = rdm.adqMaxMovCaixa;
        q.close();
        q.paramByName(QStringLiteral("P_CDFILIAL")).setAsString(codePage(CdFilial));
        q.paramByName(QStringLiteral("P_CDCAIXA")).setAsString(codePage(CdCaixa));
        q.paramByName(QStringLiteral("P_DTMOVIMCAIXA")).setAsDateTime(AutomationDate::today());
        q.open();
        return FormatSettings::dateTimeToStr(q.asDateTime(QStringLiteral("DTMOVIMCAIXA")));
    } catch (const Exception &e) {
        return ADOExceptionMessage(e, rdm.adcCadRedz, QString());
    }
}

QVariant setArqCat52(const QString &CdFilial, const QString &CdCaixa, const QString &CdLoja, const QString &CdOperador,
                     const QString &DtMovimento, const QString &NmArquivo, const QStringList &Conteudo)
{
    TrdmCadRedz &rdm = *rdmCadRedz;
    try {
        const QString filial = codePage(CdFilial);
        const QString caixa = codePage(CdCaixa);
        const QString nome = codePage(NmArquivo);
        const TDateTime movimento = FormatSettings::strToDate(codePage(DtMovimento));

        // The file's whole text, each line ended by CR LF, in the code page the
        // tax authority's file is written in.
        qsizetype size = 0;
        for (const QString &line : Conteudo)
            size += line.size() + 2;
        QByteArray bytes;
        bytes.reserve(size);
        for (const QString &line : Conteudo) {
            bytes += Win1252::encode(line);
            bytes += "\r\n";
        }

        // The row and its content are written together: a row without its
        // file would pass for a stored CAT-52 file.
        rdm.StartTrans();
        AdoCommand &ins = rdm.acmInsArqCat52;
        ins.paramByName(QStringLiteral("P_CDFILIAL")).setAsString(filial);
        ins.paramByName(QStringLiteral("P_CDCAIXA")).setAsString(caixa);
        ins.paramByName(QStringLiteral("P_CDLOJA")).setAsString(codePage(CdLoja));
        ins.paramByName(QStringLiteral("P_CDOPERADOR")).setAsString(codePage(CdOperador));
        ins.paramByName(QStringLiteral("P_DTGERACAT52")).setAsDateTime(AutomationDate::now());
        ins.paramByName(QStringLiteral("P_DTMOVCAT52")).setAsDateTime(movimento);
        ins.paramByName(QStringLiteral("P_NMARQCAT52")).setAsString(nome);
        ins.execute();

        AdoCommand &upd = rdm.acmUpdArqCat52;
        upd.paramByName(QStringLiteral("DSARQCAT52")).setAsBytes(bytes);
        upd.paramByName(QStringLiteral("P_CDFILIAL")).setAsString(filial);
        upd.paramByName(QStringLiteral("P_CDCAIXA")).setAsString(caixa);
        upd.paramByName(QStringLiteral("P_DTMOVCAT52")).setAsDateTime(movimento);
        upd.paramByName(QStringLiteral("P_NMARQCAT52")).setAsString(nome);
        upd.execute();
        // The content is not kept by the command once stored.
        upd.paramByName(QStringLiteral("DSARQCAT52")).clear();
        rdm.CommitTrans();
        return QVariant();
    } catch (const Exception &e) {
        rdm.acmUpdArqCat52.paramByName(QStringLiteral("DSARQCAT52")).clear();
        const QString message = ADOExceptionMessage(e, rdm.adcCadRedz, QString());
        rollbackQuietly(rdm);
        return QVariant(message);
    }
}

// The unit has no state of its own to bring up or down: its places in the
// package's unit table keep the order of the units around it.
void Initialization() {}

void Finalization() {}

} // namespace Srv_kal02700
