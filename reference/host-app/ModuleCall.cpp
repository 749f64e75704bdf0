#include "ModuleCall.h"
#include "Console.h"
#include "ConnectionString.h"
#include "Exception.h"
#include "HostDatabase.h"
#include "HostOptions.h"
#include "InputLimits.h"
#include "ModuleLibrary.h"
#include "PrinterMemory.h"
#include "ScreenGrabber.h"
#include "SharedServicesHost.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ModuleCall {

namespace {
// The widest printer serial the module stores (NRSERIEREDZ).
const int SerialWidth = 20;

// The printer's serial: the one given, or the printer memory's. A day stored
// without it could never be chained by an audit, so without one the host
// does not call the screen: then the result says why.
Result<QString> printerSerial(const HostOptions &options)
{
    QString serial = options.nrSerieEcf;
    QString why;
    if (options.serialGiven) {
        why = QStringLiteral("--nrserieecf está vazio");
    } else if (options.printer.isEmpty()) {
        why = QStringLiteral("nem --nrserieecf nem --printer foi informado");
    } else {
        try {
            serial = Wmb00001::PrinterMemory::load(QFileInfo(options.printer).absoluteFilePath()).serial;
            why = QStringLiteral("a memória da impressora não informa o número de série");
        } catch (const Exception &erro) {
            why = erro.message();
            // Inside the parentheses the printer's sentence loses its full stop.
            if (why.endsWith(u'.'))
                why.chop(1);
        }
    }
    if (serial.trimmed().isEmpty())
        return Result<QString>::failure(QStringLiteral("sem o número de série da impressora fiscal (%1): informe "
                                                       "--nrserieecf ou --printer com uma memória de impressora "
                                                       "legível.")
                                            .arg(why));
    // A longer serial is refused as --nrserieecf refuses it: cut, it would
    // be another printer's.
    if (serial.size() > SerialWidth)
        return Result<QString>::failure(QStringLiteral("o número de série da memória da impressora \"%1\" tem mais "
                                                       "de %2 caracteres: confira a impressora ou informe "
                                                       "--nrserieecf.")
                                            .arg(InputLimits::excerpt(serial))
                                            .arg(SerialWidth));
    return Result<QString>::of(serial);
}
} // namespace

ExitStatus run(const HostOptions &options)
{
    const QString connectionString = options.db.isEmpty() ? HostDatabase::defaultConnectionString() : options.db;
    const ConnectionString target = ConnectionString::parse(connectionString);

    // The module reads these beside the executable; one that is no small
    // regular file would hold it (a FIFO) or fill the memory.
    const QString folder = QCoreApplication::applicationDirPath();
    for (const char *name : {"PARAMETROSKIV.CDS", "PRAXUMO.CDS"}) {
        const QString refusal = InputLimits::refusal(QDir(folder).filePath(QLatin1String(name)));
        if (!refusal.isEmpty()) {
            Console::report(QStringLiteral("arquivo local recusado: %1").arg(refusal));
            return NotStored;
        }
    }

    const Result<QString> serial = options.initDb ? Result<QString>::of(QString()) : printerSerial(options);
    if (!serial) {
        Console::report(serial.error());
        return CannotRun;
    }

    if (const std::optional<ExitStatus> ended = HostDatabase::prepare(connectionString, options.initDb))
        return *ended;

    ModuleLibrary module(folder);
    if (!module.loaded()) {
        Console::report(module.loaded().error());
        return CannotRun;
    }

    SharedServicesHost::setConnectionString(connectionString);
    if (!options.printer.isEmpty())
        Wmb00001::setPrinterMemoryFile(QFileInfo(options.printer).absoluteFilePath());

    ScreenGrabber grabber(options.screenshot);
    if (!options.screenshot.isEmpty())
        qApp->installEventFilter(&grabber);

    module.initialize();
    module.criaCadRedZ(options.cdFilial.toUtf8().constData(), options.cdCaixa.toUtf8().constData(),
                       options.nrEcf.toUtf8().constData(), serial.value().toUtf8().constData(), options.dtReducao,
                       options.automatico);
    // The module's own word: whether this call's save committed the day, and
    // why not, or why the day went without its CAT-52 file.
    const bool stored = module.redZGravada();
    const bool uncertain = module.redZIncerta();
    const QString motivo = target.scrub(QString::fromUtf8(module.motivoRedZ())).simplified();
    module.finalize();
    qApp->removeEventFilter(&grabber);
    if (!motivo.isEmpty())
        Console::report(motivo);

    const bool screenshotMissing = !options.screenshot.isEmpty() && !grabber.saved();
    if (screenshotMissing)
        Console::report(QStringLiteral("tela não gravada em %1: %2").arg(options.screenshot, grabber.saved().error()));
    return callStatus(stored, uncertain, screenshotMissing);
}

} // namespace ModuleCall
