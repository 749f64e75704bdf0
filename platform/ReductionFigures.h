#pragma once
// The thirteen figures of a Z reduction, described once for everything that
// reads, checks or stores them: the screen's field (its Tag, 1 to 13, and
// caption), the REDUCAOZ column, whether it is a counter or an amount, the
// digits its CAT-52 field carries and where the printer reports it in its
// last-reduction array.
#include <array>

namespace ReductionFigures {

enum class Kind { Counter, Amount };

struct Figure {
    int tag;             // the screen's field, 1 to 13
    const char *column;  // its REDUCAOZ column
    const char *caption; // the screen's caption, blanks folded
    Kind kind;
    // A counter: digits once its leading zeros are left out. An amount:
    // digits of its CAT-52 field, two of them decimals.
    int digits;
    int printerIndex; // in the last-reduction array; -1 when it has none
    int screenChars;  // characters the screen's field takes from the keypad
};

// Counters are held in ten-character columns.
inline constexpr int CounterColumnWidth = 10;
inline constexpr int Count = 13;

const std::array<Figure, Count> &all();
// The figure of a screen field, 1 to 13.
const Figure &byTag(int tag);

} // namespace ReductionFigures
