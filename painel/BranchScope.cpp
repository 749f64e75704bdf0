#include "BranchScope.h"
#include "StoreCodes.h"

#include <algorithm>

Result<BranchScope> BranchScope::parse(const QString &codes)
{
    // Bounded before it is split: a code and its comma each.
    if (codes.size() > MaxBranches * (StoreCodes::BranchWidth + 1))
        return Result<BranchScope>::failure(QStringLiteral("filiais demais: no máximo %1").arg(MaxBranches));
    BranchScope scope;
    for (const QString &code : codes.split(QLatin1Char(','))) {
        if (code.isEmpty())
            return Result<BranchScope>::failure(
                QStringLiteral("filial vazia: códigos separados por vírgula, como 0001,0002"));
        if (StoreCodes::check(code, StoreCodes::BranchWidth) != StoreCodes::Problem::None)
            return Result<BranchScope>::failure(
                QStringLiteral("filial %1: código inválido, de 1 a 4 letras ou algarismos").arg(code));
        scope.m_codes << code;
    }
    std::sort(scope.m_codes.begin(), scope.m_codes.end());
    scope.m_codes.erase(std::unique(scope.m_codes.begin(), scope.m_codes.end()), scope.m_codes.end());
    return Result<BranchScope>::of(scope);
}

bool BranchScope::allows(const QString &cdFilial) const
{
    return everyBranch() || std::binary_search(m_codes.cbegin(), m_codes.cend(), cdFilial);
}
