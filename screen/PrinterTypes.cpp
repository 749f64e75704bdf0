#include "PrinterTypes.h"
#include <algorithm>
#include <iterator>

namespace PrinterTypes {

namespace {
constexpr int comUltimaRedZ[] = {14, 18, 19, 22, 24, 27, 28, 29, 31, 32};
constexpr int cat52SoComParametro[] = {18, 19, 27, 32};
constexpr int cat52Nunca[] = {22, 24, 29, 31};

template <size_t N>
bool among(const int (&tipos)[N], int tipo)
{
    return std::find(std::begin(tipos), std::end(tipos), tipo) != std::end(tipos);
}
} // namespace

bool reportsLastReduction(int tipo)
{
    return among(comUltimaRedZ, tipo);
}

bool generatesCat52(int tipo, const QString &idGeraArqVndrio)
{
    if (among(cat52Nunca, tipo))
        return false;
    return !among(cat52SoComParametro, tipo) || idGeraArqVndrio == QLatin1String("S");
}

} // namespace PrinterTypes
