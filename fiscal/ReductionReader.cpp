#include "ReductionReader.h"
#include "Guarded.h"
#include "LedgerSession.h"
#include "LedgerValues.h"
#include "ReductionColumns.h"

namespace {
// After the reduction's columns: whether its register holds a CAT-52 file
// for the day, then what the statement adds of its own.
const int TemCat52 = ReductionColumns::Count;
enum TaxColumn { TaxFilial, TaxCaixa, TaxEcf, TaxDia, TaxCdImposto, TaxAliquota, TaxBase, TaxImposto };
} // namespace

ReductionReader::ReductionReader(std::unique_ptr<ForwardQuery> reductions, std::unique_ptr<ForwardQuery> taxes)
    : m_reductions(std::move(reductions)), m_taxes(std::move(taxes))
{
}

Result<std::unique_ptr<ReductionReader>> ReductionReader::read(LedgerSession &session, const QString &reductions,
                                                               const QString &taxes,
                                                               const ForwardQuery::Parameters &parameters)
{
    Result<std::unique_ptr<ForwardQuery>> rows = ForwardQuery::run(session, reductions, parameters);
    if (!rows)
        return Result<std::unique_ptr<ReductionReader>>::failureOf(rows);
    Result<std::unique_ptr<ForwardQuery>> lines = ForwardQuery::run(session, taxes, parameters);
    if (!lines)
        return Result<std::unique_ptr<ReductionReader>>::failureOf(lines);
    return Result<std::unique_ptr<ReductionReader>>::of(
        std::unique_ptr<ReductionReader>(new ReductionReader(std::move(rows.value()), std::move(lines.value()))));
}

ReductionReader::~ReductionReader() = default;

Result<bool> ReductionReader::next(Reduction &r)
{
    return Guarded::run([&] { return take(r); });
}

bool ReductionReader::take(Reduction &r)
{
    ForwardQuery &q = *m_reductions;
    if (!Guarded::take(q.next()))
        return false;
    ++m_rowsRead;
    ReductionColumns::read(q, 0, r);
    r.hasCat52 = q.value(TemCat52).toInt() != 0;
    r.taxes.clear();

    // The tax lines follow in the same order: take those of this row.
    ForwardQuery &t = *m_taxes;
    while (!m_taxesDone) {
        if (!m_taxPending) {
            if (!Guarded::take(t.next())) {
                m_taxesDone = true;
                break;
            }
            ++m_rowsRead;
            m_taxPending = true;
        }
        if (t.date(TaxDia) != r.day || !t.sameText(TaxEcf, r.nrEcf) || !t.sameText(TaxCaixa, r.cdCaixa)
            || !t.sameText(TaxFilial, r.cdFilial))
            break; // a line of a later reduction
        TaxLine line;
        line.cdImposto = t.text(TaxCdImposto);
        line.rate = LedgerValues::rateHundredths(t.number(TaxAliquota));
        line.base = LedgerValues::cents(t.number(TaxBase));
        line.tax = LedgerValues::cents(t.number(TaxImposto));
        r.taxes.append(line);
        m_taxPending = false;
    }
    return true;
}

QVariant ReductionReader::extra(int index) const
{
    return m_reductions->value(TemCat52 + 1 + index);
}
