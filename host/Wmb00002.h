#pragma once
// The tax package. Its operations are procedure variables, read at the moment
// of each call, so a host or a test can put its own in place.
#include "AutomationDate.h"
#include <QString>
#include <QVariant>

class ClientDataSet;
class QWidget;

namespace Wmb00002 {
// The day's tax lines as a data packet of the eight tax-line fields; an empty
// variant or a packet without rows when the operator gave none. The variant
// comes in holding the list confirmed before (empty when none), which a
// package may start from and leaves as it was when the operator cancels.
using TCriaImpostoRedz = void (*)(const QString &cdFilial, const QString &cdCaixa, const QString &nrEcf,
                                  TDateTime dtReducao, TDateTime dtUltRedZ, ClientDataSet &totalizadores,
                                  QVariant &dados);
// A modeless progress notice over the form; returns at once.
using TAtivaProcesso = void (*)(QWidget *form, const QString &texto, int a, int b);
using TDesativaProcesso = void (*)();

extern TCriaImpostoRedz CriaImpostoRedz;
extern TAtivaProcesso AtivaProcesso;
extern TDesativaProcesso DesativaProcesso;

void Initialize();
void Finalize();
} // namespace Wmb00002
