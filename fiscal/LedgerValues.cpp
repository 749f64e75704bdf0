#include "LedgerValues.h"
#include "FormatSettings.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace LedgerValues {

qint64 cents(double value)
{
    return std::llround(value * 100.0);
}

qint64 rateHundredths(double rate)
{
    return std::llround(rate * 100.0);
}

QString commaMoney(qint64 cents)
{
    return FormatSettings::centsToStr(cents, QLatin1Char(','), false);
}

QString dotMoney(qint64 cents)
{
    return FormatSettings::centsToStr(cents, QLatin1Char('.'), false);
}

qint64 counter(const QString &text)
{
    return FormatSettings::strToCounter(text);
}

qint64 truncatedTax(qint64 baseCents, qint64 rateHundredths)
{
    // Whole-number arithmetic; the quotient is cut toward zero as the printer does.
    return baseCents * rateHundredths / 10000;
}

QDate parseDay(const QString &text)
{
    static const QRegularExpression shape(QStringLiteral("^\\d{2}/\\d{2}/\\d{4}$"));
    if (!shape.match(text).hasMatch())
        return {};
    return QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
}

QString displayDay(const QDate &day)
{
    // As QDate::toString("dd/MM/yyyy"), without parsing the format for
    // each of an audit's many lines.
    if (!day.isValid() || day.year() < 1 || day.year() > 9999)
        return day.toString(QStringLiteral("dd/MM/yyyy"));
    int y, m, d;
    day.getDate(&y, &m, &d);
    const char16_t text[10] = {char16_t(u'0' + d / 10),   char16_t(u'0' + d % 10),       u'/',
                               char16_t(u'0' + m / 10),   char16_t(u'0' + m % 10),       u'/',
                               char16_t(u'0' + y / 1000), char16_t(u'0' + y / 100 % 10), char16_t(u'0' + y / 10 % 10),
                               char16_t(u'0' + y % 10)};
    return QString(reinterpret_cast<const QChar *>(text), 10);
}

bool hasControl(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

} // namespace LedgerValues
