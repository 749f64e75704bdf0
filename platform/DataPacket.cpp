#include "DataPacket.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>

namespace DataPacketText {

namespace {

int digitsAt(QStringView text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// yyyyMMdd at the start of the text; invalid unless every character is a
// digit (a -1 from digitsAt would otherwise pass for the year 1 BC).
QDate packetDate(QStringView text)
{
    const int y = digitsAt(text, 0, 4), m = digitsAt(text, 4, 2), d = digitsAt(text, 6, 2);
    if (y < 1 || m < 0 || d < 0)
        return {};
    return QDate(y, m, d);
}

} // namespace

QString typeName(FieldType type)
{
    switch (type) {
    case FieldType::String:
        return QStringLiteral("string");
    case FieldType::Date:
        return QStringLiteral("date");
    case FieldType::DateTime:
        return QStringLiteral("dateTime");
    case FieldType::Float:
        return QStringLiteral("r8");
    case FieldType::Integer:
        return QStringLiteral("i4");
    case FieldType::Boolean:
        return QStringLiteral("boolean");
    }
    return {};
}

QString valueText(FieldType type, const QVariant &v)
{
    switch (type) {
    case FieldType::String:
        return v.toString();
    case FieldType::Date:
        return v.toDate().toString(QStringLiteral("yyyyMMdd"));
    case FieldType::DateTime: {
        const QDateTime dt = v.toDateTime();
        return dt.date().toString(QStringLiteral("yyyyMMdd")) + u'T'
               + dt.time().toString(QStringLiteral("HH:mm:sszzz"));
    }
    case FieldType::Float:
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    case FieldType::Integer:
        return QString::number(v.toInt());
    case FieldType::Boolean:
        return v.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    }
    return {};
}

QVariant parseValue(FieldType type, QStringView text)
{
    switch (type) {
    case FieldType::String:
        return text.toString();
    case FieldType::Date: {
        if (text.size() != 8)
            return {};
        const QDate date = packetDate(text);
        return date.isValid() ? QVariant(date) : QVariant();
    }
    case FieldType::DateTime: {
        // yyyyMMddTHH:mm:sszzz
        if (text.size() != 20 || text[8] != u'T' || text[11] != u':' || text[14] != u':')
            return {};
        const QDate date = packetDate(text);
        const QTime time(digitsAt(text, 9, 2), digitsAt(text, 12, 2), digitsAt(text, 15, 2), digitsAt(text, 17, 3));
        if (!date.isValid() || !time.isValid())
            return {};
        return AutomationDate::localDateTime(date, time);
    }
    case FieldType::Float: {
        bool ok = false;
        const double value = QLocale::c().toDouble(text, &ok);
        return ok ? QVariant(value) : QVariant();
    }
    case FieldType::Integer: {
        bool ok = false;
        const int value = text.toInt(&ok);
        return ok ? QVariant(value) : QVariant();
    }
    case FieldType::Boolean:
        if (text.compare(u"TRUE", Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare(u"FALSE", Qt::CaseInsensitive) == 0)
            return false;
        return {};
    }
    return {};
}

} // namespace DataPacketText
