#include "ServerCalls.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "SharedServices.h"
#include "Srv_kal02700.h"
#include "Win1252.h"
#include "ConnectionString.h"
#include <cmath>
#include <optional>

namespace Srv_kal02700::ServerCalls {

namespace {
const QString kZeroCounter = QStringLiteral("0000000000");

// Codes that arrive as wide text reach the database as the system's 8-bit
// code page holds them.
QString codePage(const QString &wide)
{
    return Win1252::decode(Win1252::encode(wide));
}

// Any call's failure before the data module exists: a host may call the
// exported methods before its first CriaCadRedZ.
struct NoDataModule {
    template <typename T>
    operator ServerResult<T>() const
    {
        return ServerResult<T>::failure(noDataModuleMessage());
    }
};

template <typename T>
ServerResult<T> failure(const Exception &e, TrdmCadRedz &rdm)
{
    return ServerResult<T>::failure(ADOExceptionMessage(e, rdm.adcCadRedz, QString()));
}
} // namespace

QString noDataModuleMessage()
{
    return QStringLiteral("O módulo de dados da Redução Z ainda não foi criado: chame CriaCadRedZ antes dos métodos "
                          "do servidor.");
}

void rollbackQuietly(TrdmCadRedz &rdm)
{
    try {
        rdm.RollbackTrans();
    } catch (const Exception &) {
    }
}

ServerResult<QString> firstCoupon(const QString &CdFilial, const QString &CdCaixa, TDateTime Dia,
                                  const QString &NrSerieEcf)
{
    if (!rdmCadRedz)
        return NoDataModule();
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
            // coupon of the printer's latest Z reduction on the register (of
            // the register's latest, when the printer is not named). Another
            // printer's coupons count on another counter.
            const bool ofPrinter = !NrSerieEcf.trimmed().isEmpty();
            AdoQuery &u = ofPrinter ? rdm.adqUltimoCupomEcf : rdm.adqUltimoCupom;
            u.close();
            u.paramByName(QStringLiteral("P_CDFILIAL")).setAsString(CdFilial);
            u.paramByName(QStringLiteral("P_CDCAIXA")).setAsString(CdCaixa);
            if (ofPrinter)
                u.paramByName(QStringLiteral("P_NRSERIEREDZ")).setAsString(NrSerieEcf);
            u.open();
            qint64 ultimo = 0;
            try {
                ultimo = FormatSettings::strToInt(u.asString(QStringLiteral("PRIMEIROCUPOM")));
            } catch (const EConvertError &e) {
                // A register without a Z reduction (or with an unreadable
                // last coupon) has nothing to count from.
                return ServerResult<QString>::notFound(ADOExceptionMessage(e, rdm.adcCadRedz, QString()));
            }
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
    if (!rdmCadRedz)
        return NoDataModule();
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
    if (!rdmCadRedz)
        return NoDataModule();
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

// A day's Z reduction is looked up by its key: branch, register, printer
// number and day.
static void bindDayKey(AdoQuery &q, const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
                       TDateTime DtReducao)
{
    q.close();
    q.paramByName(QStringLiteral("P_CDFILIAL")).setAsString(CdFilial);
    q.paramByName(QStringLiteral("P_CDCAIXA")).setAsString(CdCaixa);
    q.paramByName(QStringLiteral("P_NRECFREDZ")).setAsString(NrEcf);
    q.paramByName(QStringLiteral("P_DTREDUCAOZ")).setAsDateTime(DtReducao);
}

// Whether the day is stored, read on the connection as it stands; raises on
// failure, for its callers in this unit to turn into their result.
static bool reductionStoredNow(TrdmCadRedz &rdm, const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
                               TDateTime DtReducao)
{
    AdoQuery &q = rdm.adqRedZGravada;
    bindDayKey(q, CdFilial, CdCaixa, NrEcf, DtReducao);
    q.open();
    const bool stored = !q.isEmpty();
    q.close();
    return stored;
}

ServerResult<bool> reductionStored(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
                                   TDateTime DtReducao)
{
    if (!rdmCadRedz)
        return NoDataModule();
    TrdmCadRedz &rdm = *rdmCadRedz;
    try {
        return ServerResult<bool>::of(reductionStoredNow(rdm, CdFilial, CdCaixa, NrEcf, DtReducao));
    } catch (const Exception &e) {
        return failure<bool>(e, rdm);
    }
}

LostCommit afterLostCommit(TrdmCadRedz &rdm, const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
                           TDateTime DtReducao)
{
    // The platform's check raises where the read fails: the day is then unknown.
    const auto storedNow = [&] { return reductionStoredNow(rdm, CdFilial, CdCaixa, NrEcf, DtReducao); };
    switch (ServerSession::afterLostCommit(rdm.adcCadRedz, storedNow)) {
    case ServerSession::LostCommit::Stored:
        return LostCommit::Stored;
    case ServerSession::LostCommit::NotStored:
        return LostCommit::NotStored;
    case ServerSession::LostCommit::Unknown:
        break;
    }
    return LostCommit::Unknown;
}

ServerResult<Done> storeCat52File(const QString &CdFilial, const QString &CdCaixa, const QString &CdLoja,
                                  const QString &CdOperador, const QString &DtMovimento, const QString &NmArquivo,
                                  const QStringList &Conteudo)
{
    const ServerResult<bool> stored = storeCat52FileOnce(CdFilial, CdCaixa, CdLoja, CdOperador, DtMovimento, NmArquivo,
                                                         Conteudo, QString());
    if (stored.ok())
        return ServerResult<Done>::of(Done{});
    return stored.isUncertain() ? ServerResult<Done>::uncertain(stored.error())
                                : ServerResult<Done>::failure(stored.error());
}

ServerResult<bool> storeCat52FileOnce(const QString &CdFilial, const QString &CdCaixa, const QString &CdLoja,
                                      const QString &CdOperador, const QString &DtMovimento, const QString &NmArquivo,
                                      const QStringList &Conteudo, const QString &NrSerieEcf)
{
    if (!rdmCadRedz)
        return NoDataModule();
    TrdmCadRedz &rdm = *rdmCadRedz;
    Cat52FileStore::File file;
    try {
        const TDateTime movimento = FormatSettings::strToDate(codePage(DtMovimento));
        file = {codePage(CdFilial),
                codePage(CdCaixa),
                codePage(CdLoja),
                codePage(CdOperador),
                AutomationDate::toDate(movimento),
                codePage(NmArquivo),
                Cat52FileStore::contentOf(Conteudo)};
    } catch (const Exception &e) {
        return failure<bool>(e, rdm);
    }
    const Cat52FileStore::Outcome outcome = rdm.arqCat52.store(
        file, NrSerieEcf, [&rdm](const Exception &e) { return ADOExceptionMessage(e, rdm.adcCadRedz, QString()); });
    switch (outcome.kind) {
    case Cat52FileStore::Outcome::Stored:
        return ServerResult<bool>::of(true);
    case Cat52FileStore::Outcome::PrinterHadOne:
        return ServerResult<bool>::of(false);
    case Cat52FileStore::Outcome::Uncertain:
        return ServerResult<bool>::uncertain(outcome.message);
    case Cat52FileStore::Outcome::Failed:
        break;
    }
    return ServerResult<bool>::failure(outcome.message);
}

ServerResult<bool> printerCat52Stored(const QString &CdFilial, const QString &CdCaixa, TDateTime Dia,
                                      const QString &NrSerieEcf)
{
    if (!rdmCadRedz)
        return NoDataModule();
    TrdmCadRedz &rdm = *rdmCadRedz;
    try {
        return ServerResult<bool>::of(rdm.arqCat52.printerFileStored(codePage(CdFilial), codePage(CdCaixa),
                                                                     AutomationDate::toDate(Dia), NrSerieEcf));
    } catch (const Exception &e) {
        return failure<bool>(e, rdm);
    }
}

ServerResult<Cat52DayFigures> storedDay(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
                                        TDateTime DtReducao)
{
    if (!rdmCadRedz)
        return NoDataModule();
    TrdmCadRedz &rdm = *rdmCadRedz;
    try {
        AdoQuery &q = rdm.adqRedZDoDia;
        bindDayKey(q, CdFilial, CdCaixa, NrEcf, DtReducao);
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
