#include "ReductionFigures.h"

#include <stdexcept>

namespace ReductionFigures {

namespace {
// CRZ, CRO and the last coupon (COO) are six digits in the CAT-52 E12; the
// first coupon only has its ten-character column and comes from the lookups,
// not from the printer. F1, I1, N1, cancellations, discounts and surcharges
// are totalisers of the file (E13, thirteen digits); the grand total, the
// gross and the net sales are the day's totals (fourteen).
constexpr int E12Counter = 6;
constexpr int Coupon = 10;
constexpr int Totaliser = 13;
constexpr int DayTotal = 14;
// Last in each line, what the keypad lets the operator type: the CRZ and CRO are short on the
// printed Z reduction, the coupons longer, the amounts with their comma.

const std::array<Figure, Count> figures{{
    {1, "NRREDREDZ", "Contador de redução Z", Kind::Counter, E12Counter, 12, 4},
    {2, "NRREINIREDZ", "Contador de Reinicio de Operacao", Kind::Counter, E12Counter, 11, 4},
    {3, "NRPRIMCFREDZ", "Nr. Cupom Fiscal Inicial", Kind::Counter, Coupon, -1, 6},
    {4, "NRULTCFREDZ", "Nr. Cupom Fiscal Final", Kind::Counter, E12Counter, 13, 6},
    {5, "VRSTRIBREDZ", "Substituição Tributária (F1)", Kind::Amount, Totaliser, 29, 12},
    {6, "VRISENCREDZ", "Isento ICMS (I1)", Kind::Amount, Totaliser, 27, 12},
    {7, "VRNINCIDREDZ", "Não Incidência ICMS (N1)", Kind::Amount, Totaliser, 28, 12},
    {8, "VRGTREDZ", "Totalizador Geral", Kind::Amount, DayTotal, 25, 12},
    {9, "VRVENBRUREDZ", "Venda Bruta Diária", Kind::Amount, DayTotal, 47, 12},
    {10, "VRTOTCANREDZ", "Cancelamento ICMS", Kind::Amount, Totaliser, 37, 12},
    {11, "VRTOTDESREDZ", "Desconto ICMS", Kind::Amount, Totaliser, 33, 12},
    {12, "VRVENLIQREDZ", "Venda Líquida", Kind::Amount, DayTotal, 48, 12},
    {13, "VRTOTACRREDZ", "Acréscimo ICMS", Kind::Amount, Totaliser, 35, 12},
}};
} // namespace

const std::array<Figure, Count> &all()
{
    return figures;
}

const Figure &byTag(int tag)
{
    if (tag < 1 || tag > Count)
        throw std::out_of_range("Z reduction figure Tag outside 1..13");
    return figures[size_t(tag - 1)];
}

} // namespace ReductionFigures
