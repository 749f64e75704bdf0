// kal02700-fiscal: the back office's fiscal ledger. Audits the stored Z
// reductions, writes their SPED and Sintegra lines, delivers the stored
// CAT-52 files and stores the file of a day whose CAT-52 stage failed. Its
// verbs are the classes LedgerCommands::all() lists.
#include "ConsoleLine.h"
#include "DatabaseFiles.h"
#include "Exception.h"
#include "FiscalCommandLine.h"
#include "LedgerCommands.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const char *program = "kal02700-fiscal";
    const Result<FiscalOptions> parsed = FiscalCommandLine::parse(app.arguments().mid(1));
    if (!parsed) {
        ConsoleLine::report(program, parsed.error());
        std::fputs(LedgerCommands::usage().toUtf8().constData(), stderr);
        return BadArguments;
    }
    const FiscalOptions &options = parsed.value();
    // The output never lands on the database it is made from.
    if (const QString clash = DatabaseFiles::clash(options.saida, options.db); !clash.isEmpty()) {
        ConsoleLine::report(program, QStringLiteral("--saida: ") + clash);
        return BadArguments;
    }
    if (!options.command) {
        std::fputs(LedgerCommands::help().toUtf8().constData(), stdout);
        return Done;
    }
    // The verbs tell a failure as their result; an Exception here is one
    // that escaped them, told the same way.
    try {
        const Result<int> status = options.command->run(options);
        if (status)
            return status.value();
        ConsoleLine::report(program, ConsoleLine::oneLine(status.error()));
        return CouldNotFinish;
    } catch (const Exception &e) {
        ConsoleLine::report(program, ConsoleLine::oneLine(e.message()));
        return CouldNotFinish;
    }
}
