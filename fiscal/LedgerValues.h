#pragma once
// Money, counters and days as the ledger reads, compares and writes them:
// money in whole cents, never printed from a double; counters as the numbers
// their digit texts stand for.
#include "FiscalExport.h"
#include <QDate>
#include <QString>
#include <QtGlobal>

namespace LedgerValues {

// The nearest whole number of cents of a stored amount.
KALFISCAL_EXPORT qint64 cents(double value);
// A rate in percent as hundredths (18.00 -> 1800).
KALFISCAL_EXPORT qint64 rateHundredths(double rate);

// "1234,56" (SPED, screens): no thousands separators, two decimals.
KALFISCAL_EXPORT QString commaMoney(qint64 cents);
// "1234.56" (JSON, CSV).
KALFISCAL_EXPORT QString dotMoney(qint64 cents);
// A counter's number: the text trimmed, digits only (at most 18 of them);
// -1 when the text is empty or not a number: FormatSettings::strToCounter,
// which reads the digits as strToInt does.
KALFISCAL_EXPORT qint64 counter(const QString &text);

// Tax of a tax line as the printer computes it: base x rate / 100, cut to the cent.
KALFISCAL_EXPORT qint64 truncatedTax(qint64 baseCents, qint64 rateHundredths);

// A day given on the command line: exactly dd/MM/yyyy and a real date.
KALFISCAL_EXPORT QDate parseDay(const QString &text);
KALFISCAL_EXPORT QString displayDay(const QDate &day); // dd/MM/yyyy

// Whether a text holds a control character (below 0x20, or 0x7F): a file
// name holding one cannot be delivered under that name.
KALFISCAL_EXPORT bool hasControl(QStringView text);

} // namespace LedgerValues
