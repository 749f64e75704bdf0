// The package frame: the unit table and the names the host looks up.
#include "Pkg_kal02700.h"

#include "Cli_kal02700.h"
#include "SharedServices.h"
#include "Shield.h"
#include "Srv_kal02700.h"
#include "Wmb00001.h"
#include "Wmb00002.h"

#include <QString>
#include <iterator>

namespace Pkg_kal02700 {

namespace {

// The runtime and the shared services come up with the host's own process;
// what is left to this package, in order: the server unit, the two sibling
// packages' units, the screen unit.
const PackageUnitEntry UnitInfo[] = {
    {&Srv_kal02700::Initialization, &Srv_kal02700::Finalization},
    {&Wmb00001::Initialize, &Wmb00001::Finalize},
    {&Wmb00002::Initialize, &Wmb00002::Finalize},
    {&Cli_kal02700::Initialization, &Cli_kal02700::Finalization},
};

const PackageInfoTable Table = {int(std::size(UnitInfo)), UnitInfo};

// Nothing is raised across the exported names: what escapes a step reaches
// the host as a message of the shared services, as the screen's own errors do.
void report(const QString &message)
{
    Mensagem(message, QString(), QStringLiteral("N"), QStringLiteral("N"), tmErro, QString(), QStringLiteral("002"), 0,
             nullptr);
}

QByteArray g_motivo;

QString text(const char *utf8)
{
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

} // namespace

} // namespace Pkg_kal02700

extern "C" {

void Initialize()
{
    using namespace Pkg_kal02700;
    for (int i = 0; i < Table.UnitCount; ++i)
        if (Table.UnitInfo[i].Initialization)
            shield(Table.UnitInfo[i].Initialization, report);
}

void Finalize()
{
    using namespace Pkg_kal02700;
    for (int i = Table.UnitCount - 1; i >= 0; --i)
        if (Table.UnitInfo[i].Finalization)
            shield(Table.UnitInfo[i].Finalization, report);
}

const PackageInfoTable *GetPackageInfoTable()
{
    return &Pkg_kal02700::Table;
}

void CriaCadRedZ(const char *CdFilial, const char *CdCaixa, const char *NrEcf, const char *NrSerieEcf, double DtReducao,
                 bool Automatico)
{
    using namespace Pkg_kal02700;
    // The screen reports its own errors; this catches what escaped it.
    shield(
        [&] {
            Cli_kal02700::CriaCadRedZ(text(CdFilial), text(CdCaixa), text(NrEcf), text(NrSerieEcf), DtReducao,
                                      Automatico);
        },
        report);
}

bool RedZGravada()
{
    return Cli_kal02700::boRedZGravada;
}

const char *MotivoRedZ()
{
    Pkg_kal02700::g_motivo = Cli_kal02700::stMotivoRedZ.toUtf8();
    return Pkg_kal02700::g_motivo.constData();
}

bool RedZIncerta()
{
    return Cli_kal02700::boRedZIncerta;
}

} // extern "C"
