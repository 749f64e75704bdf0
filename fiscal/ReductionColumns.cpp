#include "ReductionColumns.h"
#include "ForwardQuery.h"
#include "LedgerValues.h"

namespace ReductionColumns {

void read(const ForwardQuery &q, int first, Reduction &r)
{
    auto text = [&](Column c) { return q.text(first + c); };
    auto cents = [&](Column c) { return LedgerValues::cents(q.number(first + c)); };
    // The texts a chain's rows share stay those of the row read before.
    q.assignText(first + CdFilial, r.cdFilial);
    q.assignText(first + CdCaixa, r.cdCaixa);
    q.assignText(first + NrEcf, r.nrEcf);
    q.assignText(first + NrSerie, r.serial);
    r.day = q.date(first + DtReducao);
    r.crzText = text(NrRed);
    r.croText = text(NrReini);
    r.firstCouponText = text(NrPrimCf);
    r.lastCouponText = text(NrUltCf);
    r.crz = LedgerValues::counter(r.crzText);
    r.cro = LedgerValues::counter(r.croText);
    r.firstCoupon = LedgerValues::counter(r.firstCouponText);
    r.lastCoupon = LedgerValues::counter(r.lastCouponText);
    r.subTrib = cents(VrSTrib);
    r.isento = cents(VrIsenc);
    r.naoIncid = cents(VrNIncid);
    r.grandTotal = cents(VrGt);
    r.gross = cents(VrVenBru);
    r.cancel = cents(VrTotCan);
    r.discount = cents(VrTotDes);
    r.net = cents(VrVenLiq);
    r.surcharge = cents(VrTotAcr);
    q.assignText(first + DsModMarca, r.model);
}

} // namespace ReductionColumns
