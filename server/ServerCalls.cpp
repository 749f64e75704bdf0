#include "ServerCalls.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "SharedServices.h"
#include "Srv_kal02700.h"
#include "Win1252.h"
#include <cmath>

namespace Srv_kal02700::ServerCalls {

namespace {
const QString kZeroCounter = QStringLiteral("0000000000");

// Codes that arrive as wide text reach the database as the system's 8-bit
// code page holds them.
QString codePage(const QString &wide)
{
    return Win1252::decode(Win1252::encode(wide));
}

template <typename T>
ServerResult<T> failure(const Exception &e, TrdmCadRedz &rdm)
{
    return ServerResult<T>::failure(ADOExceptionMessage(e, rdm.adcCadRedz, QString()));
}

// The file's whole text, each line ended by CR LF, in the code page the tax
// authority's file is written in.
QByteArray fileBytes(const QStringList &lines)
{
    qsizetype size = 0;
    for (const QString &line : lines)
        size += line.size() + 2;
    QByteArray bytes;
    bytes.reserve(size);
    for (const QString &line : lines) {
        bytes += Win1252::encode(line);
        bytes += "\r\n";
    }
    return bytes;
}
} // namespace

void rollbackQuietly(TrdmCadRedz &rdm)
{
    try {
        rdm.RollbackTrans();
    } catch (const Exception &) {
    }
}

ServerResult<QString> firstCoupon(const QString &CdFilial, const QString &CdCaixa, TDateTime Dia)
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
        return ServerResult<QString>::of(valor);
    } catch (const Exception &e) {
        return failure<QString>(e, rdm);
    }
}

ServerResult<QString> taxCode(double Aliquota)
{
    TrdmCadRedz &rdm = *rdmCadRedz;
    try {
        AdoQuery &q = rdm.adqPesqCdImposto;
        q.close();
        q.paramByName(QStringLiteral("VRPEALIMPFIS")).setAsFloat(Aliquota);
        q.open();
        return ServerResult<QString>::of(q.asString(QStringLiteral("CDIMPOSTO")));
    } catch (const Exception &e) {
        return failure<QString>(e, rdm);
    }
}

ServerResult<TDateTime> lastCashMovement(const QString &CdFilial, const QString &CdCaixa)
{
    TrdmCadRedz &rdm = *rdmCadRedz;
    try {
        AdoQuery &q = rdm.adqMaxMovCaixa;
        q.close();
        q.paramByName(QStringLiteral("P_CDFILIAL")).setAsString(codePage(CdFilial));
        q.paramByName(QStringLiteral("P_CDCAIXA")).setAsString(codePage(CdCaixa));
        q.paramByName(QStringLiteral("P_DTMOVIMCAIXA")).setAsDateTime(AutomationDate::today());
        q.open();
        return ServerResult<TDateTime>::of(q.asDateTime(QStringLiteral("DTMOVIMCAIXA")));
    } catch (const Exception &e) {
        return failure<TDateTime>(e, rdm);
    }
}

bool reductionStoredNow(TrdmCadRedz &rdm, const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
                        TDateTime DtReducao)
{
    AdoQuery &q = rdm.adqRedZGravada;
    q.close();
    q.paramByName(QStringLiteral("P_CDFILIAL")).setAsString(CdFilial);
    q.paramByName(QStringLiteral("P_CDCAIXA")).setAsString(CdCaixa);
    q.paramByName(QStringLiteral("P_NRECFREDZ")).setAsString(NrEcf);
    q.paramByName(QStringLiteral("P_DTREDUCAOZ")).setAsDateTime(DtReducao);
    q.open();
    const bool stored = !q.isEmpty();
    q.close();
    return stored;
}

ServerResult<bool> reductionStored(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
                                   TDateTime DtReducao)
{
    TrdmCadRedz &rdm = *rdmCadRedz;
    try {
        return ServerResult<bool>::of(reductionStoredNow(rdm, CdFilial, CdCaixa, NrEcf, DtReducao));
    } catch (const Exception &e) {
        return failure<bool>(e, rdm);
    }
}

LostCommit afterLostCommit(TrdmCadRedz &rdm, const std::function<bool()> &storedNow)
{
    // The session that sent the commit is gone; a new one reads what the
    // server kept. One that cannot be had, or does not answer in time,
    // leaves the outcome unknown.
    try {
        rdm.adcCadRedz.setConnected(true);
        return storedNow() ? LostCommit::Stored : LostCommit::NotStored;
    } catch (const Exception &) {
        return LostCommit::Unknown;
    }
}

