#include "SpedWriter.h"
#include "Exception.h"
#include "LedgerValues.h"

#include <QIODevice>
#include <QStringEncoder>
#include <QStringList>

using LedgerValues::commaMoney;

namespace {
QString number(qint64 counter, const QString &text, const char *what, const Reduction &r)
{
    if (counter < 0)
        throw Exception(QStringLiteral("%1 \"%2\" não é um número (ECF %3, %4)")
                            .arg(QString::fromUtf8(what), text, r.nrEcf, LedgerValues::displayDay(r.day)));
    return QString::number(counter);
}

QString rateCode(qint64 rate, const Reduction &r)
{
    if (rate < 0 || rate > 9999)
        throw Exception(QStringLiteral("Alíquota %1 fora do formato do SPED (ECF %2, %3)")
                            .arg(commaMoney(rate), r.nrEcf, LedgerValues::displayDay(r.day)));
    return QStringLiteral("%1").arg(rate, 4, 10, QLatin1Char('0'));
}
} // namespace

SpedWriter::SpedWriter(QIODevice &out, QString cfop, QString cfopSt)
    : m_out(out), m_cfop(std::move(cfop)), m_cfopSt(std::move(cfopSt))
{
}

void SpedWriter::line(const QStringList &fields)
{
    for (const QString &field : fields)
        if (field.contains(QLatin1Char('|')) || field.contains(QLatin1Char('\r')) || field.contains(QLatin1Char('\n')))
            throw Exception(QStringLiteral("Campo \"%1\" com \"|\" ou quebra de linha não cabe no SPED").arg(field));
    QStringEncoder latin1(QStringEncoder::Latin1);
    const QByteArray bytes = latin1.encode(QLatin1Char('|') + fields.join(QLatin1Char('|')) + QStringLiteral("|\r\n"));
    m_out.write(bytes);
    ++m_lines;
}

void SpedWriter::reduction(const Reduction &r)
{
    if (!m_started || r.nrEcf != m_printerEcf || r.serial != m_printerSerial) {
        m_started = true;
        m_printerEcf = r.nrEcf;
        m_printerSerial = r.serial;
        const QString model = r.model.section(QLatin1Char('|'), 0, 0).trimmed();
        line({QStringLiteral("C400"), QStringLiteral("2D"), model, r.serial,
              number(LedgerValues::counter(r.nrEcf), r.nrEcf, "Número do ECF", r)});
    }
    line({QStringLiteral("C405"), r.day.toString(QStringLiteral("ddMMyyyy")), number(r.cro, r.croText, "CRO", r),
          number(r.crz, r.crzText, "CRZ", r), number(r.lastCoupon, r.lastCouponText, "COO final", r),
          commaMoney(r.grandTotal), commaMoney(r.gross)});

    // The partial totalisers: one per taxed rate, then the others that carry a value.
    int order = 0;
    for (const TaxLine &tax : r.taxes)
        line({QStringLiteral("C420"),
              QStringLiteral("%1T").arg(++order, 2, 10, QLatin1Char('0')) + rateCode(tax.rate, r), commaMoney(tax.base),
              QString(), QString()});
    const struct {
        const char *code;
        qint64 value;
    } others[] = {{"F1", r.subTrib},   {"I1", r.isento},   {"N1", r.naoIncid},
                  {"Can-T", r.cancel}, {"DT", r.discount}, {"AT", r.surcharge}};
    for (const auto &other : others)
        if (other.value > 0)
            line({QStringLiteral("C420"), QString::fromLatin1(other.code), commaMoney(other.value), QString(),
                  QString()});

    const QString zero = commaMoney(0);
    for (const TaxLine &tax : r.taxes)
        line({QStringLiteral("C490"), QStringLiteral("000"), m_cfop, commaMoney(tax.rate), commaMoney(tax.base),
              commaMoney(tax.base), commaMoney(tax.tax), QString()});
    if (r.subTrib > 0)
        line({QStringLiteral("C490"), QStringLiteral("060"), m_cfopSt, zero, commaMoney(r.subTrib), zero, zero,
              QString()});
    if (r.isento > 0)
        line(
            {QStringLiteral("C490"), QStringLiteral("040"), m_cfop, zero, commaMoney(r.isento), zero, zero, QString()});
    if (r.naoIncid > 0)
        line({QStringLiteral("C490"), QStringLiteral("041"), m_cfop, zero, commaMoney(r.naoIncid), zero, zero,
              QString()});
}
