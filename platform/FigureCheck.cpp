#include "FigureCheck.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "InputLimits.h"
#include <QRegularExpression>
#include <cmath>

namespace FigureCheck {

namespace {

QString refusal(const QString &name, const QString &value, const QString &why)
{
    return QStringLiteral("%1: \"%2\" %3.").arg(name, InputLimits::excerpt(value.trimmed(), 40), why);
}

// The largest amount of `digits` digits with two decimals, as the operator
// writes it ("999999999999,99").
QString largest(int digits)
{
    return QString(digits - 2, QLatin1Char('9')) + QStringLiteral(",99");
}

QString tooLarge(int digits)
{
    return QStringLiteral("é maior que o máximo do arquivo Cat-52 (%1)").arg(largest(digits));
}

} // namespace

QString amount(const QString &name, const QString &text, int digits)
{
    double value = 0;
    try {
        value = FormatSettings::strToFloat(text);
    } catch (const EConvertError &) {
        return refusal(name, text, QStringLiteral("não é um número"));
    }
    if (!std::isfinite(value))
        return refusal(name, text, QStringLiteral("não é um número"));
    if (value < 0)
        return refusal(name, text, QStringLiteral("é negativo"));
    // Digits, a comma and at most two decimals: no exponent, no sign.
    static const QRegularExpression written(QStringLiteral("^\\+?(\\d*)(?:,(\\d*))?$"));
    const QRegularExpressionMatch match = written.match(text.trimmed());
    if (!match.hasMatch())
        return refusal(name, text, QStringLiteral("não é um valor escrito com algarismos e até duas casas decimais"));
    if (match.captured(2).size() > 2)
        return refusal(name, text, QStringLiteral("tem mais de duas casas decimais"));
    QString whole = match.captured(1);
    while (whole.size() > 1 && whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    if (whole.size() > digits - 2)
        return refusal(name, text, tooLarge(digits));
    return QString();
}

bool carries(double value, int digits)
{
    return std::isfinite(value) && value >= 0 && value < std::pow(10.0, digits - 2);
}

QString carried(const QString &name, double value, int digits)
{
    if (carries(value, digits))
        return QString();
    const QString text = std::isfinite(value) ? FormatSettings::floatToStr(value) : QStringLiteral("%1").arg(value);
    if (!std::isfinite(value))
        return refusal(name, text, QStringLiteral("não é um número"));
    if (value < 0)
        return refusal(name, text, QStringLiteral("é negativo"));
    if (value >= std::pow(10.0, digits - 2))
        return refusal(name, text, tooLarge(digits));
    return QString();
}

QString amount(const QString &name, double value, int digits)
{
    const QString carriedRefusal = carried(name, value, digits);
    if (!carriedRefusal.isEmpty())
        return carriedRefusal;
    const QString text = FormatSettings::floatToStr(value);
    const double cents = value * 100;
    if (std::fabs(cents - std::round(cents)) > 1e-6 * std::max(1.0, cents))
        return refusal(name, text, QStringLiteral("tem mais de duas casas decimais"));
    return QString();
}

QString counter(const QString &name, const QString &text, int width, int columnWidth)
{
    const QString digits = text.trimmed();
    static const QRegularExpression onlyDigits(QStringLiteral("^\\d+$"));
    QString significant = digits;
    while (significant.size() > 1 && significant.startsWith(QLatin1Char('0')))
        significant.remove(0, 1);
    if (!onlyDigits.match(digits).hasMatch() || digits.size() > columnWidth || significant.size() > width)
        return refusal(name, text, QStringLiteral("não é um contador de até %1 algarismos").arg(width));
    return QString();
}

int fieldDigits(int field)
{
    return ReductionFigures::byTag(field).digits;
}

QString figure(const ReductionFigures::Figure &figure, const QString &name, const QString &text)
{
    return figure.kind == ReductionFigures::Kind::Counter
               ? counter(name, text, figure.digits, ReductionFigures::CounterColumnWidth)
               : amount(name, text, figure.digits);
}

QString carried(const ReductionFigures::Figure &figure, double value)
{
    return carried(QString::fromUtf8(figure.caption), value, figure.digits);
}

} // namespace FigureCheck
