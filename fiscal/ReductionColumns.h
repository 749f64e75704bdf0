#pragma once
// The stored Z reduction's columns as every statement of the ledger selects
// them (REDUCAOZ, in the order of the statements' one part
// sql/colunas-reducaoz.sql, from a given column on), mapped to the
// Reduction in this one place.
#include "Reduction.h"

class ForwardQuery;

namespace ReductionColumns {

enum Column {
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
    Count
};

// The reduction whose columns begin at first on the query's row; its tax
// lines and CAT-52 mark are left as they are. A reduction read again and
// again keeps the texts it already holds where the row has the same.
void read(const ForwardQuery &query, int first, Reduction &reduction);

} // namespace ReductionColumns
