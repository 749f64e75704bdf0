#include "Cli_kal02700.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "ScreenSupport.h"
#include "SharedServices.h"
#include "Srv_kal02700.h"
#include "Shield.h"
#include "TfrmCadRedz.h"
#include <QCoreApplication>

namespace Cli_kal02700 {

::TfrmCadRedz *frmCadRedz = nullptr;
bool boCriado = false;
bool boDadosUltima = false;
QString stDataUltRedZ;
bool boRedZGravada = false;
// Shared with the server unit: a host that calls setRedZ itself reads its
// reason the same way.
QString &stMotivoRedZ = Srv_kal02700::lastSaveReason();
bool boRedZIncerta = false;

namespace {
QString &configuredParametersDir()
{
    static QString dir;
    return dir;
}

// An error that ends the call: the host reads it, unless the set-up has
// already named the cause.
void noteError(const QString &text)
{
    if (stMotivoRedZ.isEmpty())
        setReason(text);
}

void reportError(const QString &text)
{
    // The operator should not read the message under an hourglass.
    restoreCursor();
    // A driver's own words stay on the line of the sentence they follow.
    showMessage(text.simplified(), tmErro, QStringLiteral("002"));
}
} // namespace

void setParametersDir(const QString &dir)
{
    configuredParametersDir() = dir;
}

QString parametersDir()
{
    const QString &dir = configuredParametersDir();
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir;
}

void CriaCadRedZ(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf, const QString &NrSerieEcf,
                 TDateTime DtReducao, bool Automatico)
{
    // One screen at a time: a call made from inside the open screen's own
    // event loop leaves that screen alone.
    if (frmCadRedz)
        return;

    // Whatever happens, the call ends with the form released and the cursor back.
    struct Release {
        ~Release()
        {
            delete frmCadRedz;
            frmCadRedz = nullptr;
            restoreCursor();
        }
    } release;

    boRedZGravada = false;
    boRedZIncerta = false;
    stMotivoRedZ.clear();
    showBusyCursor();
    shield(
        [&] {
            // No form outlives a call, so a flag still set by an earlier call
            // (an error after set-up, an automatic call that did not confirm)
            // is stale: every call sets up a fresh screen.
            boCriado = false;
            frmCadRedz = new TfrmCadRedz(nullptr);
            const Result<NoValue> aberta = frmCadRedz->InicializaForm(CdFilial, CdCaixa, NrEcf, NrSerieEcf, DtReducao,
                                                                      Automatico);
            // Why it did not open is reported below, unless already told.
            if (!aberta && aberta.error().isEmpty())
                throw EAbort();
            if (!aberta)
                throw Exception(aberta.error());
            if (!Automatico)
                frmCadRedz->exec();
        },
        [](const QString &text) {
            noteError(text);
            reportError(text);
        });
    // Whatever way the call took, a day not stored leaves its line.
    if (!boRedZGravada && stMotivoRedZ.isEmpty())
        setReason(QStringLiteral("A redução Z de %1 não foi gravada.").arg(FormatSettings::dateTimeToStr(DtReducao)));
}

// However often the host walks the unit table, the unit comes up and goes
// down once: the first initialization and the last finalization act.
namespace {
int g_initCount = 0;
}

void Initialization()
{
    if (g_initCount-- == 0)
        boCriado = false;
}

void Finalization()
{
    if (++g_initCount == 0)
        stDataUltRedZ.clear();
}

} // namespace Cli_kal02700
