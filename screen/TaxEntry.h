#pragma once
// The tax button's work: the tax package's dialog for the day (CriaImpostoRedz),
// what became of it, and the line the screen shows of the list it gave.
#include "AutomationDate.h"
#include "Result.h"
#include <QString>
#include <QVariant>
#include <optional>

class ClientDataSet;

namespace TaxEntry {

struct Day {
    QString cdFilial;
    QString cdCaixa;
    QString nrEcf;
    TDateTime dtReducao = 0;
    TDateTime dtUltRedZ = 0;
};

// Has the tax package produce the day's lines, starting from `dados` (the
// list confirmed before): the new list; none when the operator cancelled
// the package (the silent abort), the list before standing; or why not, a
// Portuguese sentence first.
Result<std::optional<QVariant>> run(const Day &day, ClientDataSet &totalizadores, const QVariant &dados);

// What the screen shows of a list: its lines and their total base ("Impostos:
// 2 alíquotas, base de cálculo 468,45"); empty for no list, a line of its own
// for a list that cannot be read.
QString summary(const QVariant &dados);

} // namespace TaxEntry
