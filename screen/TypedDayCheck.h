#pragma once
// A day typed on the screen against the rules a Z reduction meets on its
// own, the ledger's own (ReductionRules), while the printed Z reduction is
// still in the operator's hand: a CRZ, CRO or last coupon of zero is refused
// with its field; sums that do not add up are shown, to be stored only when
// the operator confirms them a second time.
#include "Reduction.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace TypedDayCheck {

struct Outcome {
    int field = 0;      // the refused counter's field (1 to 13), 0 for none
    QString refusal;    // why it is refused; empty when nothing is
    QString divergence; // the sums that do not add up, one line each; empty when they do
};

// The thirteen captions and texts in field order, and the tax list.
Outcome check(const QStringList &captions, const QStringList &texts, const QList<TaxLine> &taxes);

} // namespace TypedDayCheck