ServerResult<Done> storeCat52File(const QString &CdFilial, const QString &CdCaixa, const QString &CdLoja,
                                  const QString &CdOperador, const QString &DtMovimento, const QString &NmArquivo,
                                  const QStringList &Conteudo)
{
    TrdmCadRedz &rdm = *rdmCadRedz;
    try {
        const QString filial = codePage(CdFilial);
        const QString caixa = codePage(CdCaixa);
        const QString nome = codePage(NmArquivo);
        const TDateTime movimento = FormatSettings::strToDate(codePage(DtMovimento));
        const QByteArray bytes = fileBytes(Conteudo);

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
        AdoParameter &conteudo = upd.paramByName(QStringLiteral("DSARQCAT52"));
        conteudo.setAsBytes(bytes);
        upd.paramByName(QStringLiteral("P_CDFILIAL")).setAsString(filial);
        upd.paramByName(QStringLiteral("P_CDCAIXA")).setAsString(caixa);
        upd.paramByName(QStringLiteral("P_DTMOVCAT52")).setAsDateTime(movimento);
        upd.paramByName(QStringLiteral("P_NMARQCAT52")).setAsString(nome);
        upd.execute();
        // The content is not kept by the command once stored.
        conteudo.clear();
        rdm.CommitTrans();
        return ServerResult<Done>::of(Done{});
    } catch (const ECommitUnanswered &e) {
        rdm.acmUpdArqCat52.paramByName(QStringLiteral("DSARQCAT52")).clear();
        const ServerResult<Done> result = failure<Done>(e, rdm);
        switch (afterLostCommit(rdm, [&] { return cat52StoredNow(rdm, CdFilial, CdCaixa, DtMovimento, NmArquivo); })) {
        case LostCommit::Stored:
            return ServerResult<Done>::of(Done{});
        case LostCommit::NotStored:
            return result;
        case LostCommit::Unknown:
            break;
        }
        return ServerResult<Done>::uncertain(
            QStringLiteral("não foi possível saber se o arquivo Cat-52 %1 foi gravado: confira antes de guardá-lo com "
                           "kal02700-fiscal cat52-guardar.")
                .arg(NmArquivo));
    } catch (const Exception &e) {
        rdm.acmUpdArqCat52.paramByName(QStringLiteral("DSARQCAT52")).clear();
        const ServerResult<Done> result = failure<Done>(e, rdm);
        rollbackQuietly(rdm);
        return result;
    }
}

bool cat52StoredNow(TrdmCadRedz &rdm, const QString &CdFilial, const QString &CdCaixa, const QString &DtMovimento,
                    const QString &NmArquivo)
{
    AdoQuery &q = rdm.adqArqCat52Gravado;
    q.close();
    q.paramByName(QStringLiteral("P_CDFILIAL")).setAsString(codePage(CdFilial));
    q.paramByName(QStringLiteral("P_CDCAIXA")).setAsString(codePage(CdCaixa));
    q.paramByName(QStringLiteral("P_DTMOVCAT52")).setAsDateTime(FormatSettings::strToDate(codePage(DtMovimento)));
    q.paramByName(QStringLiteral("P_NMARQCAT52")).setAsString(codePage(NmArquivo));
    q.open();
    const bool stored = !q.isEmpty();
    q.close();
    return stored;
}

ServerResult<QList<QByteArray>> cat52FilesOfDay(const QString &CdFilial, const QString &CdCaixa, TDateTime Dia)
{
    TrdmCadRedz &rdm = *rdmCadRedz;
    try {
        AdoQuery &q = rdm.adqArqCat52DoDia;
        q.close();
        q.paramByName(QStringLiteral("P_CDFILIAL")).setAsString(codePage(CdFilial));
        q.paramByName(QStringLiteral("P_CDCAIXA")).setAsString(codePage(CdCaixa));
        q.paramByName(QStringLiteral("P_DTMOVCAT52")).setAsDateTime(AutomationDate::dateOf(Dia));
        q.open();
        QList<QByteArray> files;
        for (q.first(); !q.eof(); q.next())
            files << q.value(QStringLiteral("DSARQCAT52")).toByteArray();
        q.close();
        return ServerResult<QList<QByteArray>>::of(files);
    } catch (const Exception &e) {
        return failure<QList<QByteArray>>(e, rdm);
    }
}

ServerResult<Cat52DayFigures> storedDay(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
                                        TDateTime DtReducao)
{
    TrdmCadRedz &rdm = *rdmCadRedz;
    try {
        AdoQuery &q = rdm.adqRedZDoDia;
        q.close();
        q.paramByName(QStringLiteral("P_CDFILIAL")).setAsString(CdFilial);
        q.paramByName(QStringLiteral("P_CDCAIXA")).setAsString(CdCaixa);
        q.paramByName(QStringLiteral("P_NRECFREDZ")).setAsString(NrEcf);
        q.paramByName(QStringLiteral("P_DTREDUCAOZ")).setAsDateTime(DtReducao);
        q.open();
        if (q.isEmpty())
            throw Exception(
                QStringLiteral("A Redução Z de %1 não está gravada.").arg(FormatSettings::dateToStr(DtReducao)));
        auto contador = [&q](const char *coluna) {
            bool numero = false;
            const qint64 valor = q.asString(QLatin1String(coluna)).trimmed().toLongLong(&numero);
            return numero ? valor : -1;
        };
        Cat52DayFigures dia;
        dia.serial = q.asString(QStringLiteral("NRSERIEREDZ"));
        dia.crz = contador("NRREDREDZ");
        dia.cro = contador("NRREINIREDZ");
        dia.lastCoupon = contador("NRULTCFREDZ");
        dia.day = AutomationDate::toDate(AutomationDate::dateOf(DtReducao));
        dia.gross = std::llround(q.asFloat(QStringLiteral("VRVENBRUREDZ")) * 100);
        q.close();
        return ServerResult<Cat52DayFigures>::of(dia);
    } catch (const Exception &e) {
        return failure<Cat52DayFigures>(e, rdm);
    }
}

} // namespace Srv_kal02700::ServerCalls
