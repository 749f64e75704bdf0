#pragma once
// The rules a Z reduction meets on its own, with its tax lines: the same
// functions answer for the screen before a typed day is saved and for the
// fiscal ledger's audit of the stored days, so the two cannot disagree about
// what a valid day is. Money in cents, as in Reduction.
#include "Reduction.h"

#include <QList>
#include <optional>

namespace ReductionRules {

// A day as the screen holds it: the thirteen figures' texts in field order
// (counters as digits, amounts with the decimal comma), read as the ledger
// reads a stored row. A text that is no number reads as -1 for a counter
// and 0 for an amount (the screen's figure checks refuse both first).
Reduction fromTexts(const QStringList &texts, const QList<TaxLine> &taxes);

// The counters the fiscal files need: CRO, CRZ and the last coupon, by the
// screen's field (Tag).
enum class Counter { Cro = 2, Crz = 1, LastCoupon = 4 };

// Those of them that are zero or empty, in the order CRO, CRZ, last coupon.
QList<Counter> zeroCounters(const Reduction &r);

// What a sum should be and what the day holds.
struct Divergence {
    qint64 expected;
    qint64 found;
};

// Net sales against gross sales less cancellations and discounts.
std::optional<Divergence> netSales(const Reduction &r);

// The day's totalisers as the EFD's C420 lines carry them (the taxed bases
// of the lines with a rate and a base, F1, I1, N1, cancellations and
// discounts) against gross sales: expected is gross sales, found their sum.
std::optional<Divergence> totalisers(const Reduction &r);
// The taxed bases that count in that sum.
qint64 taxedBases(const Reduction &r);

// The last coupon below the first, unless the coupon counter turned over
// during the day (a first coupon within 1,000 of 999999, a last one under
// 1,000).
bool couponsInverted(const Reduction &r);

} // namespace ReductionRules
