#pragma once
// The fiscal-printer package. Its operations are procedure variables, read at
// the moment of each call, so a host or a test can put its own in place.
#include "AutomationDate.h"
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

class ClientDataSet;

namespace Wmb00001 {
// Fills the 51-entry array (indices 0 to 50) with the printer's last Z
// reduction and leaves its partial taxed totalisers in the dataset.
using TDadosUltimaRedZ = void (*)(const QVariant &idEsquema, int opcao, QVariantList &ultimaRedZ,
                                  ClientDataSet &totalizadores);
// Model and brand of the printer in the second and third arguments.
using TModelo_Impressora = void (*)(const QString &porta, QString &modelo, QString &marca, QString &outro);
// Generates the day's CAT-52 file; paths[0] receives its full path.
using TGeraCatGenerica = bool (*)(const QVariantList &parametros, QStringList &paths);

extern TDadosUltimaRedZ DadosUltimaRedZ;
extern TModelo_Impressora Modelo_Impressora;
extern TGeraCatGenerica GeraCatGenerica;

void Initialize();
void Finalize();
} // namespace Wmb00001
