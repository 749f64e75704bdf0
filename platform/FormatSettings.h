#pragma once
// The process's format settings, in one place: every date, time and number
// that the module writes or reads as text goes through here.
#include "AutomationDate.h"
#include <QString>

namespace FormatSettings {
QString shortDateFormat(); // "dd/MM/yyyy"
QString longTimeFormat();  // "HH:mm:ss"
QChar decimalSeparator();  // ','

QString dateToStr(TDateTime value); // "dd/MM/yyyy"
QString timeToStr(TDateTime value); // "HH:mm:ss"
// The date, then a blank and the time only when the time of day is not midnight.
QString dateTimeToStr(TDateTime value);

// Day/month/year in the short date format's order; a one- or two-digit year
// takes the century of the 50-year window around today. Anything else,
// "00/00/00" and a date followed by a time included, raises EConvertError.
TDateTime strToDate(const QString &text);
// A date optionally followed by a blank and a time of day (HH:mm or HH:mm:ss).
TDateTime strToDateTime(const QString &text);

// Decimal numbers with ',' as the separator (no thousands separators); blanks
// around are allowed. Raises EConvertError naming the text.
double strToFloat(const QString &text);
QString floatToStr(double value);  // shortest text that reads back exactly, ',' separator
int strToInt(const QString &text); // signed 32-bit decimal; raises EConvertError
// A counter as the back office stores it (CRZ, COO, CRO, the register's
// number): the same digits as strToInt reads, but no sign, up to 18 of them
// (leading zeros aside), and -1 instead of raising for an empty text or any
// other: an unreadable counter is something to report, not a failure.
qint64 strToCounter(const QString &text);

// Whole cents as text, never through a double: "1234,56" with the separator
// given; grouped, "1.234,56" as people read it.
QString centsToStr(qint64 cents, QChar separator = QLatin1Char(','), bool grouped = false);

// Money as the screen, the ledger's findings and the CAT-52 checks show it
// to people: "1.234,56".
QString displayMoney(qint64 cents);
} // namespace FormatSettings
