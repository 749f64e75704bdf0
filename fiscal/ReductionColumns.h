#pragma once
// The stored Z reduction's columns as every statement of the ledger selects
// them (REDUCAOZ, in the order of the statements' one part
// sql/colunas-reducaoz.sql, from a given column on), mapped to the
// Reduction in this one place.
#include "Reduction.h"
#include "ReductionFigures.h"

class ForwardQuery;

namespace ReductionColumns {

// The day's key, then its figures in the order of their fields (the Z
// reduction's description), then the model.
enum Column {
    CdFilial,
    CdCaixa,
    NrEcf,
    NrSerie,
    DtReducao,
    FirstFigure,
    DsModMarca = FirstFigure + ReductionFigures::Count,
    Count
};

// The reduction whose columns begin at first on the query's row; its tax
// lines and CAT-52 mark are left as they are. A reduction read again and
// again keeps the texts it already holds where the row has the same.
void read(const ForwardQuery &query, int first, Reduction &reduction);

} // namespace ReductionColumns
