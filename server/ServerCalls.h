#pragma once
// The lookups and the CAT-52 store as the module reads them: each gives what
// it found, or the operator message of its failure (ADOExceptionMessage),
// and never raises. The exported server methods are made from these.
#include "AutomationDate.h"
#include "Cat52Record.h"
#include "ServerResult.h"
#include <QString>
#include <QByteArray>
#include <QList>
#include <QStringList>

namespace Srv_kal02700 {

class TrdmCadRedz;

namespace ServerCalls {

// The first receipt number of a day: six characters from the day's counter,
// ten when it follows the latest Z reduction of the printer (NrSerieEcf) on
// the register, or of the register when no printer is named; not found when
// there is no such Z reduction.
ServerResult<QString> firstCoupon(const QString &CdFilial, const QString &CdCaixa, TDateTime Dia,
                                  const QString &NrSerieEcf = QString());

// The tax code of a rate; empty when no code has that rate.
ServerResult<QString> taxCode(double Aliquota);

// The latest cash movement of the register before today; 0 when there is none.
ServerResult<TDateTime> lastCashMovement(const QString &CdFilial, const QString &CdCaixa);

// Whether the Z reduction of that branch, register, printer and day is stored.
ServerResult<bool> reductionStored(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
                                   TDateTime DtReducao);

// Stores a CAT-52 file, its row and its content together.
ServerResult<Done> storeCat52File(const QString &CdFilial, const QString &CdCaixa, const QString &CdLoja,
                                  const QString &CdOperador, const QString &DtMovimento, const QString &NmArquivo,
                                  const QStringList &Conteudo);

// As storeCat52File, for the module's CAT-52 stage: the day's Z reductions
// are locked first and the file is stored only when no file of that printer
// serial is stored for the day; false when one was (another run stored it).
ServerResult<bool> storeCat52FileOnce(const QString &CdFilial, const QString &CdCaixa, const QString &CdLoja,
                                      const QString &CdOperador, const QString &DtMovimento, const QString &NmArquivo,
                                      const QStringList &Conteudo, const QString &NrSerieEcf);

// Whether the CAT-52 file of the printer whose stored serial is given is
// stored for the branch, register and day (the store's serial rule).
ServerResult<bool> printerCat52Stored(const QString &CdFilial, const QString &CdCaixa, TDateTime Dia,
                                      const QString &NrSerieEcf);

// The figures a CAT-52 file of the day must carry, as the stored Z reduction
// of that branch, register, printer and day holds them.
ServerResult<Cat52DayFigures> storedDay(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
                                        TDateTime DtReducao);

// After the commit of that branch, register, printer and day's Z reduction
// lost its answer (ECommitUnanswered): whether it took effect, as a new
// session reads the day, within the connection's own bounds (connect and
// answer time-outs).
enum class LostCommit { Stored, NotStored, Unknown };
LostCommit afterLostCommit(TrdmCadRedz &rdm, const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
                           TDateTime DtReducao);

// The failure of a call made before the data module exists.
QString noDataModuleMessage();

// The failure path of a server method must never raise: a rollback that fails
// too (a lost connection) leaves nothing to undo on our side.
void rollbackQuietly(TrdmCadRedz &rdm);

} // namespace ServerCalls
} // namespace Srv_kal02700
