#include "LedgerValues.h"

#include <QRegularExpression>
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

namespace {
QString money(qint64 cents, QChar separator, bool grouped)
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
} // namespace

QString commaMoney(qint64 cents)
{
    return money(cents, QLatin1Char(','), false);
}

QString dotMoney(qint64 cents)
{
    return money(cents, QLatin1Char('.'), false);
}

QString displayMoney(qint64 cents)
{
    return money(cents, QLatin1Char(','), true);
}

qint64 counter(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return -1;
    qint64 value = 0;
    int digits = 0;
    for (const QChar c : trimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        // Leading zeros do not count against the width.
        if (value == 0 && c == QLatin1Char('0'))
            continue;
        if (++digits > 18)
            return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
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
    return day.toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace LedgerValues
