#include "PrinterPrefill.h"
#include "ClientDataSet.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "ReductionFigures.h"
#include "ScreenSupport.h"
#include "ServerCalls.h"
#include "Shield.h"
#include "Wmb00001.h"
#include <algorithm>

namespace {
constexpr int indiceDataUltima = 46;
const QString semReducaoZ = QStringLiteral("00/00/00");

bool soDigitos(const QString &texto)
{
    return !texto.isEmpty() && std::all_of(texto.cbegin(), texto.cend(), [](QChar c) { return c.isDigit(); });
}
} // namespace

PrinterPrefill::Result PrinterPrefill::read(const Day &day, const QStringList &captions, ClientDataSet &totalizadores)
{
    Result result;
    for (int i = 0; i < ReductionFigures::Count; ++i)
        result.fields << QString();
    // Whatever goes wrong, the screen opens as it stands: the printer may
    // simply not answer, and the operator types the day in by hand.
    shield(
        [&] {
            readPrinter(day, totalizadores, result);
            const std::optional<TDateTime> ultima = lastReductionDay(day, result);
            if (ultima && readFirstCoupon(day, *ultima, result))
                judge(day, *ultima, captions, result);
        },
        [&](const QString &texto) {
            result.outcome = Outcome::Failed;
            if (result.reason.isEmpty())
                result.reason = texto;
        });
    return result;
}

::Result<QString> PrinterPrefill::model()
{
    try {
        if (!Wmb00001::Modelo_Impressora)
            return ::Result<QString>::failure(QStringLiteral("O pacote da impressora fiscal não está carregado."));
        QString modelo, marca, outro;
        Wmb00001::Modelo_Impressora(QString(), modelo, marca, outro);
        return ::Result<QString>::of(
            (Cli_kal02700::trimPrinterText(modelo) + QLatin1Char('|') + Cli_kal02700::trimPrinterText(marca)).left(30));
    } catch (const Exception &erro) {
        return ::Result<QString>::failure(erro.message());
    } catch (const std::exception &erro) {
        return ::Result<QString>::failure(QString::fromLocal8Bit(erro.what()));
    }
}

void PrinterPrefill::readPrinter(const Day &day, ClientDataSet &totalizadores, Result &result)
{
    QVariantList ultimaRedZ(51);
    try {
        if (!Wmb00001::DadosUltimaRedZ)
            throw Exception(QStringLiteral("O pacote da impressora fiscal não está carregado."));
        Wmb00001::DadosUltimaRedZ(QVariant(day.idEsquema), 0, ultimaRedZ, totalizadores);
    } catch (const Exception &erro) {
        result.reason = QStringLiteral("A memória da impressora fiscal não pôde ser lida: ") + erro.message();
        throw;
    }
    // The first coupon has no place in the array: it comes from the lookups.
    for (const ReductionFigures::Figure &figure : ReductionFigures::all())
        result.fields[figure.tag - 1] = figure.printerIndex < 0 ? QString()
                                                                : ultimaRedZ.value(figure.printerIndex).toString();
    result.lastReduction = ultimaRedZ.value(indiceDataUltima).toString();
}

std::optional<TDateTime> PrinterPrefill::lastReductionDay(const Day &day, Result &result)
{
    // A printer without a last Z reduction: the day is the register's last
    // cash movement. A failed lookup is no date: the day stays unknown.
    const bool semReducao = *result.lastReduction == semReducaoZ;
    if (semReducao) {
        const auto movimento = Srv_kal02700::ServerCalls::lastCashMovement(day.cdFilial, day.cdCaixa);
        if (!movimento.ok()) {
            result.lastReduction = QString();
            result.reason = QStringLiteral("A impressora fiscal não tem redução Z e a última movimentação do caixa "
                                           "não pôde ser consultada: ")
                            + movimento.error();
            return std::nullopt;
        }
        result.lastReduction = FormatSettings::dateTimeToStr(movimento.value());
    }
    try {
        return FormatSettings::strToDate(*result.lastReduction);
    } catch (const EConvertError &) {
        result.reason = (semReducao
                             ? QStringLiteral("A impressora fiscal não tem redução Z e a data da última "
                                              "movimentação do caixa não pôde ser lida: '%1'.")
                             : QStringLiteral("A data da última redução Z da impressora não pôde ser lida: '%1'."))
                            .arg(*result.lastReduction);
        return std::nullopt;
    }
}

bool PrinterPrefill::readFirstCoupon(const Day &day, TDateTime lastDay, Result &result)
{
    const auto inicial = Srv_kal02700::ServerCalls::firstCoupon(day.cdFilial, day.cdCaixa, lastDay, day.nrSerieEcf);
    // Only a number is a coupon, and its last six digits are the one the
    // printer prints.
    if (inicial.ok() && soDigitos(inicial.value())) {
        result.fields[2] = inicial.value().right(6);
        return true;
    }
    const QString diaPedido = FormatSettings::dateTimeToStr(day.dtReducao);
    if (lastDay != day.dtReducao)
        result.reason = QStringLiteral("A última redução Z da impressora é de %1, não de %2.")
                            .arg(FormatSettings::dateToStr(lastDay), diaPedido);
    else if (inicial.ok() || inicial.isNotFound())
        result.reason = QStringLiteral("O cupom fiscal inicial de %1 não foi encontrado (nem contador do dia nem "
                                       "redução Z anterior deste ECF no caixa).")
                            .arg(diaPedido);
    else
        // The database failed or did not answer: nothing was found out.
        result.reason =
            QStringLiteral("Não foi possível ler o cupom fiscal inicial de %1: %2").arg(diaPedido, inicial.error());
    return false;
}

void PrinterPrefill::judge(const Day &day, TDateTime lastDay, const QStringList &captions, Result &result)
{
    // Figures of another day, or incomplete ones, are typed in by hand: a
    // locked screen with an empty field could never be confirmed.
    const QString diaPedido = FormatSettings::dateTimeToStr(day.dtReducao);
    if (lastDay != day.dtReducao) {
        result.outcome = Outcome::OtherDay;
        result.reason = QStringLiteral("A última redução Z da impressora é de %1, não de %2.")
                            .arg(FormatSettings::dateToStr(lastDay), diaPedido);
        return;
    }
    QStringList faltam;
    for (qsizetype i = 0; i < result.fields.size(); ++i)
        if (result.fields.at(i).isEmpty())
            faltam << captions.value(i);
    if (!faltam.isEmpty()) {
        result.outcome = Outcome::Incomplete;
        result.reason = QStringLiteral(
                            "A impressora fiscal não informou todos os valores da redução Z de %1: faltam %2.")
                            .arg(diaPedido, faltam.join(QStringLiteral(", ")));
        return;
    }
    result.outcome = Outcome::Filled;
}
