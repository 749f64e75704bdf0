#include "DayRefusal.h"
#include "Cat52Stage.h"
#include "FormatSettings.h"
#include "ServerCalls.h"

namespace DayRefusal {

Result<bool> isStored(const Day &day)
{
    const TDateTime hoje = AutomationDate::today();
    if (AutomationDate::dateOf(day.dtReducao) > hoje)
        return Result<bool>::failure(
            QStringLiteral("A data da Redução Z (%1) é posterior a hoje (%2).")
                .arg(FormatSettings::dateToStr(day.dtReducao), FormatSettings::dateToStr(hoje)));
    const auto gravada = Srv_kal02700::ServerCalls::reductionStored(day.cdFilial, day.cdCaixa, day.nrEcf,
                                                                    day.dtReducao);
    if (!gravada.ok())
        return Result<bool>::failure(QStringLiteral("Não foi possível saber se a Redução Z de %1 já está gravada: %2")
                                         .arg(FormatSettings::dateToStr(day.dtReducao), gravada.error().simplified()));
    return gravada;
}

Result<Refusal> storedDay(const Day &day, const QString &idTipoImpFis, const QString &idGeraArqVndrio, QWidget *form,
                          const QString &notice, const ClientDataSet &parametros)
{
    // Without the printer file the screen cannot tell whether a file is due.
    if (!idTipoImpFis.isEmpty()) {
        const Result<bool> devido = Cat52Stage::isDue(idTipoImpFis, idGeraArqVndrio);
        if (!devido)
            return Result<Refusal>::failureOf(devido);
        if (devido.value()) {
            const Cat52Stage::Completion completado = Cat52Stage(day.cdFilial, day.cdCaixa)
                                                          .completeStoredDay(form, notice, parametros, day.nrEcf,
                                                                             day.nrSerieEcf, day.dtReducao);
            if (!completado.line.isEmpty())
                return Result<Refusal>::of({completado.line, completado.kind});
        }
    }
    return Result<Refusal>::of({QStringLiteral("A Redução Z de %1 do caixa %2 (ECF %3) já está gravada.")
                                    .arg(FormatSettings::dateToStr(day.dtReducao), day.cdCaixa, day.nrEcf),
                                tmErro});
}

} // namespace DayRefusal
