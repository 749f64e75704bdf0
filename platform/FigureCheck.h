#pragma once
// The figures of a Z reduction as a fiscal file can carry them, checked before
// anything is stored: an amount is a finite number of at most two decimals,
// not negative, with no more digits than its CAT-52 field; a counter is
// digits within its width. Each check gives the line that refuses the figure,
// naming it and quoting its value (40 characters at most), or an empty text.
#include "ReductionFigures.h"

#include <QString>

namespace FigureCheck {

// Digits of a CAT-52 amount, two of them decimals: the day's totals (E12)
// and a partial totaliser's accumulated value (E13); a rate is written as
// four digits in the totaliser's code.
constexpr int DayTotalDigits = 14;
constexpr int TotaliserDigits = 13;
constexpr int RateDigits = 4;

// An amount as typed or as the printer reports it ("1234,56").
QString amount(const QString &name, const QString &text, int digits);

// An amount that arrives as a number (a tax line of the tax package).
QString amount(const QString &name, double value, int digits);

// An amount a caller hands over as a number, as a fiscal file can carry it:
// finite, not negative, within its digits. Decimals past the second are the
// caller's own rounding and are not refused.
QString carried(const QString &name, double value, int digits);
// The same, without the words: whether the amount can be carried.
bool carries(double value, int digits);

// A counter: digits only, at most `width` of them once its leading zeros are
// left out, and no more than `columnWidth` in all.
QString counter(const QString &name, const QString &text, int width, int columnWidth);

// The digits each of the thirteen fields (1 to 13) may carry: counters
// their width, amounts their CAT-52 digits.
int fieldDigits(int field);

// A figure of the Z reduction as its description says it is carried, under
// the given name: a counter as text, an amount as text or as a number.
QString figure(const ReductionFigures::Figure &figure, const QString &name, const QString &text);
QString carried(const ReductionFigures::Figure &figure, double value);

} // namespace FigureCheck
