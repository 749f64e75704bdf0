#include "ReductionRules.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "ReductionFigures.h"

#include <cmath>

namespace ReductionRules {

namespace {
qint64 counterOf(const QString &text)
{
    bool number = false;
    const QString trimmed = text.trimmed();
    const qint64 value = trimmed.size() <= 18 ? trimmed.toLongLong(&number) : 0;
    return number && value >= 0 && !trimmed.startsWith(QLatin1Char('+')) ? value : -1;
}

qint64 centsOf(const QString &text)
{
    try {
        const double value = FormatSettings::strToFloat(text);
        return std::isfinite(value) ? std::llround(value * 100.0) : 0;
    } catch (const EConvertError &) {
        return 0;
    }
}
} // namespace

Reduction fromTexts(const QStringList &texts, const QList<TaxLine> &taxes)
{
    Reduction r;
    for (const ReductionFigures::Figure &figure : ReductionFigures::all()) {
        const QString text = texts.value(figure.tag - 1);
        if (figure.kind == ReductionFigures::Kind::Counter) {
            r.counterText(figure.tag) = text;
            r.counter(figure.tag) = counterOf(text);
        } else {
            r.amount(figure.tag) = centsOf(text);
        }
    }
    r.taxes = taxes;
    return r;
}

QList<Counter> zeroCounters(const Reduction &r)
{
    const struct {
        Counter counter;
        qint64 value;
        const QString &text;
    } counters[] = {{Counter::Cro, r.cro, r.croText},
                    {Counter::Crz, r.crz, r.crzText},
                    {Counter::LastCoupon, r.lastCoupon, r.lastCouponText}};
    QList<Counter> zero;
    for (const auto &c : counters)
        if (c.value == 0 || c.text.trimmed().isEmpty())
            zero << c.counter;
    return zero;
}

std::optional<Divergence> netSales(const Reduction &r)
{
    const qint64 expected = r.gross - r.cancel - r.discount;
    if (r.net == expected)
        return std::nullopt;
    return Divergence{expected, r.net};
}

qint64 taxedBases(const Reduction &r)
{
    qint64 bases = 0;
    for (const TaxLine &line : r.taxes)
        if (line.rate > 0 && line.base > 0)
            bases += line.base;
    return bases;
}

std::optional<Divergence> totalisers(const Reduction &r)
{
    const qint64 found = taxedBases(r) + r.subTrib + r.isento + r.naoIncid + r.cancel + r.discount;
    if (found == r.gross)
        return std::nullopt;
    return Divergence{r.gross, found};
}

bool couponsInverted(const Reduction &r)
{
    if (r.firstCoupon < 0 || r.lastCoupon < 0 || r.lastCoupon >= r.firstCoupon)
        return false;
    const bool turned = r.firstCoupon >= 999999 - 1000 && r.firstCoupon <= 999999 && r.lastCoupon < 1000;
    return !turned;
}

} // namespace ReductionRules
