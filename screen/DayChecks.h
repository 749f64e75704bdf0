#pragma once
// The confirmation's checks of the day's figures, before anything is stored:
// every figure as a fiscal file can carry it (the thirteen fields, the
// printer's totalisers, the tax list), and a day typed on the screen against
// the rules a Z reduction meets on its own, the ledger's own
// (ReductionRules), while the printed Z reduction is still in the operator's
// hand: a CRZ, CRO or last coupon of zero is refused with its field; sums
// that do not add up are shown, to be stored only when confirmed again.
#include "TaxLines.h"

#include <QString>
#include <QStringList>

class ClientDataSet;

namespace DayChecks {

struct Refusal {
    int field = 0; // the refused field (1 to 13), 0 for a totaliser or tax line
    QString line;  // why; empty when nothing is refused
    bool refused() const { return !line.isEmpty(); }
};

// The thirteen captions and texts in field order.
Refusal figures(const QStringList &captions, const QStringList &texts);
// The printer's totalisers (the rows that become the tax lines).
QString totalisers(ClientDataSet &totalizadores);
// The tax list's lines as they will be stored; the list is left on its first row.
QString taxLines(ClientDataSet &lista, const TaxLines::Fields &campos);

struct TypedDay {
    Refusal refusal;    // a counter of zero
    QString divergence; // the sums that do not add up, one line each; empty when they do
};
// A typed day with its tax list; the list is left on its first row.
TypedDay typedDay(const QStringList &captions, const QStringList &texts, ClientDataSet &lista,
                  const TaxLines::Fields &campos);

} // namespace DayChecks
