#include "FormatSettings.h"
#include "AutomationDate.h"
#include "Exception.h"
#include "InputLimits.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace {
// A two-digit year lands in the hundred years that start fifty years before
// the current one.
constexpr int TwoDigitYearCenturyWindow = 50;

int expandYear(int year, qsizetype digits)
{
    if (digits > 2)
        return year;
    const int windowStart = AutomationDate::currentDate().year() - TwoDigitYearCenturyWindow;
    year += windowStart / 100 * 100;
    if (year < windowStart)
        year += 100;
    return year;
}

// "d/M/y" with one or two digits for day and month and one, two or four for
// the year; an optional time of day after blanks.
const QRegularExpression &dateTimePattern()
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(\d{1,2})/(\d{1,2})/(\d{4}|\d{1,2})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?)?$)"));
    return pattern;
}

// Reads a date, and a time of day when allowed; false when the text is not one.
bool parseDateTime(const QString &text, bool allowTime, TDateTime &result)
{
    const QRegularExpressionMatch m = dateTimePattern().match(text.trimmed());
    if (!m.hasMatch())
        return false;
    const bool hasTime = m.capturedLength(4) > 0;
    if (hasTime && !allowTime)
        return false;
    const QString yearText = m.captured(3);
    const QDate date(expandYear(yearText.toInt(), yearText.size()), m.captured(2).toInt(), m.captured(1).toInt());
    if (!date.isValid())
        return false;
    result = AutomationDate::fromDate(date);
    if (hasTime) {
        const QTime time(m.captured(4).toInt(), m.captured(5).toInt(),
                         m.capturedLength(6) > 0 ? m.captured(6).toInt() : 0);
        if (!time.isValid())
            return false;
        result += double(time.msecsSinceStartOfDay()) / 86400000.0;
    }
    return true;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// How a run of digits read: its magnitude, or why not.
enum class Digits { Read, NotANumber, TooLarge };

// The magnitude of s from `from` to its end: ASCII digits only, at least one.
// TooLarge as soon as it would pass limit (checked before it is computed, so
// that it never overflows).
Digits readDigits(const QString &s, qsizetype from, qint64 limit, qint64 &magnitude)
{
    if (from == s.size())
        return Digits::NotANumber;
    magnitude = 0;
    for (qsizetype i = from; i < s.size(); ++i) {
        if (!isDigit(s[i]))
            return Digits::NotANumber;
        const int digit = s[i].unicode() - u'0';
        if (magnitude > (limit - digit) / 10)
            return Digits::TooLarge;
        magnitude = magnitude * 10 + digit;
    }
    return Digits::Read;
}

[[noreturn]] void invalidFloat(const QString &text)
{
    throw EConvertError(QStringLiteral("'%1' não é um número válido").arg(InputLimits::excerpt(text)));
}
} // namespace

namespace FormatSettings {

QString shortDateFormat()
{
    return QStringLiteral("dd/MM/yyyy");
}

QString longTimeFormat()
{
    return QStringLiteral("HH:mm:ss");
}

QChar decimalSeparator()
{
    return u',';
}

QString dateToStr(TDateTime value)
{
    return AutomationDate::toDate(value).toString(shortDateFormat());
}

QString timeToStr(TDateTime value)
{
    return AutomationDate::toTime(value).toString(longTimeFormat());
}

QString dateTimeToStr(TDateTime value)
{
    if (!AutomationDate::hasTimeOfDay(value))
        return dateToStr(value);
    return dateToStr(value) + u' ' + timeToStr(value);
}

TDateTime strToDate(const QString &text)
{
    TDateTime result = 0;
    if (!parseDateTime(text, false, result))
        throw EConvertError(QStringLiteral("'%1' não é uma data válida").arg(InputLimits::excerpt(text)));
    return result;
}

TDateTime strToDateTime(const QString &text)
{
    TDateTime result = 0;
    if (!parseDateTime(text, true, result))
        throw EConvertError(QStringLiteral("'%1' não é uma data e hora válida").arg(InputLimits::excerpt(text)));
    return result;
}

double strToFloat(const QString &text)
{
    // [sign] digits [',' digits] [E [sign] digits], with at least one digit in
    // the first two parts; rewritten with a '.' for the C locale's exact reading.
    const QString s = text.trimmed();
    const qsizetype n = s.size();
    qsizetype i = 0;
    auto takeDigits = [&] {
        const qsizetype from = i;
        while (i < n && isDigit(s[i]))
            ++i;
        return s.mid(from, i - from);
    };
    QString c;
    if (i < n && (s[i] == u'+' || s[i] == u'-'))
        c += s[i++];
    const QString whole = takeDigits();
    QString fraction;
    if (i < n && s[i] == decimalSeparator()) {
        ++i;
        fraction = takeDigits();
    }
    if (whole.isEmpty() && fraction.isEmpty())
        invalidFloat(text);
    c += whole.isEmpty() ? QStringLiteral("0") : whole;
    if (!fraction.isEmpty())
        c += u'.' + fraction;
    if (i < n && (s[i] == u'E' || s[i] == u'e')) {
        c += u'e';
        ++i;
        if (i < n && (s[i] == u'+' || s[i] == u'-'))
            c += s[i++];
        const QString exponent = takeDigits();
        if (exponent.isEmpty())
            invalidFloat(text);
        c += exponent;
    }
    if (i != n)
        invalidFloat(text);
    bool ok = false;
    const double value = QLocale::c().toDouble(c, &ok);
    if (!ok)
        invalidFloat(text);
    return value;
}

QString floatToStr(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0)
        return QStringLiteral("0");

