#include "ReductionColumns.h"
#include "ForwardQuery.h"
#include "LedgerValues.h"

namespace ReductionColumns {

void read(const ForwardQuery &q, int first, Reduction &r)
{
    // The texts a chain's rows share stay those of the row read before.
    q.assignText(first + CdFilial, r.cdFilial);
    q.assignText(first + CdCaixa, r.cdCaixa);
    q.assignText(first + NrEcf, r.nrEcf);
    q.assignText(first + NrSerie, r.serial);
    r.day = q.date(first + DtReducao);
    for (const ReductionFigures::Figure &figure : ReductionFigures::all()) {
        const int column = first + FirstFigure + figure.tag - 1;
        if (figure.kind == ReductionFigures::Kind::Counter) {
            QString &text = r.counterText(figure.tag);
            text = q.text(column);
            r.counter(figure.tag) = LedgerValues::counter(text);
        } else {
            r.amount(figure.tag) = LedgerValues::cents(q.number(column));
        }
    }
    q.assignText(first + DsModMarca, r.model);
}

} // namespace ReductionColumns
