#include "TaxEntry.h"
#include "ClientDataSet.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "TaxLines.h"
#include "Wmb00002.h"
#include <cmath>

namespace TaxEntry {

namespace {
const QString Failed = QStringLiteral("O pacote de impostos falhou: ");

bool isList(const QVariant &dados)
{
    return dados.isValid() && !dados.isNull();
}
} // namespace

Result<std::optional<QVariant>> run(const Day &day, ClientDataSet &totalizadores, const QVariant &dados)
{
    using Lista = Result<std::optional<QVariant>>;
    // The list confirmed before goes in: a package that is cancelled leaves it.
    QVariant lista = dados;
    try {
        if (!Wmb00002::CriaImpostoRedz)
            return Lista::failure(QStringLiteral("O pacote de impostos não está carregado."));
        Wmb00002::CriaImpostoRedz(day.cdFilial, day.cdCaixa, day.nrEcf, day.dtReducao, day.dtUltRedZ, totalizadores,
                                  lista);
    } catch (const EAbort &) {
        return Lista::of(std::nullopt);
    } catch (const Exception &erro) {
        return Lista::failure(Failed + erro.message());
    } catch (const std::exception &erro) {
        return Lista::failure(Failed + QString::fromLocal8Bit(erro.what()));
    }
    return Lista::of(lista);
}

QString summary(const QVariant &dados)
{
    if (!isList(dados))
        return QString();
    qint64 centavos = 0;
    int linhas = 0;
    try {
        ClientDataSet lista(QStringLiteral("cdsImpRedZ"));
        const TaxLines::Fields campos = TaxLines::addFields(lista);
        lista.setData(dados);
        for (lista.first(); !lista.eof(); lista.next()) {
            ++linhas;
            const double base = campos.VRBCALCIMPRZ->asFloat();
            centavos += std::isfinite(base) && std::abs(base) < 1e15 ? std::llround(base * 100) : 0;
        }
    } catch (const Exception &) {
        return QStringLiteral("Impostos: a lista do pacote de impostos não pôde ser lida.");
    }
    if (linhas == 0)
        return QStringLiteral("Impostos: nenhuma alíquota informada.");
    return QStringLiteral("Impostos: %1 %2, base de cálculo %3")
        .arg(QString::number(linhas), linhas == 1 ? QStringLiteral("alíquota") : QStringLiteral("alíquotas"),
             FormatSettings::displayMoney(centavos));
}

} // namespace TaxEntry
