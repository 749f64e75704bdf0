#include "FieldValue.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "InputLimits.h"

#include <cmath>
#include <limits>

namespace FieldValue {

namespace {

bool isNumber(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

int toInt32(double value, const QVariant &original)
{
    const double rounded = std::round(value);
    if (!(rounded >= std::numeric_limits<int>::min() && rounded <= std::numeric_limits<int>::max()))
        throw EConvertError(
            QStringLiteral("'%1' está fora do intervalo dos inteiros").arg(InputLimits::excerpt(original.toString())));
    return int(rounded);
}

bool textAsBoolean(const QString &text)
{
    const QString s = text.trimmed();
    return !s.isEmpty() && QStringLiteral("TtYySs").contains(s[0]);
}

} // namespace

QVariant coerce(FieldType type, int size, const QVariant &v)
{
    if (!v.isValid())
        return {};
    const int id = v.typeId();
    if ((id == QMetaType::QDate && !v.toDate().isValid()) || (id == QMetaType::QDateTime && !v.toDateTime().isValid()))
        return {}; // "no date"
    if (type == FieldType::String) {
        QString text;
        if (id == QMetaType::Double || id == QMetaType::Float)
            text = FormatSettings::floatToStr(v.toDouble());
        else if (id == QMetaType::QDate)
            text = FormatSettings::dateToStr(AutomationDate::fromDate(v.toDate()));
        else if (id == QMetaType::QDateTime)
            text = FormatSettings::dateTimeToStr(AutomationDate::fromDateTime(v.toDateTime()));
        else if (id == QMetaType::Bool)
            text = v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        else
            text = v.toString();
        if (size > 0 && text.size() > size)
            text.truncate(size);
        return text;
    }
    if (id == QMetaType::QString) {
        // An empty text clears a field that is not a text, as typed input does.
        const QString text = v.toString();
        if (text.trimmed().isEmpty())
            return {};
        switch (type) {
        case FieldType::Date:
            return AutomationDate::toDate(FormatSettings::strToDate(text));
        case FieldType::DateTime:
            return AutomationDate::toDateTime(FormatSettings::strToDateTime(text));
        case FieldType::Float:
            return FormatSettings::strToFloat(text);
        case FieldType::Integer:
            return FormatSettings::strToInt(text);
        case FieldType::Boolean:
            return textAsBoolean(text);
        case FieldType::String:
            break;
        }
    }
    double number = 0;
    if (id == QMetaType::QDate)
        number = AutomationDate::fromDate(v.toDate());
    else if (id == QMetaType::QDateTime)
        number = AutomationDate::fromDateTime(v.toDateTime());
    else if (id == QMetaType::Bool)
        number = v.toBool() ? 1 : 0;
    else if (isNumber(v))
        number = v.toDouble();
    else
        throw EConvertError(QStringLiteral("Valor do tipo %1 não pode ser atribuído a este campo")
                                .arg(QString::fromLatin1(v.typeName())));
    switch (type) {
    case FieldType::Date:
        return id == QMetaType::QDateTime ? v.toDateTime().toLocalTime().date() : AutomationDate::toDate(number);
    case FieldType::DateTime:
        return id == QMetaType::QDateTime ? v.toDateTime().toLocalTime() : AutomationDate::toDateTime(number);
    case FieldType::Float:
        return number;
    case FieldType::Integer:
        return toInt32(number, v);
    case FieldType::Boolean:
        return number != 0;
    case FieldType::String:
        break;
    }
    return {};
}

QVariant fromDateTime(FieldType type, TDateTime value)
{
    switch (type) {
    case FieldType::Date:
        return AutomationDate::toDate(value);
    case FieldType::DateTime:
        return AutomationDate::toDateTime(value);
    case FieldType::String:
        return FormatSettings::dateTimeToStr(value);
    default:
        return value;
    }
}

QString asString(FieldType type, const QVariant &v)
{
    if (!v.isValid())
        return {};
    switch (type) {
    case FieldType::String:
        return v.toString();
    case FieldType::Date:
        return FormatSettings::dateToStr(AutomationDate::fromDate(v.toDate()));
    case FieldType::DateTime:
        return FormatSettings::dateTimeToStr(AutomationDate::fromDateTime(v.toDateTime()));
    case FieldType::Float:
        return FormatSettings::floatToStr(v.toDouble());
    case FieldType::Integer:
        return QString::number(v.toInt());
    case FieldType::Boolean:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    }
    return {};
}

double asFloat(FieldType type, const QVariant &v)
{
    if (!v.isValid())
        return 0;
    switch (type) {
    case FieldType::String:
        return FormatSettings::strToFloat(v.toString());
    case FieldType::Date:
        return AutomationDate::fromDate(v.toDate());
    case FieldType::DateTime:
        return AutomationDate::fromDateTime(v.toDateTime());
    case FieldType::Float:
    case FieldType::Integer:
        return v.toDouble();
    case FieldType::Boolean:
        return v.toBool() ? 1 : 0;
    }
    return 0;
}

TDateTime asDateTime(FieldType type, const QVariant &v)
{
    if (!v.isValid())
        return 0;
    switch (type) {
    case FieldType::String:
        return FormatSettings::strToDateTime(v.toString());
    case FieldType::Date:
        return AutomationDate::fromDate(v.toDate());
    case FieldType::DateTime:
        return AutomationDate::fromDateTime(v.toDateTime());
    default:
        return asFloat(type, v);
    }
}

} // namespace FieldValue
