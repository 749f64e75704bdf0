#include "ReductionReader.h"
#include "LedgerSession.h"
#include "LedgerValues.h"

namespace {
enum ReductionColumn {
    CdFilial,
    CdCaixa,
    NrEcf,
    NrSerie,
    DtReducao,
    NrRed,
    NrReini,
    NrPrimCf,
    NrUltCf,
    VrSTrib,
    VrIsenc,
    VrNIncid,
    VrGt,
    VrVenBru,
    VrTotCan,
    VrTotDes,
    VrVenLiq,
    VrTotAcr,
    DsModMarca,
    TemCat52
};
enum TaxColumn { TaxFilial, TaxCaixa, TaxEcf, TaxDia, TaxCdImposto, TaxAliquota, TaxBase, TaxImposto };
} // namespace

ReductionReader::ReductionReader(LedgerSession &session, const QString &reductions, const QString &taxes,
                                 const ForwardQuery::Parameters &parameters)
    : m_reductions(std::make_unique<ForwardQuery>(session, reductions, parameters)),
      m_taxes(std::make_unique<ForwardQuery>(session, taxes, parameters))
{
}

ReductionReader::~ReductionReader() = default;

bool ReductionReader::next(Reduction &r)
{
    ForwardQuery &q = *m_reductions;
    if (!q.next())
        return false;
    ++m_rowsRead;
    r.cdFilial = q.text(CdFilial);
    r.cdCaixa = q.text(CdCaixa);
    r.nrEcf = q.text(NrEcf);
    r.serial = q.text(NrSerie);
    const QVariant dayValue = q.value(DtReducao);
    r.day = q.date(DtReducao);
    r.crzText = q.text(NrRed);
    r.croText = q.text(NrReini);
    r.firstCouponText = q.text(NrPrimCf);
    r.lastCouponText = q.text(NrUltCf);
    r.crz = LedgerValues::counter(r.crzText);
    r.cro = LedgerValues::counter(r.croText);
    r.firstCoupon = LedgerValues::counter(r.firstCouponText);
    r.lastCoupon = LedgerValues::counter(r.lastCouponText);
    r.subTrib = LedgerValues::cents(q.number(VrSTrib));
    r.isento = LedgerValues::cents(q.number(VrIsenc));
    r.naoIncid = LedgerValues::cents(q.number(VrNIncid));
    r.grandTotal = LedgerValues::cents(q.number(VrGt));
    r.gross = LedgerValues::cents(q.number(VrVenBru));
    r.cancel = LedgerValues::cents(q.number(VrTotCan));
    r.discount = LedgerValues::cents(q.number(VrTotDes));
    r.net = LedgerValues::cents(q.number(VrVenLiq));
    r.surcharge = LedgerValues::cents(q.number(VrTotAcr));
    r.model = q.text(DsModMarca);
    r.hasCat52 = q.value(TemCat52).toInt() != 0;
    r.taxes.clear();

    // The tax lines follow in the same order: take those of this row.
    ForwardQuery &t = *m_taxes;
    while (!m_taxesDone) {
        if (!m_taxPending) {
            if (!t.next()) {
                m_taxesDone = true;
                break;
            }
            ++m_rowsRead;
            m_taxPending = true;
        }
        if (t.value(TaxDia) != dayValue || t.text(TaxEcf) != r.nrEcf || t.text(TaxCaixa) != r.cdCaixa
            || t.text(TaxFilial) != r.cdFilial)
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
