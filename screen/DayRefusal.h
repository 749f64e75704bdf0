#pragma once
// The days a screen can never store, refused at the opening before anything
// is typed: a day after today (it would later take the real one's place),
// and a day stored already for the branch, register and printer (it would be
// refused at the end), whose missing CAT-52 file the rerun makes first.
#include "AutomationDate.h"
#include "Result.h"
#include "SharedServices.h"
#include <QString>

class ClientDataSet;
class QWidget;

namespace DayRefusal {

struct Day {
    QString cdFilial;
    QString cdCaixa;
    QString nrEcf;
    QString nrSerieEcf;
    TDateTime dtReducao = 0;
};

// Whether the day is stored; a failure, with the line the host reads, for a
// day after today or a database that cannot tell.
Result<bool> isStored(const Day &day);

// The refusal of a stored day and the kind of its notice. When the printer
// type calls for a CAT-52 file (`idTipoImpFis` known) and none of this
// printer's is stored, a run cut short after its commit left the day without
// it: the stage runs first, under `notice` over `form`, and the line says
// what became of the file. A failure when the printer type is no number.
struct Refusal {
    QString line;
    TTipoMsg kind = tmErro;
};
Result<Refusal> storedDay(const Day &day, const QString &idTipoImpFis, const QString &idGeraArqVndrio, QWidget *form,
                          const QString &notice, const ClientDataSet &parametros);

} // namespace DayRefusal
