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
    const Result<HostOptions> parsed = HostOptions::parse(arguments);
    if (!parsed) {
        Console::report(parsed.error());
        Console::printLine(stderr, HostOptions::usage());
        return CannotRun;
    }
    const HostOptions &options = parsed.value();
    if (options.help) {
        Console::printLine(stdout, options.helpText);
        return Stored;
    }

    ConsoleFilter::install();
    const ScreenPlatform platform(options.needsScreen());
    if (const Result<NoValue> prepared = platform.prepare(); !prepared) {
        Console::report(prepared.error());
        return CannotRun;
    }
    QApplication::setApplicationName(QLatin1String(Console::ProgramName));
    QApplication application(argc, argv);
    ConsoleFilter::platformStarted();
    if (const Result<NoValue> started = platform.checkStarted(); !started) {
        Console::report(started.error());
        return CannotRun;
    }

    // Messages wait for the operator only when there is one to see them.
    SharedServicesHost::setMessagePresenter(options.needsScreen() ? SharedServicesHost::dialogPresenter()
                                                                  : SharedServicesHost::consolePresenter(stdout));

    ExitStatus status = NotStored;
    shield([&] { status = ModuleCall::run(options); }, [](const QString &text) { Console::report(text); });
    return status;
}
