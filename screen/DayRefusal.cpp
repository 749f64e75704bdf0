#include "DayRefusal.h"
#include "Cat52Stage.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "ScreenSupport.h"
#include "ServerCalls.h"

using namespace Cli_kal02700;

namespace DayRefusal {

namespace {
[[noreturn]] void refuse(const QString &line)
{
    setReason(line);
    throw Exception(line);
}
} // namespace

bool isStored(const Day &day)
{
    const TDateTime hoje = AutomationDate::today();
    if (AutomationDate::dateOf(day.dtReducao) > hoje)
        refuse(QStringLiteral("A data da Redução Z (%1) é posterior a hoje (%2).")
                   .arg(FormatSettings::dateToStr(day.dtReducao), FormatSettings::dateToStr(hoje)));
    const auto gravada = Srv_kal02700::ServerCalls::reductionStored(day.cdFilial, day.cdCaixa, day.nrEcf,
                                                                    day.dtReducao);
    if (!gravada.ok())
        refuse(QStringLiteral("Não foi possível saber se a Redução Z de %1 já está gravada: %2")
                   .arg(FormatSettings::dateToStr(day.dtReducao), gravada.error().simplified()));
    return gravada.value();
}

Refusal storedDay(const Day &day, const QString &idTipoImpFis, const QString &idGeraArqVndrio, QWidget *form,
                  const QString &notice, const ClientDataSet &parametros)
{
    // Without the printer file the screen cannot tell whether a file is due.
    if (!idTipoImpFis.isEmpty() && Cat52Stage::isDue(idTipoImpFis, idGeraArqVndrio)) {
        const Cat52Stage::Completion completado = Cat52Stage(day.cdFilial, day.cdCaixa)
                                                      .completeStoredDay(form, notice, parametros, day.nrEcf,
                                                                         day.nrSerieEcf, day.dtReducao);
        if (!completado.line.isEmpty())
            return {completado.line, completado.kind};
    }
    return {QStringLiteral("A Redução Z de %1 do caixa %2 (ECF %3) já está gravada.")
                .arg(FormatSettings::dateToStr(day.dtReducao), day.cdCaixa, day.nrEcf),
            tmErro};
}

} // namespace DayRefusal