    // Shortest digits that read back to the same double, as "d.ddde+XX".
    const QString sci = QString::number(std::fabs(value), 'e', QLocale::FloatingPointShortest);
    const qsizetype ePos = sci.indexOf(u'e');
    QString digits = sci.left(ePos);
    digits.remove(u'.');
    const int exponent = sci.mid(ePos + 1).toInt();

    QString out;
    if (value < 0)
        out += u'-';
    // Plain notation for the everyday range, the exponent beyond it.
    if (exponent >= -4 && exponent <= 14) {
        if (exponent < 0) {
            out += u'0';
            out += decimalSeparator();
            out += QString(-exponent - 1, u'0');
            out += digits;
        } else if (digits.size() <= exponent + 1) {
            out += digits;
            out += QString(exponent + 1 - digits.size(), u'0');
        } else {
            out += digits.left(exponent + 1);
            out += decimalSeparator();
            out += digits.mid(exponent + 1);
        }
        return out;
    }
    out += digits.left(1);
    if (digits.size() > 1) {
        out += decimalSeparator();
        out += digits.mid(1);
    }
    out += u'E';
    out += QString::number(exponent);
    return out;
}

int strToInt(const QString &text)
{
    const QString s = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        negative = s[i++] == u'-';
    const qint64 limit = negative ? -qint64(std::numeric_limits<int>::min()) : qint64(std::numeric_limits<int>::max());
    qint64 magnitude = 0;
    switch (readDigits(s, i, limit, magnitude)) {
    case Digits::Read:
        return int(negative ? -magnitude : magnitude);
    case Digits::NotANumber:
        throw EConvertError(QStringLiteral("'%1' não é um número inteiro válido").arg(InputLimits::excerpt(text)));
    case Digits::TooLarge:
        break;
    }
    throw EConvertError(QStringLiteral("'%1' está fora do intervalo dos inteiros").arg(InputLimits::excerpt(text)));
}

qint64 strToCounter(const QString &text)
{
    // 18 digits: 999999999999999999 at most.
    constexpr qint64 limit = 999'999'999'999'999'999;
    qint64 magnitude = 0;
    return readDigits(text.trimmed(), 0, limit, magnitude) == Digits::Read ? magnitude : -1;
}

QString centsToStr(qint64 cents, QChar separator, bool grouped)
{
    const bool negative = cents < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(cents) : quint64(cents);
    QString whole = QString::number(magnitude / 100);
    if (grouped)
        for (qsizetype at = whole.size() - 3; at > 0; at -= 3)
            whole.insert(at, QLatin1Char('.'));
    const QString fraction = QStringLiteral("%1").arg(magnitude % 100, 2, 10, QLatin1Char('0'));
    return (negative ? QStringLiteral("-") : QString()) + whole + separator + fraction;
}

QString displayMoney(qint64 cents)
{
    return centsToStr(cents, QLatin1Char(','), true);
}

} // namespace FormatSettings
