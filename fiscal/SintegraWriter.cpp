#include "FormatSettings.h"
#include "SintegraWriter.h"
#include "Exception.h"
#include "ExportGate.h"
#include "Guarded.h"
#include "LedgerValues.h"

#include <QIODevice>
#include <QMap>

namespace {
const int LineWidth = 126;

QString where(const Reduction &r)
{
    return QStringLiteral("ECF %1, %2").arg(r.nrEcf, LedgerValues::displayDay(r.day));
}

QByteArray money(qint64 cents, int width, const char *what, const Reduction &r)
{
    const QByteArray digits = QByteArray::number(cents);
    if (cents < 0 || digits.size() > width)
        throw Exception(QStringLiteral("%1 %2 não cabe no Sintegra (%3)")
                            .arg(QString::fromUtf8(what), FormatSettings::displayMoney(cents), where(r)));
    return digits.rightJustified(width, '0');
}

// A counter cut to its last digits.
QByteArray counter(qint64 value, const QString &text, int width, const char *what, const Reduction &r)
{
    if (value < 0)
        throw Exception(QStringLiteral("%1 \"%2\" não é um número (%3)").arg(QString::fromUtf8(what), text, where(r)));
    return QByteArray::number(value).rightJustified(width, '0').right(width);
}

QByteArray text(const QString &value, int width, const Reduction &r)
{
    for (const QChar c : value)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            throw Exception(
                QStringLiteral("Texto \"%1\" fora do ASCII não cabe no Sintegra (%2)").arg(value, where(r)));
    return value.toLatin1().left(width).leftJustified(width, ' ');
}
} // namespace

void SintegraWriter::line(const QByteArray &content)
{
    Q_ASSERT(content.size() <= LineWidth);
    m_out.write(content.leftJustified(LineWidth, ' ') + "\r\n");
    ++m_lines;
}

Result<NoValue> SintegraWriter::reduction(const Reduction &r)
{
    return Guarded::run([&] { write(r); });
}

void SintegraWriter::write(const Reduction &r)
{
    if (const QString why = ExportGate::refusal(r, ExportGate::Layout::Sintegra); !why.isEmpty()) {
        ++m_leftOut;
        if (m_notice)
            m_notice(ExportGate::notice(r, why));
        return;
    }
    const QByteArray day = r.day.toString(QStringLiteral("yyyyMMdd")).toLatin1();
    const QByteArray serial = text(r.serial, 20, r);
    line("60M" + day + serial + counter(LedgerValues::counter(r.nrEcf), r.nrEcf, 3, "Número do ECF", r) + "2D"
         + counter(r.firstCoupon, r.firstCouponText, 6, "Primeiro cupom", r)
         + counter(r.lastCoupon, r.lastCouponText, 6, "Último cupom", r) + counter(r.crz, r.crzText, 6, "CRZ", r)
         + counter(r.cro, r.croText, 3, "CRO", r) + money(r.gross, 16, "Venda bruta", r)
         + money(r.grandTotal, 16, "Grande total", r));

    // One 60A a rate, rates ascending, with the sum of their bases; the lines
    // with a rate or base of zero are left out, as in the SPED.
    const QByteArray head = "60A" + day + serial;
    QMap<qint64, qint64> bases;
    for (const TaxLine &tax : r.taxes) {
        if (tax.rate <= 0 || tax.base <= 0)
            continue;
        if (tax.rate > 9999)
            throw Exception(QStringLiteral("Alíquota %1 não cabe no Sintegra (%2)")
                                .arg(LedgerValues::commaMoney(tax.rate), where(r)));
        bases[tax.rate] += tax.base;
    }
    for (auto it = bases.cbegin(); it != bases.cend(); ++it)
        line(head + QByteArray::number(it.key()).rightJustified(4, '0') + money(it.value(), 12, "Base", r));
    const struct {
        const char *code;
        qint64 value;
    } others[] = {{"F", r.subTrib}, {"I", r.isento}, {"N", r.naoIncid}, {"CANC", r.cancel}, {"DESC", r.discount}};
    for (const auto &other : others)
        if (other.value > 0)
            line(head + QByteArray(other.code).leftJustified(4, ' ') + money(other.value, 12, other.code, r));
}
