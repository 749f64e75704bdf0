// The package frame: the unit table and the names the host looks up.
#include "Pkg_kal02700.h"

#include "Cli_kal02700.h"
#include "Exception.h"
#include "SharedServices.h"
#include "Srv_kal02700.h"
#include "Wmb00001.h"
#include "Wmb00002.h"

#include <QString>
#include <QtDebug>
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

// Runs one step for the host; nothing is raised across the exported names.
template <typename Step>
void shielded(const char *what, Step step)
{
    try {
        step();
    } catch (const Exception &error) {
        qWarning().noquote() << what << ":" << error.message();
    } catch (const std::exception &error) {
        qWarning().noquote() << what << ":" << error.what();
    } catch (...) {
        qWarning().noquote() << what << ": erro desconhecido";
    }
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
            shielded("Initialize", Table.UnitInfo[i].Initialization);
}

void Finalize()
{
    using namespace Pkg_kal02700;
    for (int i = Table.UnitCount - 1; i >= 0; --i)
        if (Table.UnitInfo[i].Finalization)
            shielded("Finalize", Table.UnitInfo[i].Finalization);
}

const PackageInfoTable *GetPackageInfoTable()
{
    return &Pkg_kal02700::Table;
}

void CriaCadRedZ(const char *CdFilial, const char *CdCaixa, const char *NrEcf, const char *NrSerieEcf,
                 double DtReducao, bool Automatico)
{
    using namespace Pkg_kal02700;
    const auto report = [](const QString &message) {
        // The screen reports its own errors; this catches what escaped it.
        shielded("CriaCadRedZ", [&] {
            Mensagem(message, QString(), QStringLiteral("N"), QStringLiteral("N"), tmErro, QString(),
                     QStringLiteral("002"), 0, nullptr);
        });
    };
    try {
        Cli_kal02700::CriaCadRedZ(text(CdFilial), text(CdCaixa), text(NrEcf), text(NrSerieEcf), DtReducao,
                                  Automatico);
    } catch (const EAbort &) {
        // The silent abort has nothing to tell the operator.
    } catch (const Exception &error) {
        report(error.message());
    } catch (const std::exception &error) {
        report(QString::fromUtf8(error.what()));
    } catch (...) {
        report(QStringLiteral("Erro desconhecido na tela de Redução Z."));
    }
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

} // extern "C"
