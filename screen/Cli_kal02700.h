#pragma once
// The screen unit: the host's entry to the Z-reduction screen and the unit
// globals the host may read, exported as the frame's header declares them.
#include "AutomationDate.h"
#include "Pkg_kal02700.h"
#include <QString>

class TfrmCadRedz;

namespace Cli_kal02700 {

extern KAL02700_EXPORT ::TfrmCadRedz *frmCadRedz;
extern KAL02700_EXPORT bool boCriado;
extern KAL02700_EXPORT bool boDadosUltima;
extern KAL02700_EXPORT QString stDataUltRedZ;
// What the last call of CriaCadRedZ came to, for the host to read after it:
// whether its own setRedZ committed the day, and, when the call ended
// without storing it (or stored it without its CAT-52 file), one line that
// says why. Both are reset when a call begins.
extern bool boRedZGravada;
extern QString &stMotivoRedZ;
// Whether the answer to this call's commit was lost and no new session could
// tell whether the day is stored (reset when a call begins).
extern bool boRedZIncerta;

void CriaCadRedZ(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf, const QString &NrSerieEcf,
                 TDateTime DtReducao, bool Automatico);

// Unit start and shut-down, run by the package frame.
void Initialization();
void Finalization();

// The folder of the local parameter files "PARAMETROSKIV.CDS" and
// "PRAXUMO.CDS": the running executable's own folder, unless a host or a test
// points elsewhere. An empty text goes back to the executable's folder.
void setParametersDir(const QString &dir);
QString parametersDir();

} // namespace Cli_kal02700
