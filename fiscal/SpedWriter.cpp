#include "SpedWriter.h"
#include "Exception.h"
#include "ExportGate.h"
#include "Guarded.h"
#include "LedgerValues.h"

#include <QIODevice>
#include <QMap>
#include <QStringEncoder>
#include <QStringList>

using LedgerValues::commaMoney;

namespace {
const int ModelWidth = 20;

QString where(const Reduction &r)
{
    return QStringLiteral("ECF %1, caixa %2, %3").arg(r.nrEcf, r.cdCaixa, LedgerValues::displayDay(r.day));
}

QString number(qint64 counter, const QString &text, const char *what, const Reduction &r)
{
    if (counter < 0)
        throw Exception(QStringLiteral("%1 \"%2\" não é um número (%3)").arg(QString::fromUtf8(what), text, where(r)));
    return QString::number(counter);
}

QString rateCode(qint64 rate, const Reduction &r)
{
    if (rate < 0 || rate > 9999)
        throw Exception(QStringLiteral("Alíquota %1 fora do formato do SPED (%2)").arg(commaMoney(rate), where(r)));
    return QStringLiteral("%1").arg(rate, 4, 10, QLatin1Char('0'));
}

// The model as ECF_MOD holds it: up to the first "|", trimmed, at most 20
// characters, each outside ISO-8859-1 written "?" (replaced tells).
QString spedModel(const QString &stored, bool &replaced)
{
    QString model;
    for (const char32_t c : stored.section(QLatin1Char('|'), 0, 0).trimmed().toUcs4()) {
        if (model.size() == ModelWidth)
            break;
        replaced = replaced || c > 0xFF;
        model += c > 0xFF ? QChar(u'?') : QChar(char16_t(c));
    }
    return model.trimmed();
}

// The printer's own number of a taxed totaliser: the digits of its code
// ("T1" and "01" are 1, "T12" is 12), else its position among the day's
// tax lines.
int totaliserNumber(const QString &cdImposto, int position)
{
    QString digits;
    for (const QChar c : cdImposto)
        if (c.isDigit())
            digits += c;
    const int n = digits.toInt();
    return n >= 1 && n <= 99 ? n : position;
}
} // namespace

SpedWriter::SpedWriter(QIODevice &out, QString cfop, QString cfopSt, Notice notice)
    : m_out(out), m_cfop(std::move(cfop)), m_cfopSt(std::move(cfopSt)), m_notice(std::move(notice))
{
}

void SpedWriter::notice(const QString &text) const
{
    if (m_notice)
        m_notice(text);
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

bool SpedWriter::writable(const Reduction &r)
{
    const QString why = ExportGate::refusal(r, ExportGate::Layout::Sped);
    if (why.isEmpty())
        return true;
    ++m_leftOut;
    notice(ExportGate::notice(r, why));
    return false;
}

void SpedWriter::printer(const Reduction &r, const QString &printerNrEcf)
{
    const QString serial = r.serial.trimmed();
    if (m_started && serial == m_printerSerial)
        return;
    m_started = true;
    m_printerSerial = serial;
    bool replaced = false;
    const QString model = spedModel(r.model, replaced);
    if (replaced)
        notice(QStringLiteral("Modelo do ECF de série %1 com caractere fora do ISO-8859-1, escrito \"?\": %2")
                   .arg(serial, model));
    // The number of the printer's last day, unless that day was left out
    // for it: then this day's own.
    const QString nrEcf = ExportGate::validEcf(printerNrEcf) ? printerNrEcf : r.nrEcf;
    line({QStringLiteral("C400"), QStringLiteral("2D"), model, serial,
          number(LedgerValues::counter(nrEcf), nrEcf, "Número do ECF", r)});
}

Result<NoValue> SpedWriter::reduction(const Reduction &r, const QString &printerNrEcf)
{
    return Guarded::run([&] { write(r, printerNrEcf); });
}

void SpedWriter::write(const Reduction &r, const QString &printerNrEcf)
{
    if (!writable(r))
        return;
    printer(r, printerNrEcf);
    line({QStringLiteral("C405"), r.day.toString(QStringLiteral("ddMMyyyy")), number(r.cro, r.croText, "CRO", r),
          number(r.crz, r.crzText, "CRZ", r), number(r.lastCoupon, r.lastCouponText, "COO final", r),
          commaMoney(r.grandTotal), commaMoney(r.gross)});
    // A day without sales has no totaliser that moved.
    if (r.gross == 0)
        return;
    const QList<Taxed> lines = taxed(r);
    totalisers(r, lines);
    operations(r, lines);
}

QList<SpedWriter::Taxed> SpedWriter::taxed(const Reduction &r)
{
    // The lines that can be taxed lines (rate and base above zero, whatever
    // the tax: a tiny base's truncates to zero), by tax code; two lines of
    // one totaliser are one.
    QList<Taxed> out;
    for (qsizetype i = 0; i < r.taxes.size(); ++i) {
        const TaxLine &tax = r.taxes.at(i);
        if (tax.rate <= 0 || tax.base <= 0)
            continue;
        rateCode(tax.rate, r);
        const int n = totaliserNumber(tax.cdImposto, int(i) + 1);
        auto same = std::find_if(out.begin(), out.end(),
                                 [&](const Taxed &t) { return t.number == n && t.rate == tax.rate; });
        if (same == out.end()) {
            out.append({n, tax.rate, tax.base, tax.tax});
        } else {
            same->base += tax.base;
            same->tax += tax.tax;
        }
    }
    return out;
}

void SpedWriter::totalisers(const Reduction &r, const QList<Taxed> &taxed)
{
    for (const Taxed &t : taxed)
        line({QStringLiteral("C420"),
              QStringLiteral("%1T").arg(t.number, 2, 10, QLatin1Char('0')) + rateCode(t.rate, r), commaMoney(t.base),
              QString::number(t.number), QString()});
    const struct {
        const char *code;
        qint64 value;
    } others[] = {{"F1", r.subTrib},   {"I1", r.isento},   {"N1", r.naoIncid},
                  {"Can-T", r.cancel}, {"DT", r.discount}, {"AT", r.surcharge}};
    for (const auto &other : others)
        if (other.value > 0)
            line({QStringLiteral("C420"), QString::fromLatin1(other.code), commaMoney(other.value), QString(),
                  QString()});
}

void SpedWriter::operations(const Reduction &r, const QList<Taxed> &taxed)
{
    // One line a rate, in the order the rates first come, with their sums.
    QList<Taxed> rates;
    for (const Taxed &t : taxed) {
        auto same = std::find_if(rates.begin(), rates.end(), [&](const Taxed &o) { return o.rate == t.rate; });
        if (same == rates.end()) {
            rates.append(t);
        } else {
            same->base += t.base;
            same->tax += t.tax;
        }
    }
    for (const Taxed &t : rates)
        line({QStringLiteral("C490"), QStringLiteral("000"), m_cfop, commaMoney(t.rate), commaMoney(t.base),
              commaMoney(t.base), commaMoney(t.tax), QString()});
    const QString zero = commaMoney(0);
    const struct {
        const char *cst;
        const QString &cfop;
        qint64 value;
    } others[] = {{"060", m_cfopSt, r.subTrib}, {"040", m_cfop, r.isento}, {"041", m_cfop, r.naoIncid}};
    for (const auto &other : others)
        if (other.value > 0)
            line({QStringLiteral("C490"), QString::fromLatin1(other.cst), other.cfop, zero, commaMoney(other.value),
                  zero, zero, QString()});
}
