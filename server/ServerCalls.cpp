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

bool reductionStoredNow(TrdmCadRedz &rdm, const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
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

LostCommit afterLostCommit(TrdmCadRedz &rdm, const std::function<bool()> &storedNow)
{
    // The session that sent the commit is gone on our side; on the server
    // its commit may still be running (a standby that does not confirm, a
    // slow trigger). A new session waits for it to end, or ends it, and only
    // then reads what the server kept. One that cannot be had, does not
    // answer in time or still sees the old session at the end of the wait
    // leaves the outcome unknown.
    AdoConnection &connection = rdm.adcCadRedz;
    const ServerSession lost = connection.serverSession();
    try {
        connection.setConnected(true);
        const qint64 answerMs = ConnectionString::parse(connection.connectionString()).answerTimeoutMs();
        if (!lost.awaitEnd(connection, answerMs > 0 ? answerMs : 30000))
            return LostCommit::Unknown;
        return storedNow() ? LostCommit::Stored : LostCommit::NotStored;
    } catch (const Exception &) {
        return LostCommit::Unknown;
    }
}

namespace {
// Whether one of the day's stored files (the contents given) is a file of
// that printer serial.
bool ofPrinter(const QList<QByteArray> &files, const QString &serial)
{
    for (const QByteArray &file : files) {
        const std::optional<E12Record> e12 = Cat52Record::findE12(file);
        if (e12 && e12->serial.trimmed() == serial.trimmed())
            return true;
    }
    return false;
}

QList<QByteArray> filesOfDayNow(TrdmCadRedz &rdm, const QString &filial, const QString &caixa, TDateTime dia)
{
    AdoQuery &q = rdm.adqArqCat52DoDia;
    q.close();
    q.paramByName(QStringLiteral("P_CDFILIAL")).setAsString(filial);
    q.paramByName(QStringLiteral("P_CDCAIXA")).setAsString(caixa);
    q.paramByName(QStringLiteral("P_DTMOVCAT52")).setAsDateTime(AutomationDate::dateOf(dia));
    q.open();
    QList<QByteArray> files;
    for (q.first(); !q.eof(); q.next())
        files << q.value(QStringLiteral("DSARQCAT52")).toByteArray();
    q.close();
    return files;
}

// The file's row and content in one transaction. With a serial, the day's
// Z reductions are locked first and the file is stored only when none of
// that printer is: two runs finishing one day store it once. False when
// that printer's file was there.
bool storeFile(TrdmCadRedz &rdm, const QStringList &codes, TDateTime movimento, const QString &nome,
               const QByteArray &bytes, const QString &serialOnce)
{
    rdm.StartTrans();
    if (!serialOnce.isEmpty()) {
        AdoCommand &trava = rdm.acmTravaRedZ;
        trava.paramByName(QStringLiteral("P_CDFILIAL")).setAsString(codes[0]);
        trava.paramByName(QStringLiteral("P_CDCAIXA")).setAsString(codes[1]);
        trava.paramByName(QStringLiteral("P_DTREDUCAOZ")).setAsDateTime(movimento);
        trava.execute();
        if (ofPrinter(filesOfDayNow(rdm, codes[0], codes[1], movimento), serialOnce)) {
            rdm.RollbackTrans();
            return false;
        }
    }
    AdoCommand &ins = rdm.acmInsArqCat52;
    ins.paramByName(QStringLiteral("P_CDFILIAL")).setAsString(codes[0]);
    ins.paramByName(QStringLiteral("P_CDCAIXA")).setAsString(codes[1]);
    ins.paramByName(QStringLiteral("P_CDLOJA")).setAsString(codes[2]);
    ins.paramByName(QStringLiteral("P_CDOPERADOR")).setAsString(codes[3]);
    ins.paramByName(QStringLiteral("P_DTGERACAT52")).setAsDateTime(AutomationDate::now());
    ins.paramByName(QStringLiteral("P_DTMOVCAT52")).setAsDateTime(movimento);
    ins.paramByName(QStringLiteral("P_NMARQCAT52")).setAsString(nome);
    ins.execute();

    AdoCommand &upd = rdm.acmUpdArqCat52;
    AdoParameter &conteudo = upd.paramByName(QStringLiteral("DSARQCAT52"));
    conteudo.setAsBytes(bytes);
    upd.paramByName(QStringLiteral("P_CDFILIAL")).setAsString(codes[0]);
    upd.paramByName(QStringLiteral("P_CDCAIXA")).setAsString(codes[1]);
    upd.paramByName(QStringLiteral("P_DTMOVCAT52")).setAsDateTime(movimento);
    upd.paramByName(QStringLiteral("P_NMARQCAT52")).setAsString(nome);
    upd.execute();
    // The content is not kept by the command once stored.
    conteudo.clear();
    rdm.CommitTrans();
    return true;
}
} // namespace

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
    try {
        const QStringList codes{codePage(CdFilial), codePage(CdCaixa), codePage(CdLoja), codePage(CdOperador)};
        const TDateTime movimento = FormatSettings::strToDate(codePage(DtMovimento));
        return ServerResult<bool>::of(
            storeFile(rdm, codes, movimento, codePage(NmArquivo), fileBytes(Conteudo), NrSerieEcf));
    } catch (const ECommitUnanswered &e) {
        rdm.acmUpdArqCat52.paramByName(QStringLiteral("DSARQCAT52")).clear();
        const ServerResult<bool> result = failure<bool>(e, rdm);
        switch (afterLostCommit(rdm, [&] { return cat52StoredNow(rdm, CdFilial, CdCaixa, DtMovimento, NmArquivo); })) {
        case LostCommit::Stored:
            return ServerResult<bool>::of(true);
        case LostCommit::NotStored:
            return result;
        case LostCommit::Unknown:
            break;
        }
        return ServerResult<bool>::uncertain(
            QStringLiteral("não foi possível saber se o arquivo Cat-52 %1 foi gravado: confira antes de guardá-lo com "
                           "kal02700-fiscal cat52-guardar.")
                .arg(NmArquivo));
    } catch (const Exception &e) {
        rdm.acmUpdArqCat52.paramByName(QStringLiteral("DSARQCAT52")).clear();
        const ServerResult<bool> result = failure<bool>(e, rdm);
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
    if (!rdmCadRedz)
        return NoDataModule();
    TrdmCadRedz &rdm = *rdmCadRedz;
    try {
        return ServerResult<QList<QByteArray>>::of(filesOfDayNow(rdm, codePage(CdFilial), codePage(CdCaixa), Dia));
    } catch (const Exception &e) {
        return failure<QList<QByteArray>>(e, rdm);
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
