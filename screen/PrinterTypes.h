#pragma once
// What the printer type (IDTIPOIMPFIS of "PRAXUMO.CDS") decides: whether the
// printer reports its last Z reduction (the pre-fill), and whether the day's
// CAT-52 file is generated after a good save.
#include <QString>

namespace PrinterTypes {

// Types 14, 18, 19, 22, 24, 27, 28, 29, 31 and 32.
bool reportsLastReduction(int tipo);

// Types 22, 24, 29 and 31 never; 18, 19, 27 and 32 only when the parameter
// file's IDGERAARQVNDRIO is exactly "S"; every other type always.
bool generatesCat52(int tipo, const QString &idGeraArqVndrio);

} // namespace PrinterTypes
