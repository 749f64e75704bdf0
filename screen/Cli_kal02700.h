#pragma once
// The screen unit: the host's entry to the Z-reduction screen and the unit
// globals the host may read.
#include "AutomationDate.h"
#include <QString>

class TfrmCadRedz;

namespace Cli_kal02700 {

extern ::TfrmCadRedz *frmCadRedz;
extern bool boCriado;
extern bool boDadosUltima;
extern QString stDataUltRedZ;
// What the last call of CriaCadRedZ came to, for the host to read after it:
// whether its own setRedZ committed the day, and, when the call ended
// without storing it (or stored it without its CAT-52 file), one line that
// says why. Both are reset when a call begins.
extern bool boRedZGravada;
extern QString stMotivoRedZ;

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
