#pragma once
// Which Z reductions the fiscal files leave out, and the line that tells the
// operator so. The SPED and the Sintegra writers ask the same question, and
// the audit's rules answer it with the same tests, so the files and the
// audit never disagree about a day.
#include "Reduction.h"

#include <QString>

namespace ExportGate {

enum class Layout { Sped, Sintegra };

// The widest printer serial C400's ECF_FAB holds.
inline constexpr int SerialWidth = 21;

// NRECFREDZ as ECF_CX and Sintegra's field carry it: a number from 1 to 999.
bool validEcf(const QString &nrEcf);
// The model part of DSMODMARCAECF ("model|brand"), trimmed.
QString modelOf(const Reduction &r);

// Empty when the day can be written in that layout; else why not, ending
// with its audit rule ("sem número de série do ECF (SERIE_AUSENTE)"). The
// Sintegra's 60M carries no model: a printer without one is written there.
QString refusal(const Reduction &r, Layout layout);

// The standard-error line of a day left out, the same for both files.
QString notice(const Reduction &r, const QString &refusal);

} // namespace ExportGate
