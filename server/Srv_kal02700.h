#pragma once
// Server methods of the Z-reduction module. Plain in-process calls on the
// shared data module; none raises: each reports in its result. The global
// and the five methods a host may call are exported as the frame's header
// declares them.
#include "AutomationDate.h"
#include "Pkg_kal02700.h"
#include "ServerResult.h"
#include "TrdmCadRedz.h"
#include <QString>
#include <QStringList>
#include <QVariant>

namespace Srv_kal02700 {

// The one data module, empty until the screen's set-up creates it.
extern KAL02700_EXPORT TrdmCadRedz *rdmCadRedz;

// Stores one Z reduction and its tax lines in one transaction.
// Boolean true when everything was committed, false when it was rolled back;
// the reason goes where the host reads it (lastSaveReason).
KAL02700_EXPORT QVariant setRedZ(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
                                 const QString &NrSerieEcf, const QString &NrRedZ, const QString &NrReinicio,
                                 const QString &NrPrimCupom, const QString &NrUltCupom, double VrSubTrib,
                                 double VrIsento, double VrNaoIncid, double VrTotGeral, double VrVendaBruta,
                                 double VrCancelamento, double VrDesconto, double VrVendaLiquida, double VrAcrescimo,
                                 TDateTime DtReducao, const QVariant &DadosImpostos, const QString &DsModMarcaEcf);

// What setRedZ does, as the module's own callers read it: done, or the
// operator message of the failure; uncertain when the commit's answer was
// lost and no new session could tell whether the day is stored.
ServerResult<Done> storeReduction(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
                                  const QString &NrSerieEcf, const QString &NrRedZ, const QString &NrReinicio,
                                  const QString &NrPrimCupom, const QString &NrUltCupom, double VrSubTrib,
                                  double VrIsento, double VrNaoIncid, double VrTotGeral, double VrVendaBruta,
                                  double VrCancelamento, double VrDesconto, double VrVendaLiquida, double VrAcrescimo,
                                  TDateTime DtReducao, const QVariant &DadosImpostos, const QString &DsModMarcaEcf);
// Why the last call ended without storing its day, one line: the screen's
// own reasons and those of setRedZ, whoever called it, in one place, which
// the host reads (MotivoRedZ) after either.
QString &lastSaveReason();

// Lookups: the value found as text, or the failure message as text.
KAL02700_EXPORT QVariant getCupomInicial(const QString &CdFilial, const QString &CdCaixa, TDateTime Dia);
KAL02700_EXPORT QVariant getPesqCdImposto(double Aliquota);
KAL02700_EXPORT QString getMaxMovCaixa(const QString &CdFilial, const QString &CdCaixa);

// Whether the Z reduction of the branch, register, printer and day is stored
// already: boolean, or the failure message as text.
QVariant getRedZGravada(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf, TDateTime DtReducao);

// Stores a CAT-52 file: empty on success, the failure message as text.
KAL02700_EXPORT QVariant setArqCat52(const QString &CdFilial, const QString &CdCaixa, const QString &CdLoja,
                                     const QString &CdOperador, const QString &DtMovimento, const QString &NmArquivo,
                                     const QStringList &Conteudo);

// Unit start and shut-down, run by the package frame.
void Initialization();
void Finalization();

} // namespace Srv_kal02700
