#pragma once
// The lookups and the CAT-52 store as the module reads them: each gives what
// it found, or the operator message of its failure (ADOExceptionMessage),
// and never raises. The exported server methods are made from these.
#include "AutomationDate.h"
#include "ServerResult.h"
#include <QString>
#include <QStringList>

namespace Srv_kal02700 {

class TrdmCadRedz;

namespace ServerCalls {

// The first receipt number of a day: six characters from the day's counter,
// ten when it follows the register's latest Z reduction, "0000000000" when
// neither gives one.
ServerResult<QString> firstCoupon(const QString &CdFilial, const QString &CdCaixa, TDateTime Dia);

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

// The failure path of a server method must never raise: a rollback that fails
// too (a lost connection) leaves nothing to undo on our side.
void rollbackQuietly(TrdmCadRedz &rdm);

} // namespace ServerCalls
} // namespace Srv_kal02700
