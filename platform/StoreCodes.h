#pragma once
// A branch or register code, as REDUCAOZ and MOVCAIXA key a day by it: the
// one rule the host, the ledger and the head-office view take codes by.
#include <QString>

namespace StoreCodes {

inline constexpr int BranchWidth = 4;   // CDFILIAL
inline constexpr int RegisterWidth = 3; // CDCAIXA

enum class Problem { None, Width, Characters };

// 1 to width characters, each an ASCII letter or digit: a blank, a quote or
// a slash is no code of a store and would only miss every stored day.
Problem check(const QString &code, int width);

} // namespace StoreCodes
