// kal02700-host: the reference host of the Z-reduction module. Loads the
// module library beside itself, sets up the shared services and the reference
// packages from its command line, calls the screen once and reports by its
// exit status whether this call stored a Z reduction, as the module itself
// tells.
#include "Console.h"
#include "ConsoleFilter.h"
#include "ExitStatus.h"
#include "HostOptions.h"
#include "ModuleCall.h"
#include "ScreenPlatform.h"
#include "SharedServicesHost.h"
#include "Shield.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    // Everything is checked before the QApplication exists, so that bad
    // arguments end with status 2 even where no display could be opened.
    QString error;
    QString help;
    const std::optional<HostOptions> options = HostOptions::parse(arguments, error, help);
    if (!options) {
        Console::report(error);
        Console::printLine(stderr, HostOptions::usage());
        return CannotRun;
    }
    if (options->help) {
        Console::printLine(stdout, help);
        return Stored;
    }

    ConsoleFilter::install();
    const ScreenPlatform platform(options->needsScreen());
    if (const QString refusal = platform.prepare(); !refusal.isEmpty()) {
        Console::report(refusal);
        return CannotRun;
    }
    QApplication::setApplicationName(QLatin1String(Console::ProgramName));
    QApplication application(argc, argv);
    ConsoleFilter::platformStarted();
    if (const QString refusal = platform.checkStarted(); !refusal.isEmpty()) {
        Console::report(refusal);
        return CannotRun;
    }

    // Messages wait for the operator only when there is one to see them.
    SharedServicesHost::setMessagePresenter(options->needsScreen() ? SharedServicesHost::dialogPresenter()
                                                                   : SharedServicesHost::consolePresenter(stdout));

    ExitStatus status = NotStored;
    shield([&] { status = ModuleCall::run(*options); }, [](const QString &text) { Console::report(text); });
    return status;
}
