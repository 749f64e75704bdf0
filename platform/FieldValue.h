#pragma once
// The values a dataset field holds: what is assigned is brought to the
// field's type, and what is held reads back as text, number, date or flag
// with the process's format settings. A null reads as the empty text, 0,
// false or the automation date 0.
#include "AutomationDate.h"
#include <QString>
#include <QVariant>

enum class FieldType { String, Date, DateTime, Float, Integer, Boolean };

namespace FieldValue {

// The value a field of this type holds for what is assigned to it: a QString,
// QDate, local QDateTime, double, int, bool, or null. A text field keeps the
// first `size` characters (when size > 0); an empty text clears any other
// field. Raises EConvertError for what does not convert.
QVariant coerce(FieldType type, int size, const QVariant &value);

// What a date-time assigned through setAsDateTime becomes for this type: a
// date field keeps only the day, a text field takes the date-time text.
QVariant fromDateTime(FieldType type, TDateTime value);

QString asString(FieldType type, const QVariant &held);
double asFloat(FieldType type, const QVariant &held);
TDateTime asDateTime(FieldType type, const QVariant &held);

} // namespace FieldValue
